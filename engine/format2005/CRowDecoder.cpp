// engine/format2005/CRowDecoder.cpp
#include "engine/format2005/CRowDecoder.h"

#include <string>

#include "engine/format2005/CTypeInfo.h"
#include "engine/format2005/CValueConverter.h"
#include "engine/records/SDecodedRow.h"

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
    : m_table(table), m_lob(lob) {
    m_vecPlans.reserve(table.vecColumns.size());
    for (std::size_t i = 0; i < table.vecColumns.size(); ++i) {
        const SColumn& column = table.vecColumns[i];
        SPlan& plan = m_vecPlans.emplace_back();
        plan.pColumn = &column;
        if (column.bSparse) {
            plan.eAction = EAction::NotDecoded;
            continue;
        }
        if (i >= partition.vecPlaces.size() || !partition.vecPlaces[i].bStored) {
            plan.eAction = EAction::NotStored;
            continue;
        }
        const SColumnPlace& place = partition.vecPlaces[i];
        plan.nNullBit = place.nNullBit;
        if (place.IsVariable()) {
            plan.eAction = EAction::Variable;
            plan.nVarIndex = place.VariableIndex();
            plan.bVarDecimal = column.nTypeId == kTypeDecimal || column.nTypeId == kTypeNumeric;
            plan.bTextPointer = CTypeInfo::IsTextPointerType(column.nTypeId);
            plan.bBinaryLob = column.nTypeId == kTypeImage || column.nTypeId == kTypeVarBinary ||
                              column.nTypeId == kTypeClr;
            continue;
        }
        plan.eAction = column.nTypeId == kTypeBit ? EAction::Bit : EAction::Fixed;
        plan.nOffset = static_cast<std::size_t>(place.nLeafOffset);
        plan.nSize = FixedSize(column);
        plan.bBadOffset = place.nLeafOffset < static_cast<std::int16_t>(CRecord::kFixedStart);
        plan.nBitShift = place.nBitPos & 7;
    }
}

std::size_t CRowDecoder::FixedSize(const SColumn& column) {
    if (column.nTypeId == kTypeBit)
        return 1;
    return column.nLength > 0 ? static_cast<std::size_t>(column.nLength) : 0;
}

template <class FBuffer, class FValue>
void CRowDecoder::Values(const CRecord& record, std::uint32_t nPage, std::uint16_t nSlot,
                         CDamageList& damage, FBuffer&& fnBuffer, FValue&& fnValue) {
    // The record's parts once per row, in locals: the calls for each value cannot change them.
    const CByteView fixed = record.FixedView();
    const CByteView nullBitmap = record.NullBitmap();
    const std::size_t nColumns = record.ColumnCount();
    const std::size_t nVariables = record.VariableCount();
    const std::size_t nPlans = m_vecPlans.size();
    const SPlan* pPlans = m_vecPlans.data();
    for (std::size_t i = 0; i < nPlans; ++i) {
        const SPlan& plan = pPlans[i];
        switch (plan.eAction) {
            case EAction::NotDecoded:
                fnValue(i, EValueState::NotDecoded, false, std::span<const std::byte>());
                continue;
            case EAction::NotStored:
                fnValue(i, EValueState::NotStored, false, std::span<const std::byte>());
                continue;
            default:
                break;
        }
        // A column added after the row was written lies beyond the row's column count.
        if (plan.nNullBit != 0) {
            const std::size_t nBit = plan.nNullBit - 1u;
            if (nBit >= nColumns || CRecord::NullBit(nullBitmap, nBit)) {
                fnValue(i, EValueState::Null, false, std::span<const std::byte>());
                continue;
            }
        }
        if (plan.eAction == EAction::Variable) {
            if (plan.nVarIndex >= nVariables) {
                // Trailing NULL variable columns are not stored.
                fnValue(i, EValueState::Null, false, std::span<const std::byte>());
            } else if (plan.bVarDecimal) {
                // A variable decimal is the vardecimal storage format, not sign and magnitude.
                fnValue(i, EValueState::NotDecoded, false, std::span<const std::byte>());
            } else if (!record.IsComplex(plan.nVarIndex)) {
                fnValue(i, EValueState::Value, false, record.Variable(plan.nVarIndex));
            } else {
                std::vector<std::byte>& buffer = fnBuffer(i);
                buffer.clear();
                const EValueState eState =
                    ReadOffRow(plan, record.Variable(plan.nVarIndex), buffer, nPage, nSlot, damage);
                fnValue(i, eState, true, std::span<const std::byte>(buffer));
            }
            continue;
        }
        if (plan.bBadOffset || !fixed.Has(plan.nOffset, plan.nSize)) {
            damage.Add(EDamage::RecordDamaged, nPage, nSlot, m_table.nObjectId, 0,
                       plan.pColumn->strName + ": fixed column outside the fixed part");
            fnValue(i, EValueState::Corrupt, false, std::span<const std::byte>());
            continue;
        }
        if (plan.eAction == EAction::Bit) {
            const auto nByte = static_cast<std::uint8_t>(fixed.Load(plan.nOffset, 1));
            const std::byte bit{static_cast<std::uint8_t>((nByte >> plan.nBitShift) & 1)};
            fnValue(i, EValueState::Value, false, std::span<const std::byte>(&bit, 1));
            continue;
        }
        fnValue(i, EValueState::Value, false, fixed.Bytes().subspan(plan.nOffset, plan.nSize));
    }
}

