// engine/records/RealFormat.h
#pragma once

#include <cstdint>
#include <string>

// Text of a stored `real` value: the bit pattern read as an IEEE single, printed like "%e" with a
// three-digit exponent (1.500000e+000).
std::string FormatRealBits(std::uint32_t nBits);
// A double printed like "%e" with an exponent of at least three digits.
std::string FormatExponent3(double dValue);
// Shortest scientific text that reads back as the same value ("1.5e+00"), for INSERT literals.
// Infinity and NaN, which no literal can hold, fall back to the "%e" text.
std::string RealLiteral(std::uint32_t nBits);
std::string FloatLiteral(double dValue);
