// engine/format2005/CValueConverter.cpp
#include "engine/format2005/CValueConverter.h"

#include "engine/format2005/CTypeInfo.h"
#include "engine/records/CValueDecoder.h"
#include "engine/records/CValueFormat.h"

namespace format2005 {
namespace {
// A sql_variant value: base type id, version, then the properties of its type.
constexpr std::size_t kVariantHeader = 2;

std::size_t VariantPropertyBytes(std::uint8_t nTypeId) {
    switch (nTypeId) {
        case kTypeDecimal:
        case kTypeNumeric:
            return 2;  // precision, scale
        case kTypeBinary:
        case kTypeVarBinary:
            return 2;  // maximum length
        case kTypeChar:
        case kTypeVarChar:
        case kTypeNChar:
        case kTypeNVarChar:
            return 7;  // maximum length, collation
        case kTypeTime:
        case kTypeDateTime2:
        case kTypeDateTimeOffset:
            return 1;  // fractional digits
        default:
            return 0;
    }
}
}  // namespace

std::string CValueConverter::BaseTypeName(const SColumn& column) {
    if (column.nTypeId == kTypeClr)
        return CTypeTable::ClrTypeName(column.strType);
    return column.strType;
}

CColumnInfo CValueConverter::ColumnInfo(const SColumn& column) {
    CColumnInfo info;
    info.m_strName = column.strName;
    info.m_strType = BaseTypeName(column);
    info.m_strUserType = column.strUserType.empty() ? info.m_strType : column.strUserType;
    info.m_nOrder = static_cast<std::uint16_t>(column.nColumnId);
    // (max) and xml keep -1 in the catalog: the model keeps it as the largest length and the
    // marker.
    info.m_nLength = static_cast<std::uint16_t>(column.nLength);
    info.m_bMax =
        column.IsMax() && (column.nTypeId == kTypeVarChar || column.nTypeId == kTypeNVarChar ||
                           column.nTypeId == kTypeVarBinary);
    info.m_nPrecision = column.nPrecision;
    info.m_nScale = column.nScale;
    info.m_bNullable = column.bNullable;
    info.m_bIdentity = column.bIdentity;
    info.m_bSparse = column.bSparse;
    info.m_bColumnSet = column.bColumnSet;
    if (column.bIdentity && column.bHasIdentityValues) {
        info.m_nIdentitySeed = column.nIdentitySeed;
        info.m_nIdentityIncrement = column.nIdentityIncrement;
    }
    return info;
}

CValueConverter::CValueConverter(const STable& table) {
    m_vecPlans.reserve(table.vecColumns.size());
    for (const SColumn& column : table.vecColumns) {
        SPlan& plan = m_vecPlans.emplace_back();
        plan.column = ColumnInfo(column);
        plan.eType = CTypeTable::Classify(plan.column.m_strType);
        plan.bVariable = CTypeInfo::IsVariable(column.nTypeId);
        // Types whose size follows the declared length ask for no more than they are given.
        plan.nMinSize = CTypeTable::FixedSize(plan.eType, 0);
        const bool bSpecial = plan.eType == EColumnType::Xml ||
                              plan.eType == EColumnType::SqlVariant ||
                              plan.eType == EColumnType::Clr || plan.eType == EColumnType::Bit;
        if (!bSpecial)
            plan.eRoute = plan.bVariable ? ERoute::InRow : ERoute::Fixed;
    }
}

void CValueConverter::Variant(std::span<const std::byte> bytes, CTypedValue& out) {
    if (bytes.size() < kVariantHeader)
        return out.SetKind(EValueKind::Corrupt);
    const auto nBase = static_cast<std::uint8_t>(bytes[0]);
    const std::size_t nProperties = VariantPropertyBytes(nBase);
    if (bytes.size() < kVariantHeader + nProperties)
        return out.SetKind(EValueKind::Corrupt);
    CColumnInfo column;
    column.m_strType = CTypeTable::LaterTypeName(nBase);
    if (column.m_strType.empty() || nBase == kTypeXml || nBase == kTypeSqlVariant)
        return out.SetKind(EValueKind::NotDecoded);
    if (nBase == kTypeDecimal || nBase == kTypeNumeric) {
        column.m_nPrecision = static_cast<std::uint8_t>(bytes[2]);
        column.m_nScale = static_cast<std::uint8_t>(bytes[3]);
    } else if (nProperties == 1) {
        column.m_nScale = static_cast<std::uint8_t>(bytes[2]);
    }
    const std::span<const std::byte> value = bytes.subspan(kVariantHeader + nProperties);
    const EColumnType eType = CTypeTable::Classify(column.m_strType);
    if (CTypeInfo::IsVariable(nBase)) {
        if (value.empty())
            return out.SetKind(EValueKind::EmptyString);
        return CValueDecoder::InRow(eType, value, out);
    }
    if (nBase == kTypeBit)
        return value.empty() ? out.SetKind(EValueKind::Corrupt)
                             : out.SetInteger(static_cast<std::uint8_t>(value[0]) & 1);
    if (value.size() < CTypeTable::FixedSize(eType, value.size()) || value.empty())
        return out.SetKind(EValueKind::Corrupt);
    CValueDecoder::Fixed(eType, value, column, out);
}

void CValueConverter::Convert(std::size_t nColumn, const SRawValue& raw, CTypedValue& out) const {
    Convert(nColumn, raw.eState, raw.bOffRow, raw.vecBytes, out);
}

void CValueConverter::ConvertOther(const SPlan& plan, EValueState eState, bool bOffRow,
                                   std::span<const std::byte> bytes, CTypedValue& out) const {
    switch (eState) {
        case EValueState::Null:
            // As in the 2000 reader, the grid shows a column's default text in place of NULL.
            return out.SetKind(EValueKind::Null, true);
        case EValueState::NotStored:
            return out.SetKind(EValueKind::Formula);
        case EValueState::Corrupt:
            return out.SetKind(EValueKind::Corrupt);
        case EValueState::Unreadable:
            return out.SetKind(EValueKind::Missing, true);
        case EValueState::NotDecoded:
            return out.SetKind(EValueKind::NotDecoded);
        case EValueState::NotRead:
            return out.SetKind(EValueKind::LargeValue);
        case EValueState::Value:
        case EValueState::Truncated:
            break;
    }
    switch (plan.eType) {
        case EColumnType::Xml:
            return out.SetKind(EValueKind::NotDecoded);
        case EColumnType::SqlVariant:
            return Variant(bytes, out);
        case EColumnType::Clr:
            return out.SetBytes(EValueKind::Binary, bytes, !bOffRow);
        default:
            break;
    }
    if (plan.bVariable) {
        if (bOffRow)
            return CValueDecoder::FromPointer(plan.eType, bytes, out);
        if (bytes.empty())
            return out.SetKind(EValueKind::EmptyString);
        return CValueDecoder::InRow(plan.eType, bytes, out);
    }
    if (plan.eType == EColumnType::Bit)  // the row decoder took the bit out of its byte
        return bytes.empty() ? out.SetKind(EValueKind::Corrupt)
                             : out.SetInteger(static_cast<std::uint8_t>(bytes[0]) & 1);
    if (bytes.empty() || bytes.size() < plan.nMinSize)
        return out.SetKind(EValueKind::Corrupt);
    CValueDecoder::Fixed(plan.eType, bytes, plan.column, out);
}

void CValueConverter::Convert(const SRawRow& raw, SDecodedRow& out) const {
    out.vecValues.resize(m_vecPlans.size());
    for (std::size_t i = 0; i < m_vecPlans.size() && i < raw.vecValues.size(); ++i)
        Convert(i, raw.vecValues[i], out.vecValues[i]);
    out.bDeleted = raw.bGhost;
    out.nEnd = 0;
}

std::string CValueConverter::GridText(const SColumn& column, const SRawValue& value) {
    STable table;
    table.vecColumns.push_back(column);
    CValueConverter converter(table);
    CTypedValue typed;
    converter.Convert(0, value, typed);
    return CValueFormat::GridText(typed, SColumnFormat::Of(ColumnInfo(column)));
}

}  // namespace format2005
