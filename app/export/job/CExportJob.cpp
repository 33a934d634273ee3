// app/export/job/CExportJob.cpp
#include "app/export/job/CExportJob.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>
#include <system_error>

#include "app/export/job/CBatchRunnerText.h"
#include "app/export/job/CBundleNames.h"
#include "app/export/job/IExportObserver.h"
#include "common/AppPaths.h"
#include "common/ExecutionLog.h"
#include "common/OdbcConnection.h"
#include "common/ScriptFile.h"
#include "common/SettingsFile.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/records/CExportContext.h"
#include "engine/scripts/CConstraintScript.h"
#include "engine/scripts/CTableScript.h"
#include "engine/scripts/SqlText.h"

namespace fs = std::filesystem;

namespace {
void Log(const std::string& strMessage) {
    CExecutionLog::WriteLog(0, 0, strMessage, false);
}

std::string Lower(std::string strText) {
    for (char& ch : strText)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return strText;
}

std::vector<CViewStoredProc*> AllObjects(const COrderedMap<CViewStoredProc>& map) {
    std::vector<CViewStoredProc*> vecObjects;
    for (const auto& [strKey, pObject] : map)
        vecObjects.push_back(pObject.get());
    return vecObjects;
}

// Product names of the formats that offer duplicate avoidance: "SQL Server 2000".
std::string DuplicateAvoidanceFormats() {
    std::string strNames;
    for (const SFormatInfo& info : CFormatTable::All()) {
        if (!info.bDuplicateAvoidance)
            continue;
        if (!strNames.empty())
            strNames += " and ";
        strNames += info.strProductName;
    }
    return strNames;
}

// A name as the user reads it in a list: its line breaks shown as \r and \n.
std::string Visible(const std::string& strName) {
    std::string strText;
    for (char ch : strName) {
        if (ch == '\r')
            strText += "\\r";
        else if (ch == '\n')
            strText += "\\n";
        else
            strText.push_back(ch);
    }
    return strText;
}

// Exportsize of sql.settings: 100 without the file, 0 (every row on its own) when the file lacks
// the key, as the record export of the engine reads it.
int ExportBatchSize() {
    bool bFileFound = false;
    auto value = CSettingsFile::ReadValue(CAppPaths::SettingsFile(), "Exportsize", &bFileFound);
    if (!bFileFound)
        return 100;
    return value ? static_cast<int>(CSettingsFile::LeadingInteger(*value)) : 0;
}

std::string RestoreNote(const fs::path& folder) {
    return "Your scripts have been saved at the location : " + folder.string() +
           "\r\n\nRestore your database by following the below steps :-"
           "\r\n\n\t1. Run CreateDatabaseQuery.sql which will create the recovered database."
           "\r\n\n\t2. Run each <TableName>.sql which will generate all the recovered tables "
           "\r\n\t    along with "
           "its records."
           "\r\n\n\t3. And finally run Stored_Procedure.sql and Views.sql."
           "\r\n\nPlease read ReadMe.txt in the same location for details on how to run the "
           "scripts.";
}
}  // namespace

std::int64_t CExportJob::SResult::TotalFailed() const {
    std::int64_t nFailed = report.TotalFailed();
    for (const SStage& stage : vecStages) {
        if (stage.strName != "tables")
            nFailed += stage.nFailed;
    }
    return nFailed;
}

CExportJob::CExportJob(CSQLServerEngine& engine, SExportOptions options, IExportObserver& observer)
    : m_engine(engine),
      m_options(std::move(options)),
      m_observer(observer),
      m_bScripts(m_options.eTarget == EExportTarget::Scripts),
      m_pFormat(CFormatTable::ByVersionText(engine.FormatVersion())) {}

CExportJob::~CExportJob() {
    DetachFiles();
}

std::string CExportJob::BatchTool() const {
    // A format outside the table gets the tool of the later formats.
    return m_pFormat ? std::string(m_pFormat->strBatchTool) : std::string("sqlcmd");
}

bool CExportJob::Stopped() const {
    return m_engine.m_pStatus->m_bStop;
}

bool CExportJob::Fail(EError eError, const std::string& strError) {
    m_result.eError = eError;
    m_result.strError = strError;
    CExecutionLog::WriteLog(1, 0, strError, true);
    return false;
}

bool CExportJob::CreateFile(CScriptFile& file, const fs::path& path) {
    if (file.Create(path))
        return true;
    return Fail(EError::Failure, "cannot create '" + path.string() + "'");
}

