// engine/records/CValueRenderer.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "engine/records/CFieldValue.h"

class CColumnInfo;

// Column types as the renderer tells them apart; resolved once per column from the type name.
enum class EColumnType : std::uint8_t {
    Int,  // int, and any fixed type without a rule of its own
    Real,
    Float,
    BigInt,
    Char,
    NChar,
    Bit,
    Datetime,
    SmallDatetime,
    Timestamp,
    SqlVariant,
    Decimal,  // decimal and numeric
    Money,
    SmallMoney,
    Binary,
    Guid,
    TinyInt,
    SmallInt,
    Varchar,
    NVarchar,
    Text,
    NText,
    Image,
    VarBinary,
    Xml,
};

// Turns stored column bytes into the text the grid shows (browse) or the text an INSERT literal
// is made from (statement mode).
class CValueRenderer {
  public:
    static EColumnType Classify(std::string_view strType);
    // Stored in the row's variable block.
    static bool IsVariable(EColumnType eType);
    // Bytes a fixed column of this type occupies; nDeclared for types sized by the column.
    static std::size_t FixedSize(EColumnType eType, std::size_t nDeclared);

    // A non-NULL fixed-length value. bytes holds FixedSize() bytes (for bit, the shared byte).
    static CFieldValue RenderFixed(EColumnType eType, std::span<const std::byte> bytes,
                                   const CColumnInfo& column, bool bStatement);
    // A non-empty variable-length value stored in the row.
    static CFieldValue RenderInRow(EColumnType eType, std::span<const std::byte> bytes,
                                   bool bStatement);
    // The same two, written into out: a value reused row after row keeps its text buffer.
    static void RenderFixedInto(EColumnType eType, std::span<const std::byte> bytes,
                                const CColumnInfo& column, bool bStatement, CFieldValue& out);
    static void RenderInRowInto(EColumnType eType, std::span<const std::byte> bytes,
                                bool bStatement, CFieldValue& out);
    // Whether a value behind a text pointer is read at all (the grid shows binary values as
    // "<binary data>" without reading them).
    static bool ReadsPointer(EColumnType eType, bool bStatement);
    // A value read through a text pointer.
    static CFieldValue RenderFromPointer(EColumnType eType, std::span<const std::byte> bytes,
                                         bool bStatement);

    static std::string HexText(std::span<const std::byte> bytes);
    // "1900-01-01 0:00:00"; with bMilliseconds ".mmm" is added (1/300 s ticks rounded to ms).
    static std::string DatetimeText(std::int32_t nDays, std::int32_t nTicks, bool bMilliseconds);
    static std::string SmallDatetimeText(std::uint16_t nDays, std::uint16_t nMinutes);
    // Sign, at least nPrecision digits (zero-padded) and the scale's digits after the point.
    static std::string FixedPointText(bool bNegative, unsigned __int128 nMagnitude, int nPrecision,
                                      int nScale);
};
