// engine/core/CSQLServerEngine.h
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "common/Export.h"
#include "common/OrderedMap.h"
#include "engine/catalog/CIndexInfo.h"
#include "engine/catalog/CTable.h"
#include "engine/catalog/CUserType.h"
#include "engine/catalog/CViewStoredProc.h"
#include "engine/core/CBookmarkStack.h"
#include "engine/core/CDamageLog.h"
#include "engine/core/CEngineStatus.h"

class CArchiveReader;
class CExportContext;
class CGridCursor;
class COdbcConnection;
class CScriptFile;

// The interface every engine (one per on-disk format) presents to the front ends. The virtual
// operations keep their slot order; front ends reach an engine only through them and the public
// members below. Engines are created through the factory each library exports.
class AMBERMILL_API CSQLServerEngine {
  public:
    CSQLServerEngine();
    CSQLServerEngine(const CSQLServerEngine&) = delete;
    CSQLServerEngine& operator=(const CSQLServerEngine&) = delete;

    // 0: the whole recovery of the catalog; runs on the thread StartRecovery starts. Returns 1.
    virtual unsigned RecoverSQLServerMDF() = 0;
    // 1: starts the recovery thread and returns at once. False (nothing started) while a
    // recovery is already running on this engine.
    virtual bool StartRecovery() = 0;
    // 2: the database name from the boot page.
    virtual std::string GetDatabaseName() = 0;
    // 3: decodes one row for browsing (or row-by-row export). pageData starts at the data area.
    virtual void DecodeRecord(std::span<const std::byte> pageData, std::uint16_t nRowOffset,
                              CTable& table) = 0;
    // 4: decodes one row for batched direct export; returns the row's end position, 0 if rejected.
    virtual std::uint16_t DecodeRecordForExport(std::span<const std::byte> pageData,
                                                std::uint16_t nRowOffset, CTable& table,
                                                COdbcConnection* pDatabase, std::string& strBatch,
                                                bool& bFlush) = 0;
    // 5: files the data pages of one extent under an object (no caller uses it).
    virtual void ReadExtent(std::uint32_t nExtent, const std::string& strObjectId) = 0;
    // 6: hands one grid page (or, in export mode, the statement walk) to the record thread and
    // returns at once; m_bTableDone is set (and waiters on it notified) when the run is over. A
    // newer page request cancels an older one that has not finished.
    virtual void StartRecordThread() = 0;
    // 7: frees the tables and programmable objects.
    virtual void ResetCatalog() = 0;
    // 8: one sp_addtype statement per user data type.
    virtual void GenerateUserTypeQueries() = 0;
    // 9: writes the scan file to strPath (the program chooses the path). False with
    // strError set when it cannot be written completely.
    virtual bool SaveScan(const std::string& strPath, std::string& strError) = 0;
    // 10: reads the rest of a scan file after its signature and version text. Throws
    // CArchiveError on a truncated or inconsistent file.
    virtual void LoadScan(CArchiveReader& archive) = 0;
    // 11: table script to m_hTableFile, or executed on m_pDatabase; then the records, row by row.
    // The one-table path: it reports into the status block (m_pCurrentTable, m_bTableDone, the
    // counters) as the program expects.
    virtual void GenerateTableQueries(CTable* pTable) = 0;
    // 12: the same on an explicit connection (pooled export workers), records in batches. Each
    // call works on a context of its own and writes nothing shared: what it exported is in the
    // table's m_nExportCount and m_nFailedCount.
    virtual void GenerateTableQueries(CTable* pTable, COdbcConnection* pDatabase) = 0;
    // 13 to 17: programmable object scripts.
    virtual void GenerateViewQueries(CViewStoredProc* pView) = 0;
    virtual void GenerateStoredProcQueries(CViewStoredProc* pProc) = 0;
    virtual void GenerateRulesQueries(CViewStoredProc* pRule) = 0;
    virtual void GenerateTriggerQueries(CViewStoredProc* pTrigger) = 0;
    virtual void GenerateFunctionQueries(CViewStoredProc* pFunction) = 0;
    // 18: text of a stored real value.
    virtual std::string FormatReal(std::uint32_t nBits) = 0;

    virtual ~CSQLServerEngine();