bool CExportJob::CloseFile(CScriptFile& file) {
    if (file.Close())
        return true;
    return Fail(EError::Failure, "could not write '" + file.Path().string() +
                                     "' completely (is the disk full or the folder gone?)");
}

void CExportJob::AddRunnerLines(const std::string& strScript) {
    const CBatchRunnerText runner(BatchTool());
    m_engine.m_strBatchWinAuth += runner.WindowsLine(strScript);
    m_engine.m_strBatchSqlAuth += runner.SqlLine(strScript);
}

void CExportJob::DetachFiles() {
    // The files belong to this job; the engine must not keep pointers to them.
    m_engine.m_hUserTypesFile = nullptr;
    m_engine.m_hTableFile = nullptr;
    m_engine.m_hDefaultFile = nullptr;
    m_engine.m_hConstraintFile = nullptr;
    m_engine.m_hViewsFile = nullptr;
    m_engine.m_hProcFile = nullptr;
    m_engine.m_hFunctionsFile = nullptr;
    m_engine.m_hRulesFile = nullptr;
    m_engine.m_hTriggersFile = nullptr;
}

void CExportJob::Terminate(const std::string& strMessage) {
    m_observer.OnMessage(strMessage);
    Log(strMessage);
    m_engine.m_strBatchWinAuth.clear();
    m_engine.m_bRecordExportRunning = false;
    m_result.bStopped = true;
    DetachFiles();
}

bool CExportJob::PrepareBundle() {
    std::error_code ec;
    if (!fs::is_directory(m_options.outputParent, ec)) {
        fs::create_directories(m_options.outputParent, ec);
        if (ec) {
            return Fail(EError::BadInput, "Directory could not be created: '" +
                                              m_options.outputParent.string() +
                                              "': " + ec.message());
        }
    }
    const std::string strName =
        CBundleNames::BundleFolderName(m_engine.m_strDatabaseName, CBundleNames::Now());
    m_folder = m_options.outputParent / strName;
    // A single level, and never an existing folder: two exports must not mix their files. A
    // second export in the same second gets a numbered folder.
    constexpr int kMaxNumbered = 1000;
    for (int n = 2; !fs::create_directory(m_folder, ec); ++n) {
        if (ec || n > kMaxNumbered) {
            return Fail(EError::BadInput,
                        "Directory could not be created: '" + m_folder.string() +
                            "': " + (ec ? ec.message() : std::string("it already exists")));
        }
        m_folder = m_options.outputParent / (strName + "_" + std::to_string(n));
    }
    m_result.bundleFolder = m_folder;
    m_engine.m_strOutputFolder = m_folder.string();
    return true;
}

bool CExportJob::RunUserTypes() {
    CEngineStatus& status = *m_engine.m_pStatus;
    CScriptFile userTypes;
    if (m_bScripts) {
        if (!CreateFile(userTypes, m_folder / "UserDefinedDatatypes.sql"))
            return false;
        m_engine.m_hUserTypesFile = &userTypes;
        m_engine.m_strBatchWinAuth =
            CBatchRunnerText::Header() +
            CBatchRunnerText(BatchTool()).WindowsLine("UserDefinedDatatypes.sql");
        m_engine.m_strBatchSqlAuth =
            ":label2\r\n" + CBatchRunnerText(BatchTool()).SqlLine("UserDefinedDatatypes.sql");
    }
    Log("Generating user datatypes");
    status.m_nFailedRecords = 0;
    m_engine.GenerateUserTypeQueries();
    m_result.vecStages.push_back({"user types", static_cast<int>(m_engine.m_mapUserTypes.Count()),
                                  status.m_nFailedRecords.load()});
    m_engine.m_hUserTypesFile = nullptr;
    // The engine closes the file after its last statement; closing again reports a failed write.
    return !m_bScripts || CloseFile(userTypes);
}

