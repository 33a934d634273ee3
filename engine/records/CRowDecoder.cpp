// engine/records/CRowDecoder.cpp
#include "engine/records/CRowDecoder.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "engine/catalog/CTable.h"
#include "engine/core/SDamage.h"
#include "engine/records/CSlotWalker.h"
#include "engine/records/CTextPointerReader.h"
#include "engine/records/CValueDecoder.h"

namespace {
constexpr std::uint16_t kMaxRowOffset = 8192;
constexpr std::uint16_t kBitmapOnlyStatus = 0x0010;
constexpr std::uint16_t kPointerBit = 0x8000;
constexpr std::uint32_t kMaxInRowLength = 0x2000;
constexpr std::uint16_t kMaxStoredColumns = 1000;
constexpr std::uint32_t kTextPointerThreshold = 10000;
constexpr std::uint32_t kLongRootLength = 8040;

// Size of the pointer structure at nPos, without following it.
std::size_t PointerSize(const CByteView& data, std::size_t nPos) {
    auto nFirst = data.U32(nPos);
    if (!nFirst || *nFirst >= kTextPointerThreshold)
        return CTextPointerReader::kTextPointerSize;
    auto nLength = data.U32(nPos + 12);
    if (nLength && *nLength >= kLongRootLength)
        return CTextPointerReader::kLongInRowRootSize;
    return CTextPointerReader::kInRowRootSize;
}
}  // namespace

CRowDecoder::CRowDecoder(const CTable& table, std::string strFileName, SOptions options)
    : m_table(table), m_strFileName(std::move(strFileName)), m_options(options) {
    m_vecPlans.reserve(table.m_vecColumns.size());
    m_vecFormats.reserve(table.m_vecColumns.size());
    for (const CColumnInfo& column : table.m_vecColumns) {
        m_vecFormats.push_back(SColumnFormat::Of(column));
        SColumnPlan plan;
        plan.pColumn = &column;
        plan.eType = m_vecFormats.back().eType;
        plan.nNullIndex = static_cast<int>(column.m_nOrder) - 1;
        bool bVariable = CTypeTable::IsVariable(plan.eType);
        if (column.IsComputed()) {
            plan.eAction = EAction::Formula;
        } else if (column.m_bDeleted) {
            // Which stored entry belonged to a dropped variable column is not recorded anywhere
            // reliable, so dropped columns of every type show "Deleted".
            plan.eAction = EAction::Deleted;
        } else if (bVariable) {
            plan.eAction = EAction::Variable;
            plan.nVarIndex = -static_cast<int>(column.m_nOffset) - 1;
        } else if (plan.eType == EColumnType::SqlVariant) {
            plan.eAction = EAction::Variant;
        } else {
            plan.eAction = EAction::Fixed;
            plan.nSize = CTypeTable::FixedSize(plan.eType, column.m_nLength);
            plan.nOffset = static_cast<std::size_t>(column.m_nOffset);
            if (column.m_nOffset < 0)
                plan.nOffset = kMaxRowOffset * 2;  // never inside a row
        }
        if (plan.eAction == EAction::Variable && plan.nVarIndex >= 0) {
            auto nIndex = static_cast<std::size_t>(plan.nVarIndex);
            if (m_vecVarSlots.size() <= nIndex)
                m_vecVarSlots.resize(nIndex + 1);
            SVarSlot& slot = m_vecVarSlots[nIndex];
            plan.bFirstUse = !slot.bNeeded;
            if (!slot.bNeeded) {
                slot.nColumn = m_vecPlans.size();
                // The type recorded for the row offset decides how the entry is read.
                char szKey[16];
                std::snprintf(szKey, sizeof szKey, "%hd",
                              static_cast<short>(-(plan.nVarIndex + 1)));
                const std::string* pType = table.VarColumnType(szKey);
                slot.eType = pType ? CTypeTable::Classify(*pType) : plan.eType;
                if (!CTypeTable::IsVariable(slot.eType))
                    slot.eType = plan.eType;
                slot.bNeeded = true;
            }
        }
        m_vecPlans.push_back(plan);
    }
    m_vecVarZeroLength.resize(m_vecVarSlots.size());
}

