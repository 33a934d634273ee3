// engine/format2000/CSQLServer2000.cpp
#include "engine/format2000/CSQLServer2000.h"

#include "common/AppPaths.h"
#include "common/ExecutionLog.h"
#include "common/SettingsFile.h"
#include "engine/binding/EngineFactories.h"
#include "engine/core/CFormatTable.h"
#include "engine/core/CPageScanner.h"
#include "engine/format2000/CSysColumnsReader.h"
#include "engine/format2000/CSysCommentsReader.h"
#include "engine/format2000/CSysObjectsReader.h"
#include "engine/format2000/CSysTypesReader.h"
#include "engine/records/CGridCursor.h"
#include "engine/records/CTextPointerReader.h"
#include "engine/records/RealFormat.h"
#include "engine/scripts/CFolderScripts.h"
#include "engine/scripts/CObjectScript.h"
#include "engine/scripts/CScanFile.h"
#include "engine/scripts/CTableScript.h"
#include "engine/scripts/CUserTypeScript.h"

namespace {
void Log(std::string_view strMessage) {
    CExecutionLog::WriteLog(0, 0, std::string(strMessage), false);
}

const SFormatInfo& Format() {
    return *CFormatTable::ByFormat(EEngineFormat::SQL2000);
}
}  // namespace

std::unique_ptr<CSQLServerEngine> CreateSQLServer2000Engine() {
    return std::make_unique<CSQLServer2000>();
}

CSQLServer2000::CSQLServer2000() : m_recordExtractor(*this) {
    ResetCatalog();
    CExecutionLog::InitLogHeader();
    CExecutionLog::SetLogFolder();
    Log(Format().strFormatLabel);
    m_pStatus->m_hSysTabEvent->Reset();
    m_pStatus->m_hTableExtractedEvent->Reset();
    m_pStatus->m_hExportReady->Reset();
}

CSQLServer2000::~CSQLServer2000() {
    // A stop request ends every wait of the engine's threads, so joining here cannot hang.
    m_pStatus->m_bCancel = true;
    m_pStatus->m_bStop = true;
    JoinThreads();
}

void CSQLServer2000::JoinThreads() {
    m_recoveryThread.Join();
    m_recordExtractor.WaitForRecordThread();
}

std::string CSQLServer2000::FormatVersion() const {
    return std::string(Format().strVersionText);
}

bool CSQLServer2000::StartRecovery() {
    return m_recoveryThread.Start([this] { RecoverSQLServerMDF(); });
}

unsigned CSQLServer2000::RecoverSQLServerMDF() {
    CEngineStatus& status = *m_pStatus;
    m_bRecoveryComplete = false;
    m_vecMissingSystemTables.clear();
    m_counters = SCatalogCounters{};
    auto stopped = [&] {
        // The catalog stays as far as it got: every object in the maps is whole.
        CExecutionLog::WriteLog(0, 0, "Recovery stopped", false);
        return 1u;
    };

    ResetCatalog();
    std::string strName = GetDatabaseName();
    status.SetDatabaseName(strName);
    m_strDatabaseName = strName;

    CPageScanner scanner(*this);
    Log("Read All Pages");
    if (!scanner.ReadAllPages() && status.m_bCancel)
        return stopped();

    auto readTable = [&](const char* pszKey, const std::string& strNotFound,
                         const CPageScanner::RowReader& fn) {
        if (!scanner.ReadSystemTableRows(pszKey, strNotFound, fn) && !status.m_bCancel) {
            m_vecMissingSystemTables.push_back(pszKey);
        }
    };

    Log("Gathering datatypes");
    CSysTypesReader typesReader(*this);
    readTable("4", "Could not find systypes table",
              [&](const CByteView& d, std::uint16_t n) { typesReader.ReadRow(d, n); });
    if (status.m_bCancel)
        return stopped();

    Log("Reading sysobjects");
    CSysObjectsReader objectsReader(*this, m_counters);
    readTable("1", "Could not find Sysobjects table",
              [&](const CByteView& d, std::uint16_t n) { objectsReader.ReadRow(d, n); });
    if (status.m_bCancel)
        return stopped();
    Log("Reading sysobjects completed.");
    Log("Waiting For Event after reading sysobjects.");
    if (!status.CatalogHandshake())
        return stopped();
    Log("Event recieved");

    Log("Gathering view, stored procedures,triggers etc");
    CTextPointerReader textReader(m_strFileName);
    CSysCommentsReader commentsReader(*this, textReader);
    readTable("6", "Could not find syscomments table",
              [&](const CByteView& d, std::uint16_t n) { commentsReader.ReadRow(d, n); });
    commentsReader.Finish();
    if (status.m_bCancel)
        return stopped();

    Log("Reading column information");
    CSysColumnsReader columnsReader(*this, m_counters);
    readTable("3", "Could not find syscolumns table",
              [&](const CByteView& d, std::uint16_t n) { columnsReader.ReadRow(d, n); });
    if (status.m_bCancel)
        return stopped();
    Log("Waiting For Event after reading column information.");
    if (!status.CatalogHandshake())
        return stopped();
    Log("Event recieved");

    CSysObjectsReader::PruneTables(*this);
    PublishCounts();
    if (!status.CatalogHandshake())
        return stopped();

    Log("Parse Complete");
    m_bRecoveryComplete = true;
    return 1;
}