bool CExportJob::RunTables(const std::vector<CTable*>& vecTables) {
    CEngineStatus& status = *m_engine.m_pStatus;
    m_engine.m_bExportRecords = m_options.bWithData;
    Log("Generating tables");
    SStage stage{"tables", static_cast<int>(vecTables.size()), 0};
    if (vecTables.empty()) {
        m_observer.OnProgress(30, 0, 0);
        m_result.vecStages.push_back(stage);
        return true;
    }

    if (m_bScripts) {
        CScriptFile defaults;
        std::error_code ec;
        if (!fs::create_directory(m_folder / "Tables", ec)) {
            return Fail(EError::Failure,
                        "Directory could not be created: '" + (m_folder / "Tables").string() + "'");
        }
        // One Default.sql with the bound defaults of every selected table, each once, run before
        // the tables that use them. The engine gets no default file of its own here, so a
        // default shared by several tables is not created twice.
        if (!CreateFile(defaults, m_folder / "Default.sql"))
            return false;
        std::vector<std::string> vecWritten;
        for (const CTable* pTable : vecTables) {
            for (const std::string& strDefault :
                 CTableScript::Build(m_engine, *pTable).vecDefaults) {
                if (std::find(vecWritten.begin(), vecWritten.end(), strDefault) != vecWritten.end())
                    continue;
                vecWritten.push_back(strDefault);
                defaults.Write(strDefault + "\r\ngo\r\n");
            }
        }
        m_engine.m_hDefaultFile = nullptr;
        AddRunnerLines("Default.sql");
        if (!CloseFile(defaults))
            return false;
    }

    const std::vector<std::string> vecScriptNames = ScriptNames(vecTables);
    if (UseTablePool(vecTables.size()))
        return RunTablePool(vecTables, vecScriptNames, stage);
    int nDone = 0;
    for (CTable* pTable : vecTables) {
        m_observer.OnMessage("Exporting table : " + pTable->m_strName);
        Log("Exporting " + pTable->m_strName);
        CScriptFile tableFile;
        CScriptFile constraintFile;
        if (m_bScripts) {
            const std::string& strSafe = vecScriptNames[static_cast<std::size_t>(nDone)];
            AddRunnerLines(CBatchRunnerText::TableScript(strSafe));
            if (!CreateFile(tableFile, m_folder / "Tables" / (strSafe + ".sql")))
                return false;
            m_engine.m_hTableFile = &tableFile;
            AddRunnerLines(CBatchRunnerText::ConstraintScript(strSafe));
            if (!CreateFile(constraintFile, m_folder / "Tables" / (strSafe + "_Constraint.sql")))
                return false;
            m_engine.m_hConstraintFile = &constraintFile;
        }

        status.m_nExportedRecords = 0;
        status.m_nFailedRecords = 0;
        CExportContext context =
            TableContext(m_bScripts ? &tableFile : nullptr, m_bScripts ? &constraintFile : nullptr);
        m_engine.GenerateTableQueries(pTable, context);
        const std::int64_t nExported = context.m_nExported;
        const std::int64_t nFailed = context.m_nFailed;
        status.m_nExportedRecords = 0;
        status.m_nFailedRecords = 0;
        pTable->m_nExportCount = 0;
        ++nDone;

        if (m_bScripts) {
            m_engine.m_hTableFile = nullptr;
            m_engine.m_hConstraintFile = nullptr;
            if (!CloseFile(tableFile) || !CloseFile(constraintFile))
                return false;
        }
        if (Stopped()) {
            Terminate("Export terminated");
            return false;
        }
        m_result.report.Add({pTable->m_strName, nExported, nFailed});
        stage.nFailed += static_cast<int>(nFailed);
        m_observer.OnTableDone(pTable->m_strName, nExported, nFailed);
        m_observer.OnProgress(nDone * 30 / static_cast<int>(vecTables.size()), nDone,
                              static_cast<int>(vecTables.size()));
    }
    m_engine.m_bRecordExportRunning = false;
    m_result.vecStages.push_back(stage);
    if (!RunForeignKeys(vecTables))
        return false;
    m_observer.OnProgress(30, nDone, nDone);
    return true;
}

