// engine/format2005/CTypeInfo.cpp
#include "engine/format2005/CTypeInfo.h"

#include "engine/records/CTypeTable.h"

namespace format2005 {

std::string CTypeInfo::Name(std::uint8_t nTypeId) {
    switch (nTypeId) {
        case kTypeDate:
            return "date";
        case kTypeTime:
            return "time";
        case kTypeDateTime2:
            return "datetime2";
        case kTypeDateTimeOffset:
            return "datetimeoffset";
        case kTypeXml:
            return "xml";
        case kTypeClr:
            return {};
        default:
            // The types SQL Server 2000 already had keep their names and ids.
            return CTypeTable::TypeName(nTypeId);
    }
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
