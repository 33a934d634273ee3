// common/GuidText.h
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "common/Export.h"

// Registry form of a GUID as stored (first three groups little-endian):
// {6F9619FF-8B86-D011-B42D-00C04FC964FF}. Fewer than 16 bytes give an empty text.
AMBERMILL_API std::string GuidText(std::span<const std::byte> bytes);
