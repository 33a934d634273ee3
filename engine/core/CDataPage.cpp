// engine/core/CDataPage.cpp
#include "engine/core/CDataPage.h"

std::uint16_t CDataPage::SlotEntry(std::uint32_t nSlot) const {
    std::size_t nBack = 2 + 2 * static_cast<std::size_t>(nSlot);
    if (nBack > kPageSize - kPageHeaderSize)
        return 0;
    return *View().U16(kPageSize - nBack);
}

std::uint16_t CDataPage::RepairedSlotEntry(std::uint32_t nSlot, bool bGridRule) const {
    constexpr std::uint16_t kRowStart = 0x30;
    constexpr std::uint16_t kLowestGridLowByte = 105;
    const std::uint16_t nEntry = SlotEntry(nSlot);
    if (nSlot != 0 || nEntry == kPageHeaderSize)
        return nEntry;
    const std::uint16_t nLow = nEntry & 0xFF;
    if (nLow == kPageHeaderSize)
        return kPageHeaderSize;
    if (bGridRule && (nEntry >> 8) == 1 && nLow > kLowestGridLowByte) {
        auto nByte = View().U8(nEntry);
        if (nByte && *nByte != kRowStart)
            return nLow;
    }
    return nEntry;
}

std::optional<std::uint16_t> CDataPage::AcceptedRowOffset(std::uint32_t nSlot) const {
    const std::uint16_t nOffset = RepairedSlotEntry(nSlot);
    if (nOffset < kPageHeaderSize || nOffset >= kPageSize)
        return std::nullopt;
    return nOffset;
}

void CDataPage::RestoreTornBits() {
    // Saved bits of 0 are still saved bits: every sector end then gets 00 back. Skipping them
    // would leave the server's 01/10 write pattern in one byte of every sector.
    const std::uint32_t nBits = TornBits();
    if ((Flags() & kTornBitsFlag) == 0)
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
