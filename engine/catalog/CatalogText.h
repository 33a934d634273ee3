// engine/catalog/CatalogText.h
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "common/Export.h"

// Text conversions of the catalog readers. The engine works in 8-bit text: names and texts stored
// as UTF-16 keep only the low byte of each code unit.
namespace CatalogText {
// Low byte of every UTF-16 code unit (the bytes at even positions).
AMBERMILL_API std::string LowBytes(std::span<const std::byte> bytes);
// Every byte that is not zero, in order.
AMBERMILL_API std::string NonZeroBytes(std::span<const std::byte> bytes);
// Every byte that is neither 0 nor 1, in order.
AMBERMILL_API std::string NonZeroOrOneBytes(std::span<const std::byte> bytes);
// True when a UTF-16 name holds a character above 255 in its first two code units (the second
// or the fourth raw byte is not zero).
AMBERMILL_API bool LooksUnicode(std::span<const std::byte> bytes);
// Removes leading and trailing blanks, tabs, CR and LF.
AMBERMILL_API std::string Trim(std::string strText);
}  // namespace CatalogText
