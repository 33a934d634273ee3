// common/GuidText.cpp
#include "common/GuidText.h"

#include <cstdint>

std::string GuidText(std::span<const std::byte> bytes) {
    if (bytes.size() < 16)
        return {};
    static constexpr char kDigits[] = "0123456789ABCDEF";
    // Byte order of each printed position: Data1, Data2 and Data3 are little-endian.
    static constexpr int kOrder[16] = {3, 2, 1, 0, 5, 4, 7, 6, 8, 9, 10, 11, 12, 13, 14, 15};
    std::string strText = "{";
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            strText.push_back('-');
        auto n = static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(kOrder[i])]);
        strText.push_back(kDigits[n >> 4]);
        strText.push_back(kDigits[n & 0xF]);
    }
    strText.push_back('}');
    return strText;
}