EValueState CRowDecoder::ReadOffRow(const SPlan& plan, std::span<const std::byte> bytes,
                                    std::vector<std::byte>& buffer, std::uint32_t nPage,
                                    std::uint16_t nSlot, CDamageList& damage) {
    if (!m_bReadBinaryLobs && plan.bBinaryLob)
        return EValueState::NotRead;
    const SColumn& column = *plan.pColumn;
    ELobStatus eStatus = ELobStatus::Unreadable;
    const auto nKind = bytes.empty() ? 0 : static_cast<std::uint8_t>(bytes[0]);
    if (plan.bTextPointer && bytes.size() == CLobReader::kTextPointerSize) {
        eStatus = m_lob.ReadTextPointer(bytes, buffer);
    } else if (nKind == CLobReader::kKindLobRoot || nKind == CLobReader::kKindRowOverflow) {
        eStatus = m_lob.ReadInRowRoot(bytes, buffer);
    } else {
        damage.Add(EDamage::RecordDamaged, nPage, nSlot, m_table.nObjectId, bytes.size(),
                   column.strName + ": complex column of kind " + std::to_string(nKind));
        return EValueState::Corrupt;
    }
    switch (eStatus) {
        case ELobStatus::Ok:
            return EValueState::Value;
        case ELobStatus::Truncated:
            damage.Add(EDamage::LobTruncated, nPage, nSlot, m_table.nObjectId, 0,
                       LobDetail(column, m_lob));
            return EValueState::Truncated;
        case ELobStatus::Unreadable:
            break;
    }
    buffer.clear();
    damage.Add(EDamage::LobUnreadable, nPage, nSlot, m_table.nObjectId, 0,
               LobDetail(column, m_lob));
    return EValueState::Unreadable;
}

void CRowDecoder::Decode(const CRecord& record, std::uint32_t nPage, std::uint16_t nSlot,
                         SRawRow& row, CDamageList& damage) {
    row.vecValues.resize(m_vecPlans.size());
    row.nPage = nPage;
    row.nSlot = nSlot;
    Values(
        record, nPage, nSlot, damage,
        [&](std::size_t i) -> std::vector<std::byte>& { return row.vecValues[i].vecBytes; },
        [&](std::size_t i, EValueState eState, bool bOffRow, std::span<const std::byte> bytes) {
            SRawValue& value = row.vecValues[i];
            value.eState = eState;
            value.nTypeId = m_vecPlans[i].pColumn->nTypeId;
            value.bOffRow = bOffRow;
            // An off-row value was read into its own bytes already.
            if (!bOffRow || bytes.empty())
                value.vecBytes.assign(bytes.begin(), bytes.end());
        });
}

void CRowDecoder::Decode(const CRecord& record, std::uint32_t nPage, std::uint16_t nSlot,
                         const CValueConverter& converter, SDecodedRow& row, CDamageList& damage) {
    row.vecValues.resize(m_vecPlans.size());
    Values(
        record, nPage, nSlot, damage,
        [&](std::size_t) -> std::vector<std::byte>& { return m_vecLobBytes; },
        [&](std::size_t i, EValueState eState, bool bOffRow, std::span<const std::byte> bytes) {
            converter.Convert(i, eState, bOffRow, bytes, row.vecValues[i]);
        });
}

}  // namespace format2005
