// engine/format2000/CSysColumnsReader.cpp
#include "engine/format2000/CSysColumnsReader.h"

#include "engine/catalog/CatalogText.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/format2000/CCatalogRow.h"
#include "engine/format2000/CSchemaCollector.h"
#include "engine/format2000/CSysObjectsReader.h"
#include "engine/records/CTypeTable.h"

namespace {
constexpr std::uint16_t kLiveRowStatus = 0x0030;
constexpr std::size_t kTableIdOffset = 4;
constexpr std::size_t kTypeOffset = 8;
constexpr std::size_t kUserTypeOffset = 10;
constexpr std::size_t kLengthOffset = 12;
constexpr std::size_t kPrecisionOffset = 14;
constexpr std::size_t kScaleOffset = 15;
constexpr std::size_t kColumnIdOffset = 16;
constexpr std::size_t kColumnOffsetOffset = 18;
constexpr std::size_t kBitPosOffset = 20;
constexpr std::size_t kDefaultIdOffset = 24;
constexpr std::size_t kOrderOffset = 34;
constexpr std::size_t kMaxNameBytes = 500;
constexpr std::int32_t kLastSystemObjectId = 199;
constexpr std::size_t kAutovalColumn = 1;  // variable columns: name, autoval
constexpr std::uint8_t kPositiveDecimal = 1;

// A little-endian integer of 1 to 8 bytes as the column's type holds it: the one-byte type,
// tinyint, is unsigned (a seed of 200 is not -56); the wider ones are signed.
std::int64_t SignedValue(const CByteView& view, std::size_t nAt, std::size_t nWidth) {
    const std::uint64_t nRaw = view.Load(nAt, nWidth);
    if (nWidth == 1)
        return static_cast<std::int64_t>(nRaw);
    if (nWidth == 8)
        return static_cast<std::int64_t>(nRaw);
    const std::uint64_t nSign = std::uint64_t{1} << (8 * nWidth - 1);
    return static_cast<std::int64_t>((nRaw ^ nSign) - nSign);
}

// A decimal as the server stores it: a sign byte (1 positive) and the magnitude, little-endian.
std::optional<std::int64_t> DecimalValue(const CByteView& view, std::size_t nAt,
                                         std::size_t nWidth) {
    for (std::size_t i = 9; i < nWidth; ++i) {
        if (*view.U8(nAt + i) != 0)
            return std::nullopt;
    }
    const std::size_t nMagnitude = std::min<std::size_t>(nWidth - 1, 8);
    const std::uint64_t nValue = view.Load(nAt + 1, nMagnitude);
    if (nValue > static_cast<std::uint64_t>(INT64_MAX))
        return std::nullopt;
    const auto nSigned = static_cast<std::int64_t>(nValue);
    return *view.U8(nAt) == kPositiveDecimal ? nSigned : -nSigned;
}
}  // namespace

std::optional<CSysColumnsReader::SIdentity> CSysColumnsReader::DecodeIdentity(
    std::span<const std::byte> autoval, bool bDecimal) {
    const CByteView view(autoval);
    if (view.Size() < 4 || (view.Size() - 1) % 3 != 0)
        return std::nullopt;
    const std::size_t nWidth = (view.Size() - 1) / 3;
    if (bDecimal ? (nWidth < 2 || nWidth > 17) : nWidth > 8)
        return std::nullopt;
    SIdentity identity;
    if (bDecimal) {
        auto nSeed = DecimalValue(view, nWidth, nWidth);
        auto nIncrement = DecimalValue(view, 2 * nWidth, nWidth);
        if (!nSeed || !nIncrement)
            return std::nullopt;
        identity.nSeed = *nSeed;
        identity.nIncrement = *nIncrement;
    } else {
        identity.nSeed = SignedValue(view, nWidth, nWidth);
        identity.nIncrement = SignedValue(view, 2 * nWidth, nWidth);
    }
    if (identity.nIncrement == 0)
        return std::nullopt;  // the server refuses an increment of 0: not an autoval value
    return identity;
}

