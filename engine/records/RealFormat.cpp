// engine/records/RealFormat.cpp
#include "engine/records/RealFormat.h"

std::string FormatRealBits(std::uint32_t) { return "0.000000e+000"; }
