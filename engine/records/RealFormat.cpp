// engine/records/RealFormat.cpp
#include "engine/records/RealFormat.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdio>

std::string FormatExponent3(double dValue) {
    char szBuffer[512];
    int nLength = std::snprintf(szBuffer, sizeof szBuffer, "%e", dValue);
    if (nLength <= 0)
        return {};
    std::string strText(szBuffer, static_cast<std::size_t>(nLength));
    // C libraries outside Windows print two exponent digits; the grid has always shown three.
    auto nE = strText.find('e');
    if (nE == std::string::npos || nE + 2 > strText.size())
        return strText;  // inf, nan
    std::size_t nDigits = strText.size() - (nE + 2);
    if (nDigits < 3)
        strText.insert(nE + 2, 3 - nDigits, '0');
    return strText;
}

std::string FormatRealBits(std::uint32_t nBits) {
    return FormatExponent3(static_cast<double>(std::bit_cast<float>(nBits)));
}

std::string RealLiteral(std::uint32_t nBits) {
    float fValue = std::bit_cast<float>(nBits);
    if (!std::isfinite(fValue))
        return FormatRealBits(nBits);
    char szBuffer[64];
    auto result =
        std::to_chars(szBuffer, szBuffer + sizeof szBuffer, fValue, std::chars_format::scientific);
    return std::string(szBuffer, result.ptr);
}

std::string FloatLiteral(double dValue) {
    if (!std::isfinite(dValue))
        return FormatExponent3(dValue);
    char szBuffer[64];
    auto result =
        std::to_chars(szBuffer, szBuffer + sizeof szBuffer, dValue, std::chars_format::scientific);
    return std::string(szBuffer, result.ptr);
}
