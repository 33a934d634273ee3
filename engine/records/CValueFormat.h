// engine/records/CValueFormat.h
#pragma once

#include <cstddef>
#include <span>
#include <string>

#include "common/Export.h"
#include "engine/records/CTypeTable.h"
#include "engine/records/CTypedValue.h"

class CColumnInfo;

// What the formatters need of a column, worked out once per column.
struct AMBERMILL_API SColumnFormat {
    EColumnType eType = EColumnType::Int;
    bool bNullable = true;
    bool bSkipped = false;   // deleted, computed or a column set: never in a statement
    std::string strDefault;  // the grid shows it in place of a defaultable NULL
    std::string strConvert;  // "CONVERT(nvarchar(n),0x" for Unicode columns

    static SColumnFormat Of(const CColumnInfo& column);
};

// How a value reads in data output for programs (JSON, CSV). A PlainString holds no control
// character, quote, comma or backslash, so it needs no quoting in CSV and no escaping in JSON.
enum class EDataForm : std::uint8_t { Null, Number, String, PlainString };

// Typed values to text. Three forms: the grid text (what the record grid shows, markers
// included), the SQL literal of an INSERT statement, and data text for programs.
class AMBERMILL_API CValueFormat {
  public:
    // Appends the text the record grid shows.
    static void AppendGridText(const CTypedValue& value, const SColumnFormat& column,
                               std::string& strOut);
    static std::string GridText(const CTypedValue& value, const SColumnFormat& column);
    // True when the grid shows the value as NULL (a row of nothing else is not shown).
    static bool IsGridNull(const CTypedValue& value, const SColumnFormat& column);

    // Appends the text an INSERT literal is made from: numbers, fixed-point and date texts, hex
    // digits of binary and Unicode values, unquoted text. Nothing for markers.
    static void AppendSqlText(const CTypedValue& value, EColumnType eType, std::string& strOut);
    static std::string SqlText(const CTypedValue& value, EColumnType eType);
    // Appends the INSERT literal; false (nothing appended) when the statement leaves the column
    // out, so that the server supplies its default or NULL. bScript: the statement goes to a
    // script that osql or sqlcmd runs, so no line of a text value may read as a runner's command
    // (see SqlText::AppendQuoted).
    static bool AppendSqlLiteral(const CTypedValue& value, const SColumnFormat& column,
                                 std::string& strOut, bool bScript = false);

    // Appends data text: numbers with their exact digits (floats in the shortest text that reads
    // back to the same value), datetimes in ISO 8601, GUIDs as 8-4-4-4-12 text, binary as "0x"
    // and hex digits, text as UTF-8 (8-bit text read as Windows-1252). Null for markers.
    static EDataForm AppendDataText(const CTypedValue& value, EColumnType eType,
                                    std::string& strOut);

    // Two lower-case hex digits per byte.
    static void AppendHex(std::span<const std::byte> bytes, std::string& strOut);
};