bool CExportJob::RunForeignKeys(const std::vector<CTable*>& vecTables) {
    // Only keys between tables of this export: one that references a table left out of the
    // selection could only fail.
    CConstraintScript::SStatements statements;
    for (const CTable* pTable : vecTables) {
        for (const CForeignKey& key : pTable->m_vecForeignKeys) {
            const bool bExported =
                key.m_strReferencedTable.empty() ||
                std::any_of(vecTables.begin(), vecTables.end(), [&](const CTable* pOther) {
                    return pOther->m_strName == key.m_strReferencedTable;
                });
            if (!bExported) {
                Log("Foreign key " + key.m_strName + " of " + pTable->m_strName +
                    " left out: it references " + key.m_strReferencedTable +
                    ", which is not exported");
                continue;
            }
            CConstraintScript::AddForeignKey(*pTable, key, statements);
        }
    }
    CConstraintScript::LogSkipped(statements.vecSkipped);
    const std::vector<std::string>& vecStatements = statements.vecStatements;
    if (vecStatements.empty())
        return true;
    Log("Generating foreign keys");
    m_observer.OnMessage("Exporting foreign keys");
    SStage stage{"foreign keys", static_cast<int>(vecStatements.size()), 0};
    if (m_bScripts) {
        CScriptFile file;
        if (!CreateFile(file, m_folder / "ForeignKeys.sql"))
            return false;
        for (const std::string& strStatement : vecStatements)
            file.Write(strStatement + "\r\ngo\r\n");
        AddRunnerLines("ForeignKeys.sql");
        if (!CloseFile(file))
            return false;
    } else {
        stage.nFailed = CConstraintScript::Execute(m_options.pConnection, vecStatements);
        if (stage.nFailed > 0) {
            m_observer.OnMessage("Failed to create " + std::to_string(stage.nFailed) +
                                 " foreign key(s) (see the error log)");
        }
    }
    m_result.vecStages.push_back(stage);
    return true;
}

CExportContext CExportJob::TableContext(CScriptFile* pTableFile, CScriptFile* pConstraintFile) {
    CEngineStatus& status = *m_engine.m_pStatus;
    CExportContext context;
    context.m_bDirect = !m_bScripts;
    context.m_pConnection = m_bScripts ? nullptr : m_options.pConnection;
    context.m_pTableFile = pTableFile;
    // Default.sql is written by the job, each default once over all tables.
    context.m_pDefaultFile = nullptr;
    context.m_pConstraintFile = pConstraintFile;
    context.m_bExportRecords = m_options.bWithData;
    context.m_bRecoverDeleted = m_options.bRecoverDeleted;
    context.m_bAvoidDuplicate = m_bAvoidDuplicate;
    context.m_eWalk = CExportContext::EWalk::RowByRow;
    context.m_nBatchSize = m_nBatchSize;
    context.m_strFileName = m_engine.m_strFileName;
    context.m_pStop = &status.m_bStop;
    context.m_pCancel = &status.m_bCancel;
    // One table at a time: the progress display follows the status block as well.
    context.m_pStatus = &status;
    context.m_pDamage = m_result.pDamage.get();
    return context;
}

void CExportJob::CallEngine(EObjectKind eKind, CViewStoredProc* pObject) {
    switch (eKind) {
        case EObjectKind::View:
            m_engine.GenerateViewQueries(pObject);
            break;
        case EObjectKind::Procedure:
            m_engine.GenerateStoredProcQueries(pObject);
            break;
        case EObjectKind::Function:
            m_engine.GenerateFunctionQueries(pObject);
            break;
        case EObjectKind::Rule:
            m_engine.GenerateRulesQueries(pObject);
            break;
        case EObjectKind::Trigger:
            m_engine.GenerateTriggerQueries(pObject);
            break;
    }
}