    // Not part of the slot order: waits for the engine's threads to end. After m_bCancel is set
    // every wait of those threads ends promptly, so this returns soon.
    virtual void JoinThreads() = 0;
    // True while a recovery thread runs.
    virtual bool IsRecovering() const = 0;
    // Version text of the format ("2000", "2005", "2008"): the scan file carries it.
    virtual std::string FormatVersion() const = 0;
    // The table export on a context the caller made (target, options, stop flags, counters);
    // the context's m_pTable is set to pTable. Tables exported at once need contexts of their own.
    // By default the table script and the fixed/variable row walk of the core.
    virtual void GenerateTableQueries(CTable* pTable, CExportContext& context);
    // A grid cursor over the table for a front end that pages by itself (the record thread and
    // the paging members stay untouched); nullptr when this engine shows no records.
    // bFollowBinaryPointers: binary values behind text pointers are read rather than shown as
    // "<binary data>". By default a cursor over the fixed/variable rows of m_strFileName.
    virtual std::unique_ptr<CGridCursor> OpenGridCursor(const CTable& table,
                                                        bool bFollowBinaryPointers);

    std::string m_strFileName;
    std::atomic<bool> m_bPagingStarted{false};
    std::atomic<bool> m_bLastPage{false};
    std::atomic<bool> m_bRecordExportRunning{false};
    std::atomic<bool> m_bExportRecords{false};
    std::atomic<bool> m_bDirectExport{false};
    std::atomic<bool> m_bPageForward{false};
    std::atomic<bool> m_bRecoverDeleted{false};
    std::int32_t m_nPage = 0;
    std::int32_t m_nPaging1 = 0;
    std::int32_t m_nPaging2 = 0;
    std::int32_t m_nPaging3 = 0;
    std::unique_ptr<CEngineStatus> m_pStatus;
    // The grid's paging history; the record thread and the program both use it, so it locks.
    CBookmarkStack m_dqBookmarks;
    COdbcConnection* m_pDatabase = nullptr;
    std::string m_strDatabaseName;
    std::string m_strBatchWinAuth;
    std::string m_strBatchSqlAuth;
    std::string m_strOutputFolder;

    CScriptFile* m_hViewsFile = nullptr;
    CScriptFile* m_hProcFile = nullptr;
    CScriptFile* m_hTableFile = nullptr;
    CScriptFile* m_hDefaultFile = nullptr;
    CScriptFile* m_hRulesFile = nullptr;
    CScriptFile* m_hTriggersFile = nullptr;
    CScriptFile* m_hUserTypesFile = nullptr;
    CScriptFile* m_hConstraintFile = nullptr;
    CScriptFile* m_hFunctionsFile = nullptr;

    COrderedMap<CViewStoredProc> m_mapViews;
    COrderedMap<CViewStoredProc> m_mapProcedures;
    COrderedMap<CViewStoredProc> m_mapRules;
    COrderedMap<CViewStoredProc> m_mapTriggers;
    COrderedMap<CViewStoredProc> m_mapFunctions;
    COrderedMap<CUserType> m_mapUserTypes;
    COrderedMap<CIndexInfo> m_mapDefaults;
    COrderedMap<CTable> m_mapObjects;
    COrderedMap<CIndexInfo> m_mapSpare;

    std::int32_t m_nViews = 0;
    std::int32_t m_nProcedures = 0;
    std::int32_t m_nRules = 0;
    std::int32_t m_nTriggers = 0;
    std::int32_t m_nFunctions = 0;
    std::int32_t m_nUserTypes = 0;
    std::int32_t m_nDefaults = 0;
    std::int32_t m_nTables = 0;
    std::int32_t m_nSpare = 0;

    // System tables that a recovery could not find (object ids 1, 3, 4, 6), for the front ends.
    std::vector<std::string> m_vecMissingSystemTables;
    // What the last recovery (or scan file load) found damaged: a cut tail, damaged, stray and
    // torn pages, catalog rows that could not be read, inconsistent scan file entries. Emptied
    // when a recovery starts. The record walks report elsewhere: to the sink their caller gives,
    // or into the status block's m_recordDamage.
    CDamageLog m_damage;
    // Frees the tables and the programmable objects; user types and defaults stay, as callers of
    // ResetCatalog have always relied on.
    void ClearTablesAndObjects();

    // Takes the entry counts of the maps into the count members and the status block's counts, as
    // the end of a recovery publishes them.
    void PublishCounts();

    // True once a recovery ran to its end without a stop request.
    std::atomic<bool> m_bRecoveryComplete{false};
};

// Map keys are object ids printed as "%ld".
AMBERMILL_API std::string ObjectKey(std::int64_t nId);
