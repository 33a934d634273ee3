// engine/records/RealFormat.h
#pragma once

#include <cstdint>
#include <string>

#include "common/Export.h"

// Text of a stored `real` value: the bit pattern read as an IEEE single, printed like "%e" with a
// three-digit exponent (1.500000e+000).
AMBERMILL_API std::string FormatRealBits(std::uint32_t nBits);
// A double printed like "%e" with an exponent of at least three digits.
AMBERMILL_API std::string FormatExponent3(double dValue);
// Shortest scientific text that reads back as the same value ("1.5e+00"), for INSERT literals.
// Infinity and NaN, which no literal can hold, fall back to the "%e" text.
AMBERMILL_API std::string RealLiteral(std::uint32_t nBits);
AMBERMILL_API std::string FloatLiteral(double dValue);