bool CExportJob::RunObjects(const SObjectStage& stage,
                            const std::vector<CViewStoredProc*>& vecObjects) {
    if (vecObjects.empty())
        return true;
    CEngineStatus& status = *m_engine.m_pStatus;
    Log(stage.pszLog);
    CScriptFile file;
    CScriptFile** ppHandle = nullptr;
    switch (stage.eKind) {
        case EObjectKind::View:
            ppHandle = &m_engine.m_hViewsFile;
            break;
        case EObjectKind::Procedure:
            ppHandle = &m_engine.m_hProcFile;
            break;
        case EObjectKind::Function:
            ppHandle = &m_engine.m_hFunctionsFile;
            break;
        case EObjectKind::Rule:
            ppHandle = &m_engine.m_hRulesFile;
            break;
        case EObjectKind::Trigger:
            ppHandle = &m_engine.m_hTriggersFile;
            break;
    }
    if (m_bScripts) {
        if (!CreateFile(file, m_folder / stage.pszFile))
            return false;
        *ppHandle = &file;
    }

    const std::string strTerminated =
        stage.eKind == EObjectKind::View ? "Export terminated" : "Export Terminated";
    SStage result{CObjectScript::KindName(stage.eKind), static_cast<int>(vecObjects.size()), 0};
    std::vector<CViewStoredProc*> vecFailed;
    const int nTotal = static_cast<int>(vecObjects.size());
    int nDone = 0;
    for (CViewStoredProc* pObject : vecObjects) {
        m_observer.OnMessage(stage.pszMessage + pObject->m_strName);
        const std::int32_t nFailedBefore = status.m_nFailedRecords;
        CallEngine(stage.eKind, pObject);
        if (status.m_nFailedRecords != nFailedBefore)
            vecFailed.push_back(pObject);
        ++nDone;
        if (stage.nProgressBase >= 0)
            m_observer.OnProgress(stage.nProgressBase + nDone * 30 / nTotal, nDone, nTotal);
        if (Stopped()) {
            *ppHandle = nullptr;
            Terminate(strTerminated);
            return false;
        }
    }
    // A function may call one created after it: the failed ones get a second pass, and only
    // what fails again counts.
    if (!m_bScripts && stage.eKind == EObjectKind::Function && !vecFailed.empty()) {
        std::vector<CViewStoredProc*> vecRetry;
        vecRetry.swap(vecFailed);
        for (CViewStoredProc* pObject : vecRetry) {
            m_observer.OnMessage(stage.pszMessage + pObject->m_strName + " (second pass)");
            const std::int32_t nFailedBefore = status.m_nFailedRecords;
            CallEngine(stage.eKind, pObject);
            if (status.m_nFailedRecords != nFailedBefore)
                vecFailed.push_back(pObject);
            if (Stopped()) {
                *ppHandle = nullptr;
                Terminate(strTerminated);
                return false;
            }
        }
    }
    result.nFailed = static_cast<int>(vecFailed.size());
    for (CViewStoredProc* pObject : vecFailed) {
        m_observer.OnMessage(std::string("Failed to create ") +
                             CObjectScript::KindName(stage.eKind) + " " + pObject->m_strName +
                             " (see the error log)");
    }
    m_result.vecStages.push_back(result);
    if (m_bScripts) {
        *ppHandle = nullptr;
        AddRunnerLines(stage.pszRunnerRef);
        return CloseFile(file);
    }
    *ppHandle = nullptr;
    return true;
}

bool CExportJob::FinishBundle() {
    const std::string strRunner =
        CBatchRunnerText::Runner(m_engine.m_strBatchWinAuth, m_engine.m_strBatchSqlAuth);
    CScriptFile runner;
    if (!CreateFile(runner, m_folder / CBundleNames::RunnerName(m_engine.m_strDatabaseName)))
        return false;
    runner.Write(strRunner);
    if (!CloseFile(runner))
        return false;

    // The restore steps start with this script, so the bundle carries it.
    CScriptFile createDatabase;
    if (!CreateFile(createDatabase, m_folder / "CreateDatabaseQuery.sql"))
        return false;
    createDatabase.Write("CREATE DATABASE " + SqlText::Bracket(m_engine.m_strDatabaseName) +
                         "\r\ngo\r\n");
    if (!CloseFile(createDatabase))
        return false;

    std::error_code ec;
    const fs::path readMe = CAppPaths::ExecutableDir() / "ReadMe.txt";
    if (!fs::copy_file(readMe, m_folder / "ReadMe.txt", fs::copy_options::overwrite_existing, ec)) {
        m_result.vecWarnings.push_back("ReadMe.txt could not be copied from '" + readMe.string() +
                                       "': " + ec.message());
    }
    std::ofstream folders(CAppPaths::WritableDir() / "OutputFldr.txt",
                          std::ios::app | std::ios::binary);
    folders << m_folder.string() << "\n";
    if (!folders)
        m_result.vecWarnings.push_back("OutputFldr.txt could not be written");
    m_result.strNote = RestoreNote(m_folder);
    return true;
}

void CExportJob::ListRenamed(const std::vector<CTable*>& vecTables) {
    auto note = [&](const std::string& strWhat, const std::string& strName) {
        if (!SqlText::NeedsRenaming(strName))
            return;
        const std::string strLine =
            strWhat + " '" + Visible(strName) + "' is written as " + SqlText::Bracket(strName);
        Log("Renamed: " + strLine);
        m_result.vecRenamed.push_back(strLine);
    };
    note("database", m_engine.m_strDatabaseName);
    for (const auto& [strKey, pType] : m_engine.m_mapUserTypes)
        note("user type", pType->m_strName);
    for (const CTable* pTable : vecTables) {
        note("table", pTable->m_strName);
        for (const CColumnInfo& column : pTable->m_vecColumns)
            note("column of table " + SqlText::Bracket(pTable->m_strName), column.m_strName);
    }
}

