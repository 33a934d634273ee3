// engine/format2005/CRowDecoder.cpp
#include "engine/format2005/CRowDecoder.h"

#include <string>

#include "engine/format2005/CTypeInfo.h"

namespace format2005 {
namespace {
std::string LobDetail(const SColumn& column, const CLobReader& lob) {
    std::string strDetail = column.strName + ": " + lob.Detail();
    if (lob.DamagePage() != kNoPage)
        strDetail += " (page " + std::to_string(lob.DamagePage()) + ")";
    return strDetail;
}
}  // namespace

CRowDecoder::CRowDecoder(const STable& table, const SPartition& partition, CLobReader& lob)
    : m_table(table), m_partition(partition), m_lob(lob) {}

std::size_t CRowDecoder::FixedSize(const SColumn& column) {
    if (column.nTypeId == kTypeBit)
        return 1;
    return column.nLength > 0 ? static_cast<std::size_t>(column.nLength) : 0;
}

void CRowDecoder::Decode(const CRecord& record, std::uint32_t nPage, std::uint16_t nSlot,
                         SRawRow& row, CDamageList& damage) {
    const std::size_t nColumns = m_table.vecColumns.size();
    row.vecValues.resize(nColumns);
    row.nPage = nPage;
    row.nSlot = nSlot;
    for (std::size_t i = 0; i < nColumns; ++i) {
        const SColumn& column = m_table.vecColumns[i];
        const SColumnPlace& place = m_partition.vecPlaces[i];
        SRawValue& value = row.vecValues[i];
        value.nTypeId = column.nTypeId;
        value.bOffRow = false;
        value.vecBytes.clear();
        if (column.bSparse) {
            // Sparse values live in the row's sparse vector, which is not decoded.
            value.eState = EValueState::NotDecoded;
            continue;
        }
        if (!place.bStored) {
            value.eState = EValueState::NotStored;
            continue;
        }
        // A column added after the row was written lies beyond the row's column count.
        if (place.nNullBit != 0) {
            const std::size_t nBit = place.nNullBit - 1u;
            if (nBit >= record.ColumnCount() || record.NullBit(nBit)) {
                value.eState = EValueState::Null;
                continue;
            }
        }
        if (place.IsVariable())
            DecodeVariable(record, column, place, value, nPage, nSlot, damage);
        else
            DecodeFixed(record, column, place, value, nPage, nSlot, damage);
    }
}

void CRowDecoder::DecodeFixed(const CRecord& record, const SColumn& column,
                              const SColumnPlace& place, SRawValue& value, std::uint32_t nPage,
                              std::uint16_t nSlot, CDamageList& damage) {
    const std::size_t nSize = FixedSize(column);
    auto bytes = record.FixedView().Slice(static_cast<std::size_t>(place.nLeafOffset), nSize);
    if (!bytes || place.nLeafOffset < static_cast<std::int16_t>(CRecord::kFixedStart)) {
        value.eState = EValueState::Corrupt;
        damage.Add(EDamage::RecordDamaged, nPage, nSlot, m_table.nObjectId, 0,
                   column.strName + ": fixed column outside the fixed part");
        return;
    }
    value.eState = EValueState::Value;
    if (column.nTypeId == kTypeBit) {
        const auto nByte = static_cast<std::uint8_t>((*bytes)[0]);
        value.vecBytes.push_back(static_cast<std::byte>((nByte >> (place.nBitPos & 7)) & 1));
        return;
    }
    value.vecBytes.assign(bytes->begin(), bytes->end());
}

void CRowDecoder::DecodeVariable(const CRecord& record, const SColumn& column,
                                 const SColumnPlace& place, SRawValue& value, std::uint32_t nPage,
                                 std::uint16_t nSlot, CDamageList& damage) {
    const std::size_t nIndex = place.VariableIndex();
    if (nIndex >= record.VariableCount()) {
        value.eState = EValueState::Null;  // trailing NULL variable columns are not stored
        return;
    }
    if (column.nTypeId == kTypeDecimal || column.nTypeId == kTypeNumeric) {
        // A variable decimal is the vardecimal storage format, not sign and magnitude.
        value.eState = EValueState::NotDecoded;
        return;
    }
    std::span<const std::byte> bytes = record.Variable(nIndex);
    if (!record.IsComplex(nIndex)) {
        value.eState = EValueState::Value;
        value.vecBytes.assign(bytes.begin(), bytes.end());
        return;
    }

    value.bOffRow = true;
    if (!m_bReadBinaryLobs && (column.nTypeId == kTypeImage || column.nTypeId == kTypeVarBinary ||
                               column.nTypeId == kTypeClr)) {
        value.eState = EValueState::NotRead;
        return;
    }
    ELobStatus eStatus = ELobStatus::Unreadable;
    const auto nKind = bytes.empty() ? 0 : static_cast<std::uint8_t>(bytes[0]);
    if (CTypeInfo::IsTextPointerType(column.nTypeId) &&
        bytes.size() == CLobReader::kTextPointerSize) {
        eStatus = m_lob.ReadTextPointer(bytes, value.vecBytes);
    } else if (nKind == CLobReader::kKindLobRoot || nKind == CLobReader::kKindRowOverflow) {
        eStatus = m_lob.ReadInRowRoot(bytes, value.vecBytes);
    } else {
        value.eState = EValueState::Corrupt;
        damage.Add(EDamage::RecordDamaged, nPage, nSlot, m_table.nObjectId, bytes.size(),
                   column.strName + ": complex column of kind " + std::to_string(nKind));
        return;
    }
    switch (eStatus) {
        case ELobStatus::Ok:
            value.eState = EValueState::Value;
            return;
        case ELobStatus::Truncated:
            value.eState = EValueState::Truncated;
            damage.Add(EDamage::LobTruncated, nPage, nSlot, m_table.nObjectId, 0,
                       LobDetail(column, m_lob));
            return;
        case ELobStatus::Unreadable:
            value.eState = EValueState::Unreadable;
            value.vecBytes.clear();
            damage.Add(EDamage::LobUnreadable, nPage, nSlot, m_table.nObjectId, 0,
                       LobDetail(column, m_lob));
            return;
    }
}

}  // namespace format2005
