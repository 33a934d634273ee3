// engine/scripts/CUserTypeScript.cpp
#include "engine/scripts/CUserTypeScript.h"

#include "common/ExecutionLog.h"
#include "common/OdbcConnection.h"
#include "common/ScriptFile.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/records/CTypeTable.h"
#include "engine/scripts/SqlText.h"

std::string CUserTypeScript::Statement(const CUserType& type) {
    std::string strStatement = "sp_addtype " + SqlText::Bracket(type.m_strName) + ",";
    // The names of the later formats' types too: a 2000 file never stores their ids.
    std::string strBase = CTypeTable::LaterTypeName(type.m_nBaseType);
    if (!CTypeTable::HasSize(strBase)) {
        strStatement += " " + strBase;
    } else {
        std::string strSize = type.m_nLength > 8000 ? "max"
                              : (strBase == "nvarchar" && type.m_nLength > 3999)
                                  ? "4000"
                                  : std::to_string(type.m_nLength);
        strStatement += " '" + strBase + "(" + strSize + ")' ";
    }
    return strStatement;
}

void CUserTypeScript::Generate(CSQLServerEngine& engine) {
    CEngineStatus& status = *engine.m_pStatus;
    for (const auto& [strKey, pType] : engine.m_mapUserTypes) {
        std::string strStatement = Statement(*pType);
        if (engine.m_bDirectExport) {
            if (!engine.m_pDatabase)
                continue;
            try {
                engine.m_pDatabase->Execute(strStatement);
                ++status.m_nExportedRecords;
            } catch (const COdbcError& error) {
                // A failed type is reported, not dropped silently: tables using it will fail too.
                ++status.m_nFailedRecords;
                CExecutionLog::WriteLog(1, 0, strStatement + " : " + error.what(), true);
            }
        } else if (engine.m_hUserTypesFile) {
            engine.m_hUserTypesFile->Write(strStatement + "\r\ngo\r\n");
        }
    }
    if (!engine.m_bDirectExport && engine.m_hUserTypesFile)
        engine.m_hUserTypesFile->Close();
}
