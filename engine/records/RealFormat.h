// engine/records/RealFormat.h
#pragma once

#include <cstdint>
#include <string>

// Text of a stored `real` value: the bit pattern read as an IEEE single, printed like "%e" with a
// three-digit exponent (1.500000e+000).
std::string FormatRealBits(std::uint32_t nBits);
