// engine/records/CValueDecoder.h
#pragma once

#include <cstddef>
#include <span>

#include "common/Export.h"
#include "engine/records/CTypeTable.h"
#include "engine/records/CTypedValue.h"

class CColumnInfo;

// Stored column bytes to typed values. Every value is decoded the same way whoever shows it; only
// whether a binary value behind a text pointer is read at all is the caller's choice.
class AMBERMILL_API CValueDecoder {
  public:
    // A non-NULL fixed-length value. bytes holds CTypeTable::FixedSize() bytes (for bit, the
    // byte the table's bit columns share).
    static void Fixed(EColumnType eType, std::span<const std::byte> bytes,
                      const CColumnInfo& column, CTypedValue& out);
    // A non-empty value stored in the row's variable block.
    static void InRow(EColumnType eType, std::span<const std::byte> bytes, CTypedValue& out);
    // A value read through a text pointer (bytes is empty when nothing could be read).
    static void FromPointer(EColumnType eType, std::span<const std::byte> bytes, CTypedValue& out);
    // Whether the value behind a text pointer is read: the grid shows varbinary and image values
    // as "<binary data>" and leaves them unread (bFollowBinary false).
    static bool ReadsPointer(EColumnType eType, bool bFollowBinary);
};
