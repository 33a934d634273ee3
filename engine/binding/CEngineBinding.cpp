// engine/binding/CEngineBinding.cpp
#include "engine/binding/CEngineBinding.h"

#include "engine/core/CSQLServer2000.h"
#include "engine/stand_in/CSQLServer2005.h"
#include "engine/stand_in/CSQLServer2008.h"

std::unique_ptr<CSQLServerEngine> CEngineBinding::Create(EEngineFormat eFormat) {
    switch (eFormat) {
        case EEngineFormat::SQL2000:
            return CreateSQLServer2000Engine();
        case EEngineFormat::SQL2005:
            return CreateSQLServer2005Engine();
        case EEngineFormat::SQL2008:
            return CreateSQLServer2008Engine();
        case EEngineFormat::Unknown:
            break;
    }
    return nullptr;
}

std::unique_ptr<CSQLServerEngine> CEngineBinding::CreateForVersionText(
    const std::string& strVersion) {
    if (strVersion == "2000")
        return Create(EEngineFormat::SQL2000);
    if (strVersion == "2005")
        return Create(EEngineFormat::SQL2005);
    if (strVersion == "2008")
        return Create(EEngineFormat::SQL2008);
    return nullptr;
}