CExportJob::SResult CExportJob::Run() {
    CEngineStatus& status = *m_engine.m_pStatus;
    // The stop flag is left as the caller set it: a stop asked for before this thread got here
    // must still stop the export (the caller clears it before it starts the job).
    m_result = SResult{};

    if (!m_bScripts) {
        auto value = CSettingsFile::ReadValue(CAppPaths::SettingsFile(), "Avoid_Duplicate");
        m_bAvoidDuplicate = value.value_or("0") == "1";
        if (m_bAvoidDuplicate && !(m_pFormat && m_pFormat->bDuplicateAvoidance)) {
            Terminate("Export terminated");
            m_result.bStopped = false;
            Fail(EError::BadInput, "duplicate avoidance (Avoid_Duplicate=1) is offered for the " +
                                       DuplicateAvoidanceFormats() + " format only");
            return m_result;
        }
        if (!m_options.pConnection || !m_options.pConnection->IsOpen()) {
            Fail(EError::BadInput, "no open database connection");
            return m_result;
        }
        m_engine.m_bDirectExport = true;
        m_engine.m_pDatabase = m_options.pConnection;
        m_nBatchSize = ExportBatchSize();
    } else {
        m_engine.m_bDirectExport = false;
        m_engine.m_pDatabase = nullptr;
    }
    m_engine.m_bRecoverDeleted = m_options.bRecoverDeleted;

    // The selection: named tables in the order given, or all of them.
    std::vector<CTable*> vecTables;
    if (m_options.selection) {
        vecTables = m_options.selection->vecTables;
    } else if (m_options.vecTables.empty()) {
        for (const auto& [strKey, pTable] : m_engine.m_mapObjects)
            vecTables.push_back(pTable.get());
    } else {
        for (const std::string& strName : m_options.vecTables) {
            CTable* pFound = nullptr;
            for (const auto& [strKey, pTable] : m_engine.m_mapObjects) {
                if (pTable->m_strName == strName)
                    pFound = pTable.get();
            }
            if (!pFound) {
                Fail(EError::BadInput, "no table named '" + strName + "' in the catalog");
                return m_result;
            }
            vecTables.push_back(pFound);
        }
    }

    ListRenamed(vecTables);

    auto finish = [&](bool bOk) {
        DetachFiles();
        m_engine.m_bRecordExportRunning = false;
        m_engine.m_pDatabase = nullptr;
        m_engine.m_bDirectExport = false;
        if (bOk) {
            m_engine.m_strBatchWinAuth.clear();
            m_observer.OnProgress(100, 0, 0);
            m_observer.OnMessage("Export Complete.");
            m_result.bComplete = true;
        }
        return m_result;
    };

    if (m_bScripts && !PrepareBundle())
        return finish(false);
    if (!RunUserTypes())
        return finish(false);
    if (!RunTables(vecTables))
        return finish(false);

    std::vector<CViewStoredProc*> vecNone;
    const bool bObjects = m_options.bObjects;
    const SObjectStage kStages[] = {
        {"Generating Views", "Views.sql", "Exporting View : ", "Views.sql", EObjectKind::View, 30},
        {"Generating Stored Procedures", "Stored_Procedure.sql",
         "Exporting Stored Procedure : ", "Stored_Procedure.sql ", EObjectKind::Procedure, 60},
        {"Generating Functions", "Functions.sql", "Exporting Functions : ", "Functions.sql ",
         EObjectKind::Function, -1},
        {"Generating Rules", "Rules.sql", "Exporting Rule : ", "Rules.sql ", EObjectKind::Rule, -1},
        {"Generating Triggers", "Triggers.sql", "Exporting Trigger: ", "Triggers.sql ",
         EObjectKind::Trigger, -1},
    };
    const COrderedMap<CViewStoredProc>* kMaps[] = {&m_engine.m_mapViews, &m_engine.m_mapProcedures,
                                                   &m_engine.m_mapFunctions, &m_engine.m_mapRules,
                                                   &m_engine.m_mapTriggers};
    const SExportSelection noSelection;
    const SExportSelection& selected = m_options.selection ? *m_options.selection : noSelection;
    const std::vector<CViewStoredProc*>* kSelected[] = {&selected.vecViews, &selected.vecProcedures,
                                                        &selected.vecFunctions, &selected.vecRules,
                                                        &selected.vecTriggers};
    for (std::size_t i = 0; i < std::size(kStages); ++i) {
        // A stop between two stages starts no further one: no file or object after the stop.
        if (Stopped()) {
            Terminate(kStages[i].eKind == EObjectKind::View ? "Export terminated"
                                                            : "Export Terminated");
            return finish(false);
        }
        status.m_nExportedRecords = 0;
        status.m_nFailedRecords = 0;
        const std::vector<CViewStoredProc*> vecObjects = m_options.selection ? *kSelected[i]
                                                         : bObjects          ? AllObjects(*kMaps[i])
                                                                             : vecNone;
        if (!RunObjects(kStages[i], vecObjects))
            return finish(false);
        if (i == 0)
            m_observer.OnProgress(60, 0, 0);
        if (i == 1)
            m_observer.OnProgress(90, 0, 0);
    }
    if (Stopped()) {
        Terminate("Export Terminated");
        return finish(false);
    }
    if (m_bScripts && !FinishBundle())
        return finish(false);
    return finish(true);
}

