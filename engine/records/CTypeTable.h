// engine/records/CTypeTable.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/Export.h"

// Column types as row decoding and the value formatters tell them apart; resolved once per column
// from the type name.
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
    // The types of the 2005 and later formats.
    Date,
    Time,
    DateTime2,
    DateTimeOffset,
    Clr,  // hierarchyid, geometry, geography and other CLR types: their bytes
};

// The column types of the format by system type id, and the groups of type names that row
// decoding, rendering and the scripts test against. Names compare as exact, case-sensitive text.
class AMBERMILL_API CTypeTable {
  public:
    static EColumnType Classify(std::string_view strType);
    // Stored in the row's variable block.
    static bool IsVariable(EColumnType eType);
    // Bytes a fixed column of this type occupies; nDeclared for types sized by the column.
    static std::size_t FixedSize(EColumnType eType, std::size_t nDeclared);
    // varchar, nvarchar, ntext, text, char, nchar.
    static bool IsCharacter(EColumnType eType);
    // nvarchar, ntext, nchar.
    static bool IsUnicode(EColumnType eType);

    // Name of a type id (only the low 8 bits count); empty for an unknown id.
    static std::string TypeName(std::uint32_t nTypeId);
    // Name of a type id of the 2005 and later formats: the names above and date (40), time (41),
    // datetime2 (42), datetimeoffset (43) and xml (241). Empty for an unknown id and for a CLR
    // type (240), which its own type row names.
    static std::string LaterTypeName(std::uint32_t nTypeId);
    // The base type name a CLR type's column is classified by: hierarchyid, geometry and
    // geography keep their names, any other CLR type is "clr".
    static std::string ClrTypeName(std::string_view strTypeName);

    // varchar, nvarchar, ntext, text, image, varbinary, xml: stored in the variable block.
    static bool IsVariableLength(std::string_view strType);
    // varchar, nvarchar, ntext, text, char, nchar.
    static bool IsCharacter(std::string_view strType);
    // nvarchar, ntext, nchar.
    static bool IsUnicode(std::string_view strType);
    // varchar, text, image, datetime, char, nchar, uniqueidentifier.
    static bool IsQuoted(std::string_view strType);
    // text, ntext, image: always through a text pointer.
    static bool IsLargeObject(std::string_view strType);
    // varchar, char, nvarchar, nchar, varbinary, binary: declared with a size.
    static bool HasSize(std::string_view strType);
    // time, datetime2, datetimeoffset: declared with their fractional digits.
    static bool HasFractionalDigits(std::string_view strType);
};
