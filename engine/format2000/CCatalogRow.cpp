// engine/format2000/CCatalogRow.cpp
#include "engine/format2000/CCatalogRow.h"

#include <algorithm>

namespace {
constexpr std::uint8_t kVariableColumnsBit = 0x20;
constexpr std::uint16_t kComplexColumnBit = 0x8000;  // the entry holds a text pointer
constexpr std::size_t kMaxColumns = 1024;
}  // namespace

CCatalogRow::CCatalogRow(const CByteView& dataArea, std::size_t nRow)
    : m_dataArea(dataArea), m_nRow(nRow) {
    auto nStatus = dataArea.U8(nRow);
    auto nFixedEnd = dataArea.U16(nRow + 2);
    if (!nStatus || !nFixedEnd || *nFixedEnd < 4)
        return;
    auto nColumns = dataArea.U16(nRow + *nFixedEnd);
    if (!nColumns || *nColumns > kMaxColumns)
        return;
    if ((*nStatus & kVariableColumnsBit) == 0) {
        m_bValid = true;  // no variable block: nothing stored
        return;
    }
    const std::size_t nBitmap = std::max<std::size_t>(1, (*nColumns + 7u) / 8u);
    const std::size_t nCountAt = *nFixedEnd + 2u + nBitmap;
    auto nVariable = dataArea.U16(nRow + nCountAt);
    if (!nVariable || *nVariable > *nColumns || !dataArea.Has(nRow + nCountAt + 2, 2u * *nVariable))
        return;
    m_nEndsAt = nCountAt + 2;
    m_nVariableCount = *nVariable;
    m_bValid = true;
}

std::optional<std::span<const std::byte>> CCatalogRow::Variable(std::size_t nIndex) const {
    if (!m_bValid || nIndex >= m_nVariableCount)
        return std::nullopt;
    const std::size_t nDataStart = m_nEndsAt + 2 * m_nVariableCount;
    std::size_t nStart = nDataStart;
    if (nIndex > 0) {
        auto nPrevious = m_dataArea.U16(m_nRow + m_nEndsAt + 2 * (nIndex - 1));
        if (!nPrevious)
            return std::nullopt;
        nStart = *nPrevious & ~kComplexColumnBit;
    }
    auto nEndRaw = m_dataArea.U16(m_nRow + m_nEndsAt + 2 * nIndex);
    if (!nEndRaw)
        return std::nullopt;
    const std::size_t nEnd = *nEndRaw & ~kComplexColumnBit;
    if (nStart < nDataStart || nEnd < nStart)
        return std::nullopt;
    return m_dataArea.Slice(m_nRow + nStart, nEnd - nStart);
}
