// engine/format2005/CTypeInfo.h
#pragma once

#include <cstdint>
#include <string>

namespace format2005 {

// System type ids of the 2005+ formats (syscolpars.xtype).
inline constexpr std::uint8_t kTypeImage = 34;
inline constexpr std::uint8_t kTypeText = 35;
inline constexpr std::uint8_t kTypeUniqueIdentifier = 36;
inline constexpr std::uint8_t kTypeDate = 40;
inline constexpr std::uint8_t kTypeTime = 41;
inline constexpr std::uint8_t kTypeDateTime2 = 42;
inline constexpr std::uint8_t kTypeDateTimeOffset = 43;
inline constexpr std::uint8_t kTypeTinyInt = 48;
inline constexpr std::uint8_t kTypeSmallInt = 52;
inline constexpr std::uint8_t kTypeInt = 56;
inline constexpr std::uint8_t kTypeSmallDateTime = 58;
inline constexpr std::uint8_t kTypeReal = 59;
inline constexpr std::uint8_t kTypeMoney = 60;
inline constexpr std::uint8_t kTypeDateTime = 61;
inline constexpr std::uint8_t kTypeFloat = 62;
inline constexpr std::uint8_t kTypeSqlVariant = 98;
inline constexpr std::uint8_t kTypeNText = 99;
inline constexpr std::uint8_t kTypeBit = 104;
inline constexpr std::uint8_t kTypeDecimal = 106;
inline constexpr std::uint8_t kTypeNumeric = 108;
inline constexpr std::uint8_t kTypeSmallMoney = 122;
inline constexpr std::uint8_t kTypeBigInt = 127;
inline constexpr std::uint8_t kTypeVarBinary = 165;
inline constexpr std::uint8_t kTypeVarChar = 167;
inline constexpr std::uint8_t kTypeBinary = 173;
inline constexpr std::uint8_t kTypeChar = 175;
inline constexpr std::uint8_t kTypeTimestamp = 189;
inline constexpr std::uint8_t kTypeNVarChar = 231;
inline constexpr std::uint8_t kTypeNChar = 239;
inline constexpr std::uint8_t kTypeClr = 240;  // hierarchyid, geometry, geography, CLR types
inline constexpr std::uint8_t kTypeXml = 241;

// What the readers need to know of a type id.
class CTypeInfo {
  public:
    // Name of a system type ("nvarchar", "datetime2"); empty for an unknown id. A CLR type (240)
    // has no name of its own: its user type names it.
    static std::string Name(std::uint8_t nTypeId);
    // Stored in the row's variable block.
    static bool IsVariable(std::uint8_t nTypeId);
    // Always held through a 16-byte text pointer when stored off-row (text, ntext, image).
    static bool IsTextPointerType(std::uint8_t nTypeId);
    // The 2008 date and time types.
    static bool IsDateTime2008(std::uint8_t nTypeId);
};

}  // namespace format2005
