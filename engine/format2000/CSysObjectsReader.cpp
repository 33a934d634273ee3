// engine/format2000/CSysObjectsReader.cpp
#include "engine/format2000/CSysObjectsReader.h"

#include "engine/catalog/CatalogText.h"
#include "engine/core/CSQLServerEngine.h"

namespace {
constexpr std::size_t kIdOffset = 4;
constexpr std::size_t kTypeOffset = 8;
constexpr std::size_t kStatusOffset = 16;
// parent_obj is the 32-bit value at 28. Its first half is what decides here whether an object
// belongs to another; on the server's own rows that is the low half of the parent's id, and the
// classification by the whole type code makes that harmless.
constexpr std::size_t kParentOffset = 28;
constexpr std::size_t kParentHighOffset = 28;
constexpr std::size_t kMaxNameBytes = 500;
constexpr std::int64_t kFirstUserObjectId = 200;
}  // namespace

std::optional<SNameSpan> LocateSingleName(const CByteView& dataArea, std::size_t nRow,
                                          std::size_t nFixedEnd, std::size_t nColumnCount) {
    std::size_t nBitmap = std::max<std::size_t>(1, (nColumnCount + 7) / 8);
    // column count (2), bitmap, variable count (2), then the name's end offset (2).
    auto nEndRaw = dataArea.U16(nRow + nFixedEnd + 2 + nBitmap + 2);
    if (!nEndRaw)
        return std::nullopt;
    std::size_t nStartInRow = nFixedEnd + nBitmap + 6;
    std::size_t nEnd = *nEndRaw;
    // Names of up to 128 characters end beyond byte 255 of the row; only an end that would leave
    // the page is taken as a damaged high byte.
    if (nEnd > 255 && !dataArea.Has(nRow, nEnd))
        nEnd &= 0xFF;
    if (nEnd < nStartInRow)
        return std::nullopt;
    std::size_t nLength = nEnd - nStartInRow;
    if (nLength > kMaxNameBytes || !dataArea.Has(nRow + nStartInRow, nLength))
        return std::nullopt;
    return SNameSpan{nRow + nStartInRow, nLength};
}

SDamage CatalogRowDamage(const char* pszTable, const std::string& strWhy) {
    SDamage damage;
    damage.eKind = EDamageKind::CatalogRow;
    damage.strDetail = std::string("the ") + pszTable + " row is skipped: " + strWhy;
    return damage;
}

EObjectClass CSysObjectsReader::Classify(char chFirst, char chSecond) {
    auto is = [&](char a, char b) { return chFirst == a && chSecond == b; };
    if (is('U', ' '))
        return EObjectClass::Table;
    if (is('V', ' '))
        return EObjectClass::View;
    if (is('P', ' '))
        return EObjectClass::Procedure;
    if (is('R', ' '))
        return EObjectClass::Rule;
    if (is('T', 'R'))
        return EObjectClass::Trigger;
    if (is('F', 'N') || is('I', 'F') || is('T', 'F'))
        return EObjectClass::Function;
    return EObjectClass::Ignored;
}

std::optional<CSchemaCollector::EConstraintKind> CSysObjectsReader::ConstraintKind(char chFirst,
                                                                                   char chSecond) {
    using EKind = CSchemaCollector::EConstraintKind;
    auto is = [&](char a, char b) { return chFirst == a && chSecond == b; };
    if (is('P', 'K'))
        return EKind::PrimaryKey;
    if (is('U', 'Q'))
        return EKind::Unique;
    if (is('C', ' '))
        return EKind::Check;
    if (is('F', ' '))
        return EKind::ForeignKey;
    return std::nullopt;
}

