// engine/format2005/CatalogRows.cpp
#include "engine/format2005/CatalogRows.h"

namespace format2005 {
namespace {
// Every row parser reads its fixed columns through the record's fixed view: a row too short for
// a field fails as a whole rather than giving a field of the next column.
struct SFields {
    CByteView view;
    bool bOk = true;

    template <typename T>
    T Get(std::optional<T> value) {
        if (!value) {
            bOk = false;
            return T{};
        }
        return *value;
    }
    std::uint8_t U8(std::size_t n) { return Get(view.U8(n)); }
    std::int16_t I16(std::size_t n) { return Get(view.I16(n)); }
    std::uint16_t U16(std::size_t n) { return Get(view.U16(n)); }
    std::int32_t I32(std::size_t n) { return Get(view.I32(n)); }
    std::uint32_t U32(std::size_t n) { return Get(view.U32(n)); }
    std::int64_t I64(std::size_t n) { return Get(view.I64(n)); }
    std::uint64_t U64(std::size_t n) { return Get(view.U64(n)); }
    SPageId Page(std::size_t n) { return Get(ReadPageId(view, n)); }
};

// The low 16 bits of an int column, as sysrscols stores offsets and null bits.
std::int16_t Low16(std::int32_t n) {
    return static_cast<std::int16_t>(static_cast<std::uint32_t>(n) & 0xFFFF);
}

std::string TypeCode(CByteView view, std::size_t nOffset, bool& bOk) {
    auto bytes = view.Slice(nOffset, 2);
    if (!bytes) {
        bOk = false;
        return {};
    }
    std::string strType;
    for (std::byte b : *bytes) {
        if (b != std::byte{' '} && b != std::byte{0})
            strType += static_cast<char>(b);
    }
    return strType;
}
}  // namespace

std::string CatalogRows::Narrow(std::span<const std::byte> utf16) {
    CByteView view(utf16);
    std::string strText;
    strText.reserve(utf16.size() / 2);
    for (std::size_t i = 0; view.Has(i, 2); i += 2) {
        const std::uint16_t nChar = *view.U16(i);
        strText += nChar < 256 ? static_cast<char>(nChar) : '?';
    }
    return strText;
}

std::optional<std::string> CatalogRows::Name(const CRecord& record, std::size_t nIndex) {
    if (nIndex >= record.VariableCount() || record.IsComplex(nIndex))
        return std::nullopt;
    return Narrow(record.Variable(nIndex));
}

std::optional<SAllocUnitRow> CatalogRows::AllocUnit(const CRecord& record) {
    SFields f{record.FixedView()};
    SAllocUnitRow row;
    row.nUnitId = f.U64(4);
    row.nType = f.U8(12);
    row.nOwnerId = f.U64(13);
    row.firstPage = f.Page(27);
    row.rootPage = f.Page(33);
    row.firstIam = f.Page(39);
    row.nUsedPages = f.I64(45);
    row.nDataPages = f.I64(53);
    if (!f.bOk)
        return std::nullopt;
    return row;
}

std::optional<SRowsetRow> CatalogRows::Rowset(const CRecord& record) {
    SFields f{record.FixedView()};
    SRowsetRow row;
    row.nRowsetId = f.U64(4);
    row.nObjectId = f.I32(13);
    row.nIndexId = f.I32(17);
    row.nPartition = f.I32(21);
    row.nRows = f.I64(31);
    if (!f.bOk)
        return std::nullopt;
    // The compression level exists from 2008 on, where the fixed part grew past it.
    row.nCompression = f.view.U8(39).value_or(0);
    return row;
}

std::optional<SObjectRow> CatalogRows::Object(const CRecord& record) {
    SFields f{record.FixedView()};
    SObjectRow row;
    row.nObjectId = f.I32(4);
    row.nSchemaId = f.I32(8);
    row.nStatus = f.I32(13);
    row.strType = TypeCode(f.view, 17, f.bOk);
    row.nParentId = f.I32(19);
    auto strName = Name(record, 0);
    if (!f.bOk || !strName)
        return std::nullopt;
    row.strName = std::move(*strName);
    return row;
}

std::optional<SColumnRow> CatalogRows::Column(const CRecord& record) {
    SFields f{record.FixedView()};
    SColumnRow row;
    row.nObjectId = f.I32(4);
    row.nNumber = f.I16(8);
    row.nColumnId = f.I32(10);
    row.nTypeId = f.U8(14);
    row.nUserTypeId = f.I32(15);
    row.nLength = f.I16(19);
    row.nPrecision = f.U8(21);
    row.nScale = f.U8(22);
    row.nCollationId = f.I32(23);
    row.nStatus = f.U32(27);
    row.nDefaultId = f.I32(37);
    row.nCheckId = f.I32(41);
    if (!f.bOk)
        return std::nullopt;
    // The return value of a function is a parameter without a name.
    row.strName = Name(record, 0).value_or(std::string());
    constexpr std::size_t kIdentityIndex = 1;
    if (record.VariableCount() > kIdentityIndex && !record.IsComplex(kIdentityIndex)) {
        auto identity = record.Variable(kIdentityIndex);
        row.vecIdentity.assign(identity.begin(), identity.end());
    }
    return row;
}

std::optional<STypeRow> CatalogRows::Type(const CRecord& record) {
    SFields f{record.FixedView()};
    STypeRow row;
    row.nTypeId = f.I32(4);
    row.nSchemaId = f.I32(8);
    row.nBaseTypeId = f.U8(12);
    row.nLength = f.I16(13);
    row.nPrecision = f.U8(15);
    row.nScale = f.U8(16);
    row.nStatus = f.U32(21);
    row.nDefaultId = f.I32(41);
    row.nRuleId = f.I32(45);
    auto strName = Name(record, 0);
    if (!f.bOk || !strName)
        return std::nullopt;
    row.strName = std::move(*strName);
    return row;
}

std::optional<SIndexRow> CatalogRows::Index(const CRecord& record) {
    SFields f{record.FixedView()};
    SIndexRow row;
    row.nObjectId = f.I32(4);
    row.nIndexId = f.I32(8);
    row.nStatus = f.U32(12);
    row.nType = f.U8(21);
    row.nRowsetId = f.U64(31);
    if (!f.bOk)
        return std::nullopt;
    // A heap's row has no name.
    row.strName = Name(record, 0).value_or(std::string());
    return row;
}

std::optional<SIndexColumnRow> CatalogRows::IndexColumn(const CRecord& record) {
    SFields f{record.FixedView()};
    SIndexColumnRow row;
    row.nObjectId = f.I32(4);
    row.nIndexId = f.I32(8);
    row.nIndexColumnId = f.I32(12);
    row.nStatus = f.U32(16);
    row.nColumnId = f.I32(20);
    row.nKeyOrdinal = f.U8(24);
    if (!f.bOk)
        return std::nullopt;
    return row;
}

std::optional<SClassObjectRow> CatalogRows::ClassObject(const CRecord& record) {
    SFields f{record.FixedView()};
    SClassObjectRow row;
    row.nClass = f.U8(4);
    row.nId = f.I32(5);
    auto strName = Name(record, 0);
    if (!f.bOk || !strName)
        return std::nullopt;
    row.strName = std::move(*strName);
    return row;
}

std::optional<SObjectRefRow> CatalogRows::ObjectRef(const CRecord& record) {
    SFields f{record.FixedView()};
    SObjectRefRow row;
    row.nClass = f.U8(4);
    row.nDependentId = f.I32(5);
    row.nDependentSubId = f.I32(9);
    row.nIndependentId = f.I32(13);
    row.nIndependentSubId = f.I32(17);
    row.nStatus = f.U32(21);
    if (!f.bOk)
        return std::nullopt;
    return row;
}

std::optional<SPhysicalColumnRow> CatalogRows::RsCol(const CRecord& record) {
    SFields f{record.FixedView()};
    SPhysicalColumnRow row;
    row.nRowsetId = f.U64(4);
    row.nColumnId = f.I32(12);
    row.nPhysicalId = f.I32(16);
    row.nTypeId = static_cast<std::uint8_t>(f.U32(28) & 0xFF);
    row.nKeyOrdinal = f.I16(36);
    row.nLeafOffset = Low16(f.I32(44));
    row.nNullBit = static_cast<std::uint16_t>(Low16(f.I32(48)));
    row.nBitPos = f.U16(52);
    if (!f.bOk)
        return std::nullopt;
    return row;
}

std::optional<SPhysicalColumnRow> CatalogRows::HobtColumn(const CRecord& record) {
    SFields f{record.FixedView()};
    SPhysicalColumnRow row;
    row.nRowsetId = f.U64(4);
    row.nPhysicalId = f.I32(12);
    row.nKeyOrdinal = f.I16(20);
    row.nTypeId = f.U8(22);
    row.nLeafOffset = f.I16(31);
    row.nBitPos = f.U16(35);
    row.nNullBit = f.U16(37);
    if (!f.bOk)
        return std::nullopt;
    return row;
}

std::optional<SRowsetColumnRow> CatalogRows::RowsetColumn(const CRecord& record) {
    SFields f{record.FixedView()};
    SRowsetColumnRow row;
    row.nRowsetId = f.U64(4);
    row.nColumnId = f.I32(12);
    row.nPhysicalId = f.I32(16);
    if (!f.bOk)
        return std::nullopt;
    return row;
}

std::optional<SObjectValueRow> CatalogRows::ObjectValue(const CRecord& record) {
    SFields f{record.FixedView()};
    SObjectValueRow row;
    row.nValueClass = f.U8(4);
    row.nObjectId = f.I32(5);
    row.nSubObjectId = f.I32(9);
    row.nValueNumber = f.I32(13);
    if (!f.bOk)
        return std::nullopt;
    // imageval is the second variable column; NULL (bitmap) or not stored means no image.
    constexpr std::size_t kImageIndex = 1;
    constexpr std::size_t kImageNullBit = 5;  // valclass, objid, subobjid, valnum, value, imageval
    if (record.VariableCount() > kImageIndex &&
        !(kImageNullBit < record.ColumnCount() && record.NullBit(kImageNullBit))) {
        row.bHasImage = true;
        row.bImageComplex = record.IsComplex(kImageIndex);
        row.image = record.Variable(kImageIndex);
    }
    return row;
}

}  // namespace format2005
