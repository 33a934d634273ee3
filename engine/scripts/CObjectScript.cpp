// engine/scripts/CObjectScript.cpp
#include "engine/scripts/CObjectScript.h"

#include "common/ExecutionLog.h"
#include "common/OdbcConnection.h"
#include "common/ScriptFile.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/scripts/SqlText.h"

CScriptFile* CObjectScript::ScriptFile(const CSQLServerEngine& engine, EObjectKind eKind) {
    switch (eKind) {
        case EObjectKind::View:
            return engine.m_hViewsFile;
        case EObjectKind::Procedure:
            return engine.m_hProcFile;
        case EObjectKind::Rule:
            return engine.m_hRulesFile;
        case EObjectKind::Trigger:
            return engine.m_hTriggersFile;
        case EObjectKind::Function:
            return engine.m_hFunctionsFile;
    }
    return nullptr;
}

const char* CObjectScript::KindName(EObjectKind eKind) {
    switch (eKind) {
        case EObjectKind::View:
            return "view";
        case EObjectKind::Procedure:
            return "stored procedure";
        case EObjectKind::Rule:
            return "rule";
        case EObjectKind::Trigger:
            return "trigger";
        case EObjectKind::Function:
            return "function";
    }
    return "object";
}

void CObjectScript::Generate(CSQLServerEngine& engine, CViewStoredProc* pObject,
                             EObjectKind eKind) {
    if (!pObject)
        return;
    CEngineStatus& status = *engine.m_pStatus;
    // An object of a schema other than dbo names it, and its schema is made first.
    std::string strText = SqlText::WithSchema(pObject->m_strText, pObject->m_strSchema) + "\r\n";
    const std::string strSchema = SqlText::EnsureSchema(pObject->m_strSchema);
    if (engine.m_bDirectExport) {
        try {
            if (!engine.m_pDatabase)
                throw COdbcError("no database connection");
            if (!strSchema.empty())
                engine.m_pDatabase->Execute(strSchema);
            engine.m_pDatabase->Execute(strText);
            // Functions are not counted: the export runs their stage twice so that functions
            // calling later ones are created on the second pass.
            if (eKind != EObjectKind::Function)
                ++status.m_nExportedRecords;
        } catch (const COdbcError& error) {
            // Every kind is reported: an object that silently failed would look exported.
            ++status.m_nFailedRecords;
            CExecutionLog::WriteLog(1, 0,
                                    std::string("Failed to create ") + KindName(eKind) + " " +
                                        pObject->m_strName + " : " + error.what() + " : " + strText,
                                    true);
        }
        return;
    }
    if (CScriptFile* pFile = ScriptFile(engine, eKind)) {
        if (!strSchema.empty())
            pFile->Write(strSchema + "\r\ngo\r\n");
        pFile->Write(strText + "\r\ngo\r\n");
    }
}
