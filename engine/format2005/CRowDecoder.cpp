// engine/format2005/CRowDecoder.cpp
#include "engine/format2005/CRowDecoder.h"

#include <algorithm>
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
            plan.eAction = EAction::Sparse;
            plan.nSize = FixedSize(column);
            plan.nSparseIndex = m_vecSparseValues.size();
            plan.bSparseVariable = CTypeInfo::IsVariable(column.nTypeId);
            m_vecSparseIds.emplace_back(column.nColumnId, i);
            m_vecSparseValues.emplace_back();
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
    if (!m_vecSparseValues.empty()) {
        std::sort(m_vecSparseIds.begin(), m_vecSparseIds.end());
        m_nSparseVector = partition.nSparseVector;
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
    // Only a table with sparse columns pays for its vector.
    std::span<const std::byte> sparse;
    if (!m_vecSparseValues.empty())
        sparse = SplitSparseVector(record, nPage, nSlot, damage);
    for (std::size_t i = 0; i < nPlans; ++i) {
        const SPlan& plan = pPlans[i];
        switch (plan.eAction) {
            case EAction::Sparse: {
                const SSparseValue& value = m_vecSparseValues[plan.nSparseIndex];
                fnValue(i, value.eState, false,
                        value.eState == EValueState::Value
                            ? sparse.subspan(value.nStart, value.nSize)
                            : std::span<const std::byte>());
                continue;
            }
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
            damage.Add(EDamage::ValueCorrupt, nPage, nSlot, m_table.nObjectId, 0,
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

void CRowDecoder::MarkSparseCorrupt() {
    for (SSparseValue& value : m_vecSparseValues)
        value.eState = EValueState::Corrupt;
}

std::span<const std::byte> CRowDecoder::SplitSparseVector(const CRecord& record,
                                                          std::uint32_t nPage, std::uint16_t nSlot,
                                                          CDamageList& damage) {
    for (SSparseValue& value : m_vecSparseValues)
        value = SSparseValue();
    // No vector (the variable columns end before it): every sparse column is NULL.
    if (m_nSparseVector == 0 || m_nSparseVector > record.VariableCount())
        return {};
    const CByteView vector(record.Variable(m_nSparseVector - 1));
    if (vector.Size() == 0)
        return {};
    auto report = [&](const std::string& strWhat) {
        damage.Add(EDamage::ValueCorrupt, nPage, nSlot, m_table.nObjectId, vector.Size(), strWhat);
    };
    // A 2-byte complex header, the count, then a column id and an end offset per value; the
    // offsets count from the start of the vector.
    constexpr std::size_t kHeader = 4;
    const auto nKind = vector.U16(0);
    const auto nCount = vector.U16(2);
    if (!nKind || *nKind != CLobReader::kKindSparseVector || !nCount) {
        report("sparse vector: not a sparse vector (header " + std::to_string(nKind ? *nKind : 0) +
               ")");
        MarkSparseCorrupt();
        return {};
    }
    const std::size_t nValues = *nCount;
    const std::size_t nDataStart = kHeader + 4 * nValues;
    if (!vector.Has(0, nDataStart)) {
        report("sparse vector: " + std::to_string(nValues) + " values do not fit its " +
               std::to_string(vector.Size()) + " bytes");
        MarkSparseCorrupt();
        return {};
    }
    std::size_t nStart = nDataStart;
    bool bOrderBroken = false;
    for (std::size_t n = 0; n < nValues; ++n) {
        const auto nColumnId = static_cast<std::int32_t>(vector.Load(kHeader + 2 * n, 2));
        const auto nEnd = static_cast<std::size_t>(vector.Load(kHeader + 2 * nValues + 2 * n, 2));
        const auto it = std::lower_bound(m_vecSparseIds.begin(), m_vecSparseIds.end(),
                                         std::make_pair(nColumnId, std::size_t{0}));
        const SPlan* pPlan = nullptr;
        SSparseValue* pValue = nullptr;
        // Named only when something is reported: a sound row builds no text.
        auto column = [&] {
            return pPlan != nullptr ? pPlan->pColumn->strName
                                    : "column id " + std::to_string(nColumnId);
        };
        if (it != m_vecSparseIds.end() && it->first == nColumnId) {
            pPlan = &m_vecPlans[it->second];
            pValue = &m_vecSparseValues[pPlan->nSparseIndex];
            if (pValue->eState != EValueState::Null) {
                report("sparse vector: " + column() + " given twice");
                pValue->eState = EValueState::Corrupt;
                pValue = nullptr;
            }
        } else {
            report("sparse vector: " + column() + " is not a sparse column of the table");
        }
        // Once one end is out of order or past the vector, the ends after it prove nothing.
        if (bOrderBroken || nEnd < nStart || nEnd > vector.Size()) {
            if (!bOrderBroken)
                report("sparse vector: " + column() + " ends at " + std::to_string(nEnd) +
                       ", outside " + std::to_string(nStart) + ".." +
                       std::to_string(vector.Size()));
            bOrderBroken = true;
            if (pValue != nullptr)
                pValue->eState = EValueState::Corrupt;
            continue;
        }
        if (pValue != nullptr) {
            const std::size_t nSize = nEnd - nStart;
            // A fixed type keeps its fixed length in the vector too.
            if (!pPlan->bSparseVariable && nSize != pPlan->nSize) {
                report("sparse vector: " + column() + " has " + std::to_string(nSize) +
                       " bytes, its type " + std::to_string(pPlan->nSize));
                pValue->eState = EValueState::Corrupt;
            } else {
                pValue->eState = EValueState::Value;
                pValue->nStart = nStart;
                pValue->nSize = nSize;
            }
        }
        nStart = nEnd;
    }
    return vector.Bytes();
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
        damage.Add(EDamage::ValueCorrupt, nPage, nSlot, m_table.nObjectId, bytes.size(),
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
