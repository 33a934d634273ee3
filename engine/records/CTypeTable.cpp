// engine/records/CTypeTable.cpp
#include "engine/records/CTypeTable.h"

#include <array>
#include <utility>

namespace {
using namespace std::string_view_literals;

constexpr std::array<std::pair<std::uint8_t, std::string_view>, 25> kTypes{{
    {34, "image"sv},         {35, "text"sv},        {36, "uniqueidentifier"sv},
    {48, "tinyint"sv},       {52, "smallint"sv},    {56, "int"sv},
    {58, "smalldatetime"sv}, {59, "real"sv},        {60, "money"sv},
    {61, "datetime"sv},      {62, "float"sv},       {98, "sql_variant"sv},
    {99, "ntext"sv},         {104, "bit"sv},        {106, "decimal"sv},
    {108, "numeric"sv},      {122, "smallmoney"sv}, {127, "bigint"sv},
    {165, "varbinary"sv},    {167, "varchar"sv},    {173, "binary"sv},
    {175, "char"sv},         {189, "timestamp"sv},  {231, "nvarchar"sv},
    {239, "nchar"sv},
}};

template <std::size_t N>
bool OneOf(std::string_view strType, const std::array<std::string_view, N>& names) {
    for (auto name : names) {
        if (name == strType)
            return true;
    }
    return false;
}
}  // namespace

std::string CTypeTable::TypeName(std::uint32_t nTypeId) {
    auto nId = static_cast<std::uint8_t>(nTypeId & 0xFF);
    for (const auto& [nKey, strName] : kTypes) {
        if (nKey == nId)
            return std::string(strName);
    }
    return {};
}

std::string CTypeTable::LaterTypeName(std::uint32_t nTypeId) {
    switch (nTypeId & 0xFF) {
        case 40:
            return "date";
        case 41:
            return "time";
        case 42:
            return "datetime2";
        case 43:
            return "datetimeoffset";
        case 241:
            return "xml";
        default:
            return TypeName(nTypeId);
    }
}

std::string CTypeTable::ClrTypeName(std::string_view strTypeName) {
    if (OneOf(strTypeName, std::array{"hierarchyid"sv, "geometry"sv, "geography"sv}))
        return std::string(strTypeName);
    return "clr";
}

bool CTypeTable::IsVariableLength(std::string_view s) {
    return OneOf(s, std::array{"varchar"sv, "nvarchar"sv, "ntext"sv, "text"sv, "image"sv,
                               "varbinary"sv, "xml"sv});
}
bool CTypeTable::IsCharacter(std::string_view s) {
    return OneOf(s,
                 std::array{"varchar"sv, "nvarchar"sv, "ntext"sv, "text"sv, "char"sv, "nchar"sv});
}
bool CTypeTable::IsUnicode(std::string_view s) {
    return OneOf(s, std::array{"nvarchar"sv, "ntext"sv, "nchar"sv});
}
bool CTypeTable::IsQuoted(std::string_view s) {
    return OneOf(s, std::array{"varchar"sv, "text"sv, "image"sv, "datetime"sv, "char"sv, "nchar"sv,
                               "uniqueidentifier"sv});
}
bool CTypeTable::IsLargeObject(std::string_view s) {
    return OneOf(s, std::array{"text"sv, "ntext"sv, "image"sv});
}
bool CTypeTable::HasSize(std::string_view s) {
    return OneOf(
        s, std::array{"varchar"sv, "char"sv, "nvarchar"sv, "nchar"sv, "varbinary"sv, "binary"sv});
}
bool CTypeTable::HasFractionalDigits(std::string_view s) {
    return OneOf(s, std::array{"time"sv, "datetime2"sv, "datetimeoffset"sv});
}

namespace {
constexpr std::array<std::pair<std::string_view, EColumnType>, 34> kColumnTypes{{
    {"int"sv, EColumnType::Int},
    {"real"sv, EColumnType::Real},
    {"float"sv, EColumnType::Float},
    {"bigint"sv, EColumnType::BigInt},
    {"char"sv, EColumnType::Char},
    {"nchar"sv, EColumnType::NChar},
    {"bit"sv, EColumnType::Bit},
    {"datetime"sv, EColumnType::Datetime},
    {"smalldatetime"sv, EColumnType::SmallDatetime},
    {"timestamp"sv, EColumnType::Timestamp},
    {"sql_variant"sv, EColumnType::SqlVariant},
    {"decimal"sv, EColumnType::Decimal},
    {"numeric"sv, EColumnType::Decimal},
    {"money"sv, EColumnType::Money},
    {"smallmoney"sv, EColumnType::SmallMoney},
    {"binary"sv, EColumnType::Binary},
    {"uniqueidentifier"sv, EColumnType::Guid},
    {"tinyint"sv, EColumnType::TinyInt},
    {"smallint"sv, EColumnType::SmallInt},
    {"varchar"sv, EColumnType::Varchar},
    {"nvarchar"sv, EColumnType::NVarchar},
    {"text"sv, EColumnType::Text},
    {"ntext"sv, EColumnType::NText},
    {"image"sv, EColumnType::Image},
    {"varbinary"sv, EColumnType::VarBinary},
    {"xml"sv, EColumnType::Xml},
    {"date"sv, EColumnType::Date},
    {"time"sv, EColumnType::Time},
    {"datetime2"sv, EColumnType::DateTime2},
    {"datetimeoffset"sv, EColumnType::DateTimeOffset},
    {"hierarchyid"sv, EColumnType::Clr},
    {"geometry"sv, EColumnType::Clr},
    {"geography"sv, EColumnType::Clr},
    {"clr"sv, EColumnType::Clr},
}};
}  // namespace

EColumnType CTypeTable::Classify(std::string_view strType) {
    for (const auto& [strName, eType] : kColumnTypes) {
        if (strName == strType)
            return eType;
    }
    return EColumnType::Int;
}

bool CTypeTable::IsVariable(EColumnType eType) {
    switch (eType) {
        case EColumnType::Varchar:
        case EColumnType::NVarchar:
        case EColumnType::Text:
        case EColumnType::NText:
        case EColumnType::Image:
        case EColumnType::VarBinary:
        case EColumnType::Xml:
            return true;
        default:
            return false;
    }
}

bool CTypeTable::IsCharacter(EColumnType e) {
    return e == EColumnType::Varchar || e == EColumnType::NVarchar || e == EColumnType::NText ||
           e == EColumnType::Text || e == EColumnType::Char || e == EColumnType::NChar;
}

bool CTypeTable::IsUnicode(EColumnType e) {
    return e == EColumnType::NVarchar || e == EColumnType::NText || e == EColumnType::NChar;
}

std::size_t CTypeTable::FixedSize(EColumnType eType, std::size_t nDeclared) {
    switch (eType) {
        case EColumnType::Real:
        case EColumnType::SmallDatetime:
        case EColumnType::SmallMoney:
            return 4;
        case EColumnType::Float:
        case EColumnType::BigInt:
        case EColumnType::Datetime:
        case EColumnType::Money:
        case EColumnType::Timestamp:
            return 8;
        case EColumnType::Guid:
            return 16;
        case EColumnType::Bit:
        case EColumnType::TinyInt:
            return 1;
        case EColumnType::SmallInt:
            return 2;
        case EColumnType::Int:
            return nDeclared < 4 ? nDeclared : 4;
        case EColumnType::SqlVariant:
            return 0;
        default:
            return nDeclared;
    }
}
