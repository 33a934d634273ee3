// common/Crc32.cpp
#include "common/Crc32.h"

#include <array>

namespace {
constexpr std::array<std::uint32_t, 256> MakeTable() {
    std::array<std::uint32_t, 256> arrTable{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t nValue = n;
        for (int k = 0; k < 8; ++k)
            nValue = (nValue & 1) ? (0xEDB88320u ^ (nValue >> 1)) : (nValue >> 1);
        arrTable[n] = nValue;
    }
    return arrTable;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();
}  // namespace

void CCrc32::Update(std::span<const std::byte> bytes) {
    std::uint32_t nState = m_nState;
    for (std::byte b : bytes)
        nState = kTable[(nState ^ static_cast<std::uint8_t>(b)) & 0xFF] ^ (nState >> 8);
    m_nState = nState;
}

std::uint32_t CCrc32::Of(std::span<const std::byte> bytes) {
    CCrc32 crc;
    crc.Update(bytes);
    return crc.Value();
}
