// app/export/job/CExportJob.h
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/export/job/CExportReport.h"
#include "app/export/job/CTableExportPool.h"
#include "app/export/job/SExportOptions.h"
#include "engine/core/CDamageLog.h"
#include "engine/core/CFormatTable.h"
#include "engine/records/CExportContext.h"
#include "engine/scripts/CObjectScript.h"

class CScriptFile;
class CSQLServerEngine;
class CTable;
class CViewStoredProc;
class IExportObserver;

// The export job: drives the engine stage by stage (user types, tables, views, procedures,
// functions, rules, triggers) into a script bundle or onto a database connection, reports
// through an observer and honours stop requests (the status block's m_bStop).
class CExportJob {
  public:
    enum class EError { None, BadInput, Failure };

    struct SStage {
        std::string strName;
        int nObjects = 0;  // objects handed to the engine
        int nFailed = 0;   // of those, how many failed (database target)
    };

    struct SResult {
        bool bComplete = false;  // every stage ran and every file was written
        bool bStopped = false;
        EError eError = EError::None;
        std::string strError;
        std::filesystem::path bundleFolder;  // scripts target
        std::string strNote;                 // restore steps shown after a scripts export
        CExportReport report;
        std::vector<SStage> vecStages;
        std::vector<std::string> vecWarnings;
        // Names the statements write differently (CR and LF become '_'), one line each:
        // "table 'a\r\ngo' is written as [a__go]".
        std::vector<std::string> vecRenamed;
        // What the record walks could not read: skipped pages and rows, values marked "Corrupt".
        std::shared_ptr<CDamageLog> pDamage = std::make_shared<CDamageLog>();
        // The table stage's workers (0 when the tables ran one after the other) and the
        // connections of their own that opened.
        int nTableWorkers = 0;
        int nWorkerConnections = 0;
        // Failed statements over all stages.
        std::int64_t TotalFailed() const;
    };

    CExportJob(CSQLServerEngine& engine, SExportOptions options, IExportObserver& observer);
    ~CExportJob();
    CExportJob(const CExportJob&) = delete;
    CExportJob& operator=(const CExportJob&) = delete;

    SResult Run();

  private:
    struct SObjectStage {
        const char* pszLog;        // execution-log line
        const char* pszFile;       // script file name
        const char* pszMessage;    // message before each object
        const char* pszRunnerRef;  // how the runner names the file
        EObjectKind eKind;
        int nProgressBase;  // progress range base (-1: no progress shown)
    };

    bool Stopped() const;
    std::string BatchTool() const;
    bool Fail(EError eError, const std::string& strError);
    bool CreateFile(CScriptFile& file, const std::filesystem::path& path);
    bool CloseFile(CScriptFile& file);
    void AddRunnerLines(const std::string& strScript);
    bool PrepareBundle();
    bool RunUserTypes();
    bool RunTables(const std::vector<CTable*>& vecTables);
    // ForeignKeys.sql (and its runner line) or the keys executed on the connection, after every
    // table of the export exists.
    bool RunForeignKeys(const std::vector<CTable*>& vecTables);
    // Script names of the tables, in selection order; two names that would be one file differ.
    static std::vector<std::string> ScriptNames(const std::vector<CTable*>& vecTables);
    bool UseTablePool(std::size_t nTables) const;
    bool RunTablePool(const std::vector<CTable*>& vecTables,
                      const std::vector<std::string>& vecScriptNames, SStage& stage);
    // One table of the pool, with everything it writes kept in the call.
    CTableExportPool::SOutcome ExportPooledTable(CTable* pTable, const std::string& strScriptName,
                                                 COdbcConnection* pConnection) const;
    bool RunObjects(const SObjectStage& stage, const std::vector<CViewStoredProc*>& vecObjects);
    void CallEngine(EObjectKind eKind, CViewStoredProc* pObject);
    // The export context of one table: the job's target and options, the engine's stop flags.
    CExportContext TableContext(CScriptFile* pTableFile, CScriptFile* pConstraintFile);
    bool FinishBundle();
    void ListRenamed(const std::vector<CTable*>& vecTables);
    void Terminate(const std::string& strMessage);
    void DetachFiles();

    CSQLServerEngine& m_engine;
    SExportOptions m_options;
    IExportObserver& m_observer;
    bool m_bScripts;
    // The engine's format: its batch tool, whether duplicate avoidance is offered.
    const SFormatInfo* m_pFormat;
    bool m_bAvoidDuplicate = false;
    int m_nBatchSize = 100;  // statements per batch (one transaction) of a database export
    SResult m_result;
    std::filesystem::path m_folder;
};