std::optional<SDamage> CSysColumnsReader::ReadRow(const CByteView& dataArea,
                                                  std::uint16_t nRowOffset) {
    auto damaged = [](const char* pszWhy) { return CatalogRowDamage("syscolumns", pszWhy); };
    const std::size_t nRow = nRowOffset;
    auto nStatus = dataArea.U16(nRow);
    auto nFixedEndRaw = dataArea.U16(nRow + 2);
    auto nTableId = dataArea.I32(nRow + kTableIdOffset);
    auto nType = dataArea.U8(nRow + kTypeOffset);
    auto nTypeStat = dataArea.U8(nRow + kSysColumnsTypeStatOffset);
    auto nUserType = dataArea.U16(nRow + kUserTypeOffset);
    auto nLength = dataArea.U16(nRow + kLengthOffset);
    auto nPrecision = dataArea.U8(nRow + kPrecisionOffset);
    auto nScale = dataArea.U8(nRow + kScaleOffset);
    auto nOffset = dataArea.I16(nRow + kColumnOffsetOffset);
    auto nBitPos = dataArea.U8(nRow + kBitPosOffset);
    auto nDefaultId = dataArea.I32(nRow + kDefaultIdOffset);
    auto nOrderRaw = dataArea.U16(nRow + kOrderOffset);
    auto nColumnId = dataArea.U16(nRow + kColumnIdOffset);
    auto nColStat = dataArea.U16(nRow + kSysColumnsColStatOffset);
    if (!nStatus || !nFixedEndRaw || !nTableId || !nType || !nTypeStat || !nUserType || !nLength ||
        !nPrecision || !nScale || !nOffset || !nBitPos || !nDefaultId || !nOrderRaw || !nColumnId ||
        !nColStat) {
        return damaged("it runs past the page");
    }
    if (*nStatus != kLiveRowStatus || *nTableId <= kLastSystemObjectId)
        return std::nullopt;
    // From here on the row is a live column of a user table: what it loses, the table loses.
    auto lost = [&](const char* pszWhy) {
        SDamage damage = CatalogRowDamage("syscolumns", pszWhy);
        damage.strDetail += "; table " + std::to_string(*nTableId) + " loses a column";
        return damage;
    };

    std::size_t nFixedEnd = *nFixedEndRaw > 50 ? (*nFixedEndRaw & 0xFF) : *nFixedEndRaw;
    auto nCount = dataArea.U16(nRow + nFixedEnd);
    if (!nCount || *nCount >= 51)
        return lost("its column count is impossible");
    std::size_t nBitmap = std::max<std::size_t>(1, (*nCount + 7) / 8);
    auto nVarCount = dataArea.U16(nRow + nFixedEnd + 2 + nBitmap);
    auto nNameEnd = dataArea.U16(nRow + nFixedEnd + 4 + nBitmap);
    if (!nVarCount || !nNameEnd)
        return lost("its variable-length columns lie past the page");
    std::size_t nNameStart = nFixedEnd + nBitmap + 4 + 2 * static_cast<std::size_t>(*nVarCount);
    if (*nNameEnd < nNameStart || *nNameEnd - nNameStart > kMaxNameBytes)
        return lost("its column name has an impossible length");
    auto nameBytes = dataArea.Slice(nRow + nNameStart, *nNameEnd - nNameStart);
    if (!nameBytes)
        return lost("its column name runs past the page");

    std::string strKey = ObjectKey(*nTableId);
    CTable* pTable = m_engine.m_mapObjects.Find(strKey);
    if (!pTable) {
        auto pNew = std::make_unique<CTable>();
        pNew->m_nObjectId = *nTableId;
        pTable = &m_engine.m_mapObjects.Set(strKey, std::move(pNew));
    }

    CColumnInfo column;
    column.m_strName = CatalogText::LooksUnicode(*nameBytes)
                           ? "UnicodeCol#_" + std::to_string(m_counters.nUnicodeTabNo++)
                           : CatalogText::Trim(CatalogText::NonZeroBytes(*nameBytes));
    column.m_strType = CTypeTable::TypeName(*nType);
    column.m_nOrder = *nOrderRaw > 255 ? (*nOrderRaw & 0xFF) : *nOrderRaw;
    column.m_nOffset = *nOffset;
    column.m_nLength = *nLength;
    column.m_nPrecision = *nPrecision;
    column.m_nScale = *nScale;
    column.m_nBitPos = *nBitPos;
    // Nullability comes from the row itself, so table scripts keep their NOT NULL columns.
    column.m_bNullable = (*nTypeStat & kTypeStatNotNull) == 0;
    if (*nDefaultId != 0) {
        if (const CIndexInfo* pDefault = m_engine.m_mapDefaults.Find(ObjectKey(*nDefaultId))) {
            column.m_strDefault = pDefault->m_strText;
        }
    }
    const CUserType* pUserType = m_engine.m_mapUserTypes.Find(std::to_string(*nUserType));
    column.m_strUserType = pUserType ? pUserType->m_strName : column.m_strType;
    if ((*nColStat & kColStatComputed) != 0) {
        // Nothing of a computed column is stored in the rows. Its expression may have been
        // lost with syscomments; the column is then still never read from row bytes.
        column.m_bComputed = true;
        if (const std::string* pText = m_collector.ColumnText(*nTableId, *nColumnId))
            column.m_strFormula = *pText;
    } else if ((*nColStat & kColStatIdentity) != 0) {
        column.m_bIdentity = true;
        const bool bDecimal = column.m_strType == "decimal" || column.m_strType == "numeric";
        const CCatalogRow catalogRow(dataArea, nRow);
        if (auto autoval = catalogRow.Variable(kAutovalColumn)) {
            if (auto identity = DecodeIdentity(*autoval, bDecimal)) {
                column.m_nIdentitySeed = identity->nSeed;
                column.m_nIdentityIncrement = identity->nIncrement;
            }
        }
    }

    const std::string strType = column.m_strType;
    const std::string strName = column.m_strName;
    const std::uint16_t nOrder = column.m_nOrder;
    const std::int16_t nColumnOffset = column.m_nOffset;
    const std::uint16_t nColumnLength = column.m_nLength;
    const bool bStored = !column.IsComputed();
    if (!pTable->InsertColumn(std::move(column)))
        return std::nullopt;
    m_collector.AddColumn(*nTableId, *nColumnId, strName);

    if (strType == "bit" && bStored)
        ++pTable->m_nBitColumns;
    if (bStored && CTypeTable::IsVariableLength(strType) && strType != "xml") {
        ++pTable->m_nVarColumns;
        ++pTable->m_nAllVarColumns;
        CVarColumn var;
        var.m_strName = strName;
        var.m_nOrder = nOrder;
        var.m_strType = strType;
        var.m_nLength = nColumnLength;
        var.m_nOffset = nColumnOffset;
        pTable->m_vecVarColumns.push_back(std::move(var));
        pTable->SetVarColumnType(std::to_string(nColumnOffset), strType);
    }
    ++pTable->m_nColumns;
    ++pTable->m_nAllColumns;
    return std::nullopt;
}