std::vector<std::string> CExportJob::ScriptNames(const std::vector<CTable*>& vecTables) {
    // Two names that become the same file name (a/b and a_b, or Orders and ORDERS on Windows)
    // would overwrite each other's script: later ones get a number.
    std::set<std::string> setUsedNames;
    std::vector<std::string> vecNames;
    for (const CTable* pTable : vecTables) {
        const std::string strBase = CBundleNames::SafeFileName(pTable->m_strName);
        std::string strSafe = strBase;
        for (int n = 2; setUsedNames.contains(Lower(strSafe)); ++n)
            strSafe = strBase + "_" + std::to_string(n);
        setUsedNames.insert(Lower(strSafe));
        vecNames.push_back(strSafe);
    }
    return vecNames;
}

bool CExportJob::UseTablePool(std::size_t nTables) const {
    if ((m_options.nWorkers <= 1 && !m_options.bPoolOneWorker) || nTables == 0)
        return false;
    if (m_bScripts)
        return true;
    // Duplicate avoidance compares the rows of one table statement by statement on the main
    // connection; without a way to open more connections the tables run on the main one.
    return !m_bAvoidDuplicate && (!m_options.strConnect.empty() || m_options.fnConnect);
}

bool CExportJob::RunTablePool(const std::vector<CTable*>& vecTables,
                              const std::vector<std::string>& vecScriptNames, SStage& stage) {
    if (m_bScripts) {
        // The runner lists the tables in selection order, whatever order they finish in.
        for (const std::string& strSafe : vecScriptNames) {
            AddRunnerLines(CBatchRunnerText::TableScript(strSafe));
            AddRunnerLines(CBatchRunnerText::ConstraintScript(strSafe));
        }
    }
    CTableExportPool::FnConnect fnConnect;
    if (!m_bScripts) {
        fnConnect = m_options.fnConnect;
        if (!fnConnect) {
            fnConnect = [strConnect = m_options.strConnect](int) {
                auto pConnection = std::make_unique<COdbcConnection>();
                pConnection->Open(strConnect);
                return pConnection;
            };
        }
    }
    const int nTotal = static_cast<int>(vecTables.size());
    CTableExportPool::SCallbacks callbacks;
    callbacks.fnStarted = [&](std::size_t nIndex) {
        m_observer.OnMessage("Exporting table : " + vecTables[nIndex]->m_strName);
        Log("Exporting " + vecTables[nIndex]->m_strName);
    };
    callbacks.fnFinished = [&](std::size_t nIndex, const CTableExportPool::SOutcome& outcome,
                               int nFinished) {
        if (!outcome.bDone)
            return;
        m_observer.OnTableDone(vecTables[nIndex]->m_strName, outcome.nExported, outcome.nFailed);
        m_observer.OnProgress(nFinished * 30 / nTotal, nFinished, nTotal);
    };
    callbacks.fnConnectFailed = [&](int nWorker, const std::string& strError) {
        m_observer.OnMessage("Table worker " + std::to_string(nWorker + 1) +
                             " could not connect: " + strError);
    };

    CTableExportPool pool(m_options.nWorkers, &m_engine.m_pStatus->m_bStop);
    const CTableExportPool::SResult pooled = pool.Run(
        vecTables.size(), fnConnect,
        [&](std::size_t nIndex, COdbcConnection* pConnection) {
            return ExportPooledTable(vecTables[nIndex], m_bScripts ? vecScriptNames[nIndex] : "",
                                     pConnection);
        },
        callbacks);
    m_result.nTableWorkers = pooled.nWorkers;
    m_result.nWorkerConnections = pooled.nConnections;
    for (std::size_t i = 0; i < pooled.vecConnectErrors.size(); ++i) {
        m_result.vecWarnings.push_back("a table worker could not connect: " +
                                       pooled.vecConnectErrors[i]);
    }

    if (pooled.bStopped) {
        Terminate("Export terminated");
        return false;
    }
    if (!pooled.strError.empty())
        return Fail(EError::Failure, pooled.strError);
    if (fnConnect && pooled.nConnections == 0) {
        return Fail(EError::Failure, "no table worker could connect to the database: " +
                                         pooled.vecConnectErrors.front());
    }
    if (!pooled.vecNotExported.empty()) {
        // Only reachable when every connection that opened was lost with tables still queued.
        std::string strNames;
        for (std::size_t nIndex : pooled.vecNotExported)
            strNames += (strNames.empty() ? "" : ", ") + vecTables[nIndex]->m_strName;
        return Fail(EError::Failure, "tables not exported: " + strNames);
    }
    // The report in selection order, whatever order the tables finished in.
    for (std::size_t i = 0; i < vecTables.size(); ++i) {
        const CTableExportPool::SOutcome& outcome = pooled.vecOutcomes[i];
        m_result.report.Add({vecTables[i]->m_strName, outcome.nExported, outcome.nFailed});
        stage.nFailed += static_cast<int>(outcome.nFailed);
    }
    m_engine.m_bRecordExportRunning = false;
    m_result.vecStages.push_back(stage);
    // Foreign keys once every table of the export exists, whichever worker made it.
    if (!RunForeignKeys(vecTables))
        return false;
    m_observer.OnProgress(30, nTotal, nTotal);
    return true;
}

