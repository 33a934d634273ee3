// engine/core/CDataPage.cpp
#include "engine/core/CDataPage.h"

std::uint16_t CDataPage::SlotEntry(std::uint32_t nSlot) const {
    std::size_t nBack = 2 + 2 * static_cast<std::size_t>(nSlot);
    if (nBack > kPageSize - kPageHeaderSize)
        return 0;
    return *View().U16(kPageSize - nBack);
}

std::optional<std::uint16_t> CDataPage::AcceptedRowOffset(std::uint32_t nSlot) const {
    std::uint16_t nOffset = SlotEntry(nSlot);
    if (nSlot == 0 && nOffset != kPageHeaderSize && (nOffset & 0xFF) == kPageHeaderSize)
        nOffset = kPageHeaderSize;
    if (nOffset < kPageHeaderSize || nOffset >= kPageSize)
        return std::nullopt;
    return nOffset;
}

void CDataPage::RestoreTornBits() {
    std::uint32_t nBits = TornBits();
    if (nBits == 0 || (Flags() & kTornBitsFlag) == 0)
        return;
    // Sector 1 holds the header (and the saved bits themselves), so it is left alone.
    for (std::size_t i = 2; i <= kPageSize / kSectorSize; ++i) {
        std::size_t nPos = i * kSectorSize - 1;
        auto nByte = static_cast<std::uint8_t>(m_arrBytes[nPos]);
        std::uint8_t nLow = static_cast<std::uint8_t>(((nBits >> (2 * i - 2)) & 1) |
                                                      (((nBits >> (2 * i - 1)) & 1) << 1));
        m_arrBytes[nPos] = static_cast<std::byte>((nByte & 0xFC) | nLow);
    }
}
