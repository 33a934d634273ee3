// engine/records/CTypeTable.h
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The column types of the format by system type id, and the groups of type names that row
// decoding, rendering and the scripts test against. Names compare as exact, case-sensitive text.
class CTypeTable {
  public:
    // Name of a type id (only the low 8 bits count); empty for an unknown id.
    static std::string TypeName(std::uint32_t nTypeId);

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
};