CTableExportPool::SOutcome CExportJob::ExportPooledTable(CTable* pTable,
                                                         const std::string& strScriptName,
                                                         COdbcConnection* pConnection) const {
    CTableExportPool::SOutcome outcome;
    CScriptFile tableFile;
    CScriptFile constraintFile;
    if (m_bScripts) {
        const fs::path tables = m_folder / "Tables";
        if (!tableFile.Create(tables / (strScriptName + ".sql"))) {
            outcome.strError =
                "cannot create '" + (tables / (strScriptName + ".sql")).string() + "'";
            return outcome;
        }
        if (!constraintFile.Create(tables / (strScriptName + "_Constraint.sql"))) {
            outcome.strError =
                "cannot create '" + (tables / (strScriptName + "_Constraint.sql")).string() + "'";
            return outcome;
        }
    }

    // Everything this table writes lives here: batch, counters, statement text, files. The
    // engine's stop flags are only read; its status block is left to the one-table path.
    const CEngineStatus& status = *m_engine.m_pStatus;
    CExportContext context;
    context.m_bDirect = !m_bScripts;
    context.m_pConnection = m_bScripts ? nullptr : pConnection;
    context.m_pTableFile = m_bScripts ? &tableFile : nullptr;
    context.m_pDefaultFile = nullptr;  // Default.sql is written by the job
    context.m_pConstraintFile = m_bScripts ? &constraintFile : nullptr;
    context.m_bExportRecords = m_options.bWithData;
    context.m_bRecoverDeleted = m_options.bRecoverDeleted;
    // The statement walk of the sequential stage, so that both write the same scripts and send
    // the same rows; a direct export sends them in batches, each one transaction.
    context.m_eWalk = CExportContext::EWalk::RowByRow;
    context.m_nBatchSize = m_nBatchSize;
    context.m_strFileName = m_engine.m_strFileName;
    context.m_pStop = &status.m_bStop;
    context.m_pCancel = &status.m_bCancel;
    context.m_pStatus = nullptr;
    // The result's damage log takes reports from several workers at once.
    context.m_pDamage = m_result.pDamage.get();
    m_engine.GenerateTableQueries(pTable, context);
    outcome.nExported = context.m_nExported;
    outcome.nFailed = context.m_nFailed;
    pTable->m_nExportCount = 0;

    if (m_bScripts) {
        for (CScriptFile* pFile : {&tableFile, &constraintFile}) {
            if (!pFile->Close()) {
                outcome.strError = "could not write '" + pFile->Path().string() +
                                   "' completely (is the disk full or the folder gone?)";
                return outcome;
            }
        }
    }
    outcome.bDone = !status.m_bStop;
    return outcome;
}