CRowDecoder::~CRowDecoder() = default;

CTextPointerReader& CRowDecoder::TextReader() {
    if (!m_pTextReader)
        m_pTextReader = std::make_unique<CTextPointerReader>(m_strFileName);
    return *m_pTextReader;
}

void CRowDecoder::MarkCorrupt(const SVarSlot& slot, CTypedValue& out, const char* pszWhat) {
    out.SetKind(EValueKind::Corrupt);
    m_vecValueDamage.push_back(
        SValueDamage{slot.nColumn, EDamageKind::ValueCorrupt,
                     std::string(pszWhat) + "; the value is marked Corrupt"});
}

void CRowDecoder::ReadPointer(const CByteView& data, std::size_t nRunning, const SVarSlot& slot,
                              CTypedValue& out) {
    if (!CValueDecoder::ReadsPointer(slot.eType, m_options.bFollowBinaryPointers))
        return out.SetKind(EValueKind::LargeValue);
    auto rest = data.Slice(nRunning, data.Size() - std::min(nRunning, data.Size()));
    if (!rest)
        return MarkCorrupt(slot, out, "its text pointer lies past the page");
    std::size_t nConsumed = 0;
    CTextPointerReader& reader = TextReader();
    std::vector<std::byte> bytes = reader.ReadPointerBytes(CByteView(*rest), nConsumed);
    if (nConsumed == 0)
        return MarkCorrupt(slot, out, "its text pointer runs off the page");
    CValueDecoder::FromPointer(slot.eType, bytes, out);
    if (!reader.Problem().empty()) {
        m_vecValueDamage.push_back(
            SValueDamage{slot.nColumn, EDamageKind::LargeValue,
                         "the value is not read whole: " + reader.Problem()});
    }
}

void CRowDecoder::DecodeVariable(const CByteView& data, std::size_t nRunning, std::size_t nEnd,
                                 const SVarSlot& slot, CTypedValue& out) {
    auto nLength = static_cast<std::uint32_t>(nEnd) - static_cast<std::uint32_t>(nRunning);
    if (nLength > kMaxInRowLength)
        return MarkCorrupt(slot, out, "its stored length is impossible");
    auto bytes = data.Slice(nRunning, nLength);
    if (!bytes)
        return MarkCorrupt(slot, out, "it would end past the page");
    CValueDecoder::InRow(slot.eType, *bytes, out);
}

const char* CRowDecoder::RejectText(ERowReject eReject) {
    switch (eReject) {
        case ERowReject::None:
            return "decoded";
        case ERowReject::NotWanted:
            return "a deleted row, not asked for";
        case ERowReject::OutsidePage:
            return "the row starts past the page";
        case ERowReject::ZeroStatus:
            return "no row starts there (its status bytes are zero)";
        case ERowReject::HeaderOutside:
            return "the row's column count lies past the page";
        case ERowReject::ColumnCount:
            return "the row's column count is impossible for the table";
        case ERowReject::BitmapOutside:
            return "the row's NULL bitmap runs past the page";
        case ERowReject::VariableBlock:
            return "the row's variable-length column offsets run past the page";
        case ERowReject::FixedOutside:
            return "a fixed-length column of the row lies past the page";
    }
    return "unknown";
}

bool CRowDecoder::Decode(const CByteView& data, std::uint16_t nRowOffset, SDecodedRow& row) {
    if (!m_vecValueDamage.empty())
        m_vecValueDamage.clear();
    m_eReject = ERowReject::None;
    return DecodeRow(data, nRowOffset, row);
}

