// engine/format2005/CTypeInfo.cpp
#include "engine/format2005/CTypeInfo.h"

#include "engine/records/CTypeTable.h"

namespace format2005 {

std::string CTypeInfo::Name(std::uint8_t nTypeId) {
    // A CLR type has no name of its own: its type row names it.
    return nTypeId == kTypeClr ? std::string() : CTypeTable::LaterTypeName(nTypeId);
}

bool CTypeInfo::IsVariable(std::uint8_t nTypeId) {
    switch (nTypeId) {
        case kTypeVarChar:
        case kTypeNVarChar:
        case kTypeVarBinary:
        case kTypeText:
        case kTypeNText:
        case kTypeImage:
        case kTypeXml:
        case kTypeSqlVariant:
        case kTypeClr:
            return true;
        default:
            return false;
    }
}

bool CTypeInfo::IsTextPointerType(std::uint8_t nTypeId) {
    return nTypeId == kTypeText || nTypeId == kTypeNText || nTypeId == kTypeImage;
}

bool CTypeInfo::IsDateTime2008(std::uint8_t nTypeId) {
    return nTypeId >= kTypeDate && nTypeId <= kTypeDateTimeOffset;
}

}  // namespace format2005
