// engine/catalog/CatalogText.cpp
#include "engine/catalog/CatalogText.h"

namespace CatalogText {

std::string LowBytes(std::span<const std::byte> bytes) {
    std::string strText;
    strText.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i < bytes.size(); i += 2)
        strText.push_back(static_cast<char>(bytes[i]));
    return strText;
}

std::string NonZeroBytes(std::span<const std::byte> bytes) {
    std::string strText;
    strText.reserve(bytes.size());
    for (std::byte b : bytes) {
        if (b != std::byte{0})
            strText.push_back(static_cast<char>(b));
    }
    return strText;
}

std::string NonZeroOrOneBytes(std::span<const std::byte> bytes) {
    std::string strText;
    for (std::byte b : bytes) {
        if (b != std::byte{0} && b != std::byte{1})
            strText.push_back(static_cast<char>(b));
    }
    return strText;
}

bool LooksUnicode(std::span<const std::byte> bytes) {
    return (bytes.size() > 1 && bytes[1] != std::byte{0}) ||
           (bytes.size() > 3 && bytes[3] != std::byte{0});
}

std::string Trim(std::string strText) {
    const char* kBlanks = " \t\r\n";
    auto nFirst = strText.find_first_not_of(kBlanks);
    if (nFirst == std::string::npos)
        return {};
    auto nLast = strText.find_last_not_of(kBlanks);
    return strText.substr(nFirst, nLast - nFirst + 1);
}

}  // namespace CatalogText