bool CRowDecoder::Decode(const SSlotVisit& visit, SDecodedRow& row, IDamageSink* pDamage) {
    if (!visit.HasRow()) {
        m_eReject = ERowReject::OutsidePage;
        return false;
    }
    const bool bDecoded = Decode(visit.dataArea, visit.nRowOffset, row);
    // A guessed row need not be there at all: what it reads is no damage of the file.
    if (pDamage != nullptr && visit.eEntry == ESlotEntry::Row &&
        (bDecoded ? !m_vecValueDamage.empty() : m_eReject != ERowReject::NotWanted)) {
        ReportRow(visit, *pDamage);
    }
    return bDecoded;
}

void CRowDecoder::ReportRow(const SSlotVisit& visit, IDamageSink& damage) const {
    if (m_eReject != ERowReject::None) {
        damage.Report(visit.Damage(EDamageKind::RowRejected,
                                   std::string("the row is skipped: ") + RejectText(m_eReject)));
        return;
    }
    for (const SValueDamage& value : m_vecValueDamage) {
        damage.Report(visit.Damage(
            value.eKind,
            "column '" + m_vecPlans[value.nColumn].pColumn->m_strName + "': " + value.strWhat));
    }
}

bool CRowDecoder::DecodeRow(const CByteView& data, std::uint16_t nRowOffset, SDecodedRow& row) {
    auto reject = [&](ERowReject eReject) {
        m_eReject = eReject;
        return false;
    };
    row.nEnd = 0;
    row.bDeleted = false;
    if (nRowOffset > kMaxRowOffset)
        return reject(ERowReject::OutsidePage);
    const std::size_t r = nRowOffset;
    auto nStatusA = data.U8(r);
    auto nStatusB = data.U8(r + 1);
    if (!nStatusA || !nStatusB)
        return reject(ERowReject::OutsidePage);
    const std::uint16_t nStatus = static_cast<std::uint16_t>(*nStatusA | (*nStatusB << 8));
    if (nStatus == 0)
        return reject(ERowReject::ZeroStatus);
    // Record type from bits 1 to 3; 6 and 7 are ghost (deleted) records.
    int nRecordType = ((*nStatusA >> 2) & 1) * 2 + ((*nStatusA >> 3) & 1) * 4;
    row.bDeleted = nRecordType == 6;
    if (row.bDeleted && !m_options.bRecoverDeleted)
        return reject(ERowReject::NotWanted);
    const bool bHasVarBlock = nStatus != kBitmapOnlyStatus;

    auto nFixedEnd = data.U16(r + 2);
    if (!nFixedEnd)
        return reject(ERowReject::HeaderOutside);
    const std::size_t f = *nFixedEnd;
    auto nStored = data.U16(r + f);
    if (!nStored)
        return reject(ERowReject::HeaderOutside);
    const std::uint32_t n = *nStored;
    const auto c = static_cast<std::uint32_t>(std::max(0, m_table.m_nColumns));
    const auto t = static_cast<std::uint32_t>(std::max(0, m_table.m_nAllColumns));
    if (n > c && n != t && !(m_table.m_bHasUniquifier && n == c + 1) && n > kMaxStoredColumns)
        return reject(ERowReject::ColumnCount);

    const std::size_t nBitmapBytes = n < 8 ? 1 : (n + 7) / 8;
    auto bitmap = data.Slice(r + f + 2, nBitmapBytes);
    if (!bitmap)
        return reject(ERowReject::BitmapOutside);
    // Variable block.
    std::uint32_t v = 0;
    const std::size_t nNeeded = m_vecVarSlots.size();
    std::fill(m_vecVarZeroLength.begin(), m_vecVarZeroLength.end(), 0);
    row.vecValues.resize(m_vecPlans.size());
    if (bHasVarBlock) {
        auto nVarCount = data.U16(r + f + 2 + nBitmapBytes);
        if (!nVarCount)
            return reject(ERowReject::VariableBlock);
        v = *nVarCount;
        const std::size_t nOffsets = r + f + 4 + nBitmapBytes;
        if (!data.Has(nOffsets, 2 * static_cast<std::size_t>(v)))
            return reject(ERowReject::VariableBlock);
        std::size_t nRunning = nOffsets + 2 * static_cast<std::size_t>(v);
        for (std::uint32_t i = 0; i < v; ++i) {
            const std::uint16_t nEndRaw = *data.U16(nOffsets + 2 * i);
            const bool bWanted = i < nNeeded && m_vecVarSlots[i].bNeeded;
            if (nEndRaw & kPointerBit) {
                if (bWanted) {
                    ReadPointer(data, nRunning, m_vecVarSlots[i],
                                row.vecValues[m_vecVarSlots[i].nColumn]);
                }
                nRunning += PointerSize(data, nRunning);
                continue;
            }
            const std::size_t nEnd = r + nEndRaw;
            if (bWanted) {
                if (nEnd == nRunning) {
                    m_vecVarZeroLength[i] = 1;
                } else {
                    DecodeVariable(data, nRunning, nEnd, m_vecVarSlots[i],
                                   row.vecValues[m_vecVarSlots[i].nColumn]);
                }
            }
            nRunning = nEnd;
        }
        if (v > 0)
            row.nEnd = static_cast<std::uint16_t>(nRunning);
    }

    // A column the row does not store (added after it was written) is NULL; the others by
    // their bit of the bitmap, which covers every stored column.
    const std::span<const std::byte> nullBits = *bitmap;
    auto isNull = [&](const SColumnPlan& plan) {
        if (plan.nNullIndex < 0)
            return false;
        auto nIndex = static_cast<std::uint32_t>(plan.nNullIndex);
        return nIndex >= n ||
               ((static_cast<std::uint8_t>(nullBits[nIndex / 8]) >> (nIndex % 8)) & 1) != 0;
    };

    for (std::size_t k = 0; k < m_vecPlans.size(); ++k) {
        SColumnPlan& plan = m_vecPlans[k];
        CTypedValue& out = row.vecValues[k];
        switch (plan.eAction) {
            case EAction::Formula:
                out.SetKind(EValueKind::Formula);
                break;
            case EAction::Deleted:
                out.SetKind(EValueKind::Deleted);
                break;
            case EAction::Variant:
                out.SetKind(EValueKind::Null);
                break;
            case EAction::Variable: {
                if (!bHasVarBlock) {
                    out.SetKind(EValueKind::Null);
                } else if (plan.nVarIndex < 0 || static_cast<std::uint32_t>(plan.nVarIndex) >= v) {
                    // Not stored: trailing NULLs are left out of the block, as are columns
                    // added after the row was written. The grid shows the column's default.
                    out.SetKind(isNull(plan) ? EValueKind::Null : EValueKind::Missing, true);
                } else {
                    auto nIndex = static_cast<std::size_t>(plan.nVarIndex);
                    if (m_vecVarZeroLength[nIndex]) {
                        // A zero-length entry is NULL or an empty string; only the bitmap tells.
                        if (isNull(plan))
                            out.SetKind(EValueKind::Null, true);
                        else
                            out.SetKind(EValueKind::EmptyString);
                    } else if (!plan.bFirstUse) {
                        // The entry was decoded into the first column that reads it.
                        out = row.vecValues[m_vecVarSlots[nIndex].nColumn];
                    }
                }
                break;
            }
            case EAction::Fixed: {
                if (isNull(plan)) {
                    out.SetKind(EValueKind::Null, true);
                    break;
                }
                auto bytes = data.Slice(r + plan.nOffset, plan.nSize);
                if (!bytes) {
                    if (plan.eType == EColumnType::Money || plan.eType == EColumnType::SmallMoney) {
                        out.SetInteger(0);
                        m_vecValueDamage.push_back(
                            SValueDamage{k, EDamageKind::ValueCorrupt,
                                         "the value lies past the page; it reads 0"});
                        break;
                    }
                    // The column lies outside the page: the row is not usable.
                    return reject(ERowReject::FixedOutside);
                }
                CValueDecoder::Fixed(plan.eType, *bytes, *plan.pColumn, out);
                break;
            }
        }
    }
    return true;
}