std::string CSQLServer2000::GetDatabaseName() {
    return CPageScanner(*this).GetDatabaseName();
}

void CSQLServer2000::DecodeRecord(std::span<const std::byte> pageData, std::uint16_t nRowOffset,
                                  CTable& table) {
    m_recordExtractor.DecodeRecord(pageData, nRowOffset, table);
}

std::uint16_t CSQLServer2000::DecodeRecordForExport(std::span<const std::byte> pageData,
                                                    std::uint16_t nRowOffset, CTable& table,
                                                    COdbcConnection* pDatabase,
                                                    std::string& strBatch, bool& bFlush) {
    return m_recordExtractor.DecodeRecordForExport(pageData, nRowOffset, table, pDatabase, strBatch,
                                                   bFlush);
}

void CSQLServer2000::ReadExtent(std::uint32_t nExtent, const std::string& strObjectId) {
    CPageScanner(*this).ReadExtent(nExtent, strObjectId);
}

void CSQLServer2000::StartRecordThread() {
    m_recordExtractor.StartRecordThread();
}

void CSQLServer2000::ResetCatalog() {
    ClearTablesAndObjects();
}

void CSQLServer2000::GenerateQueries(std::string strFolder) {
    CFolderScripts::GenerateQueries(*this, strFolder);
}
void CSQLServer2000::GenerateTableInsertQueries(std::string strFolder) {
    CFolderScripts::GenerateTableInsertQueries(*this, strFolder);
}

void CSQLServer2000::GenerateUserTypeQueries() {
    CUserTypeScript::Generate(*this);
}

bool CSQLServer2000::SaveScan(const std::string& strPath, std::string& strError) {
    return CScanFile::Save(*this, strPath, strError);
}

void CSQLServer2000::LoadScan(CArchiveReader& archive) {
    CScanFile::Load(*this, archive);
}

void CSQLServer2000::GenerateTableQueries(CTable* pTable) {
    if (!pTable)
        return;
    CExportContext context = m_recordExtractor.OneTableContext(pTable);
    if (context.m_bExportRecords) {
        // Set once, never cleared here: the setting holds for the rest of the export.
        if (CSettingsFile::ReadValue(CAppPaths::SettingsFile(), "Avoid_Duplicate") == "1")
            m_recordExtractor.m_bAvoidDuplicate = true;
        context.m_bAvoidDuplicate = m_recordExtractor.m_bAvoidDuplicate;
    }
    CTableScript::Generate(*this, context);
}

void CSQLServer2000::GenerateTableQueries(CTable* pTable, COdbcConnection* pDatabase) {
    if (!pTable)
        return;
    CExportContext context = m_recordExtractor.ConnectionContext(pTable, pDatabase);
    CTableScript::Generate(*this, context);
}

void CSQLServer2000::GenerateViewQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::View);
}
void CSQLServer2000::GenerateStoredProcQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::Procedure);
}
void CSQLServer2000::GenerateRulesQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::Rule);
}
void CSQLServer2000::GenerateTriggerQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::Trigger);
}
void CSQLServer2000::GenerateFunctionQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::Function);
}

std::string CSQLServer2000::FormatReal(std::uint32_t nBits) {
    return FormatRealBits(nBits);
}