std::optional<SDamage> CSysObjectsReader::ReadRow(const CByteView& dataArea,
                                                  std::uint16_t nRowOffset) {
    auto damaged = [](const char* pszWhy) { return CatalogRowDamage("sysobjects", pszWhy); };
    const std::size_t nRow = nRowOffset;
    auto nFixedEndRaw = dataArea.U16(nRow + 2);
    auto nId = dataArea.I32(nRow + kIdOffset);
    auto nType1 = dataArea.U8(nRow + kTypeOffset);
    auto nType2 = dataArea.U8(nRow + kTypeOffset + 1);
    auto nParentHigh = dataArea.U16(nRow + kParentHighOffset);
    if (!nFixedEndRaw || !nId || !nType1 || !nType2 || !nParentHigh)
        return damaged("it runs past the page");

    const auto chFirst = static_cast<char>(*nType1);
    const auto chSecond = static_cast<char>(*nType2);
    EObjectClass eClass = Classify(chFirst, chSecond);
    auto eConstraint = ConstraintKind(chFirst, chSecond);
    if (eClass == EObjectClass::Ignored && !eConstraint)
        return std::nullopt;
    if (eClass != EObjectClass::Ignored && *nParentHigh != 0 && eClass != EObjectClass::Trigger)
        return std::nullopt;

    std::size_t nFixedEnd = *nFixedEndRaw & 0xFF;
    auto nCountRaw = dataArea.U16(nRow + nFixedEnd);
    if (!nCountRaw)
        return damaged("its column count lies past the page");
    std::size_t nCount = *nCountRaw > 40 ? (*nCountRaw & 0xFF) : *nCountRaw;
    auto name = LocateSingleName(dataArea, nRow, nFixedEnd, nCount);
    if (!name) {
        SDamage damage = CatalogRowDamage("sysobjects", "its object name cannot be located");
        damage.nObjectId = *nId;
        return damage;
    }
    auto nameBytes = *dataArea.Slice(name->nStart, name->nLength);
    std::string strName = CatalogText::Trim(CatalogText::LowBytes(nameBytes));
    std::string strKey = ObjectKey(*nId);

    if (eConstraint) {
        auto nParent = dataArea.I32(nRow + kParentOffset);
        auto nStatus = dataArea.U32(nRow + kStatusOffset);
        if (nParent && nStatus && *nParent >= kFirstUserObjectId) {
            m_collector.AddConstraint(
                CSchemaCollector::SConstraint{*nId, strName, *eConstraint, *nParent, *nStatus});
        }
        return std::nullopt;
    }

    auto addObject = [&](COrderedMap<CViewStoredProc>& map) {
        auto pObject = std::make_unique<CViewStoredProc>();
        pObject->m_strName = strName;
        pObject->m_nObjectId = *nId;
        map.Set(strKey, std::move(pObject));
    };
    switch (eClass) {
        case EObjectClass::View:
            addObject(m_engine.m_mapViews);
            return std::nullopt;
        case EObjectClass::Procedure:
            addObject(m_engine.m_mapProcedures);
            return std::nullopt;
        case EObjectClass::Rule:
            addObject(m_engine.m_mapRules);
            return std::nullopt;
        case EObjectClass::Trigger:
            addObject(m_engine.m_mapTriggers);
            return std::nullopt;
        case EObjectClass::Function:
            addObject(m_engine.m_mapFunctions);
            return std::nullopt;
        case EObjectClass::Table:
            break;
        case EObjectClass::Ignored:
            return std::nullopt;
    }

    if (static_cast<std::uint32_t>(*nId) < kFirstUserObjectId)
        return std::nullopt;
    if (CTable* pTable = m_engine.m_mapObjects.Find(strKey)) {
        pTable->m_strName = strName;
        pTable->m_nObjectId = *nId;
        return std::nullopt;
    }
    ++m_counters.nNewTables;
    auto pTable = std::make_unique<CTable>();
    pTable->m_nObjectId = *nId;
    pTable->m_strName = CatalogText::LooksUnicode(nameBytes)
                            ? "UnicodeTab#_" + std::to_string(m_counters.nUnicodeTabNo++)
                            : strName;
    m_engine.m_mapObjects.Set(strKey, std::move(pTable));
    return std::nullopt;
}

void CSysObjectsReader::PruneTables(CSQLServerEngine& engine) {
    engine.m_mapObjects.RemoveIf([](const std::string&, const CTable& table) {
        return table.m_nObjectId < kFirstUserObjectId || table.m_nColumns == 0 ||
               table.m_strName.empty();
    });
}
