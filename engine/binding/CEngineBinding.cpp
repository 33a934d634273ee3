// engine/binding/CEngineBinding.cpp
#include "engine/binding/CEngineBinding.h"

#include "engine/binding/EngineFactories.h"

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
    const SFormatInfo* pInfo = CFormatTable::ByVersionText(strVersion);
    return pInfo ? Create(pInfo->eFormat) : nullptr;
}
