// engine/core/CEngineBase.cpp
#include "engine/core/CEngineBase.h"

#include "common/AppPaths.h"
#include "common/ExecutionLog.h"
#include "common/SettingsFile.h"
#include "engine/records/CGridCursor.h"
#include "engine/records/RealFormat.h"
#include "engine/scripts/CObjectScript.h"
#include "engine/scripts/CScanFile.h"
#include "engine/scripts/CTableScript.h"
#include "engine/scripts/CUserTypeScript.h"

CEngineBase::CEngineBase(EEngineFormat eFormat, FRowSourceFactory fnRowSource)
    : m_format(*CFormatTable::ByFormat(eFormat)),
      m_fnRowSource(fnRowSource),
      m_recordExtractor(*this, std::move(fnRowSource)) {
    ClearTablesAndObjects();
    CExecutionLog::InitLogHeader();
    CExecutionLog::SetLogFolder();
    CExecutionLog::WriteLog(0, 0, std::string(m_format.strFormatLabel), false);
    m_pStatus->m_hSysTabEvent->Reset();
    m_pStatus->m_hTableExtractedEvent->Reset();
    m_pStatus->m_hExportReady->Reset();
}

CEngineBase::~CEngineBase() {
    StopAndJoin();
}

void CEngineBase::StopAndJoin() {
    // A stop request ends every wait of the engine's threads, so joining here cannot hang.
    m_pStatus->m_bCancel = true;
    m_pStatus->m_bStop = true;
    JoinThreads();
}

void CEngineBase::JoinThreads() {
    m_recoveryThread.Join();
    m_recordExtractor.WaitForRecordThread();
}

std::string CEngineBase::FormatVersion() const {
    return std::string(m_format.strVersionText);
}

void CEngineBase::BeginRecovery() {
    m_bRecoveryComplete = false;
    m_vecMissingSystemTables.clear();
    m_damage.Clear();
    ResetCatalog();
    m_strDatabaseName = GetDatabaseName();
    m_pStatus->SetDatabaseName(m_strDatabaseName);
}

unsigned CEngineBase::RecoveryStopped() {
    CExecutionLog::WriteLog(0, 0, "Recovery stopped", false);
    return 1;
}

unsigned CEngineBase::FinishRecovery() {
    PublishCounts();
    if (!m_pStatus->CatalogHandshake())
        return RecoveryStopped();
    CExecutionLog::WriteLog(0, 0, "Parse Complete", false);
    m_bRecoveryComplete = true;
    return 1;
}

bool CEngineBase::StartRecovery() {
    return m_recoveryThread.Start([this] { RecoverSQLServerMDF(); });
}

void CEngineBase::DecodeRecord(std::span<const std::byte> pageData, std::uint16_t nRowOffset,
                               CTable& table) {
    m_recordExtractor.DecodeRecord(pageData, nRowOffset, table);
}

std::uint16_t CEngineBase::DecodeRecordForExport(std::span<const std::byte> pageData,
                                                 std::uint16_t nRowOffset, CTable& table,
                                                 COdbcConnection* pDatabase, std::string& strBatch,
                                                 bool& bFlush) {
    return m_recordExtractor.DecodeRecordForExport(pageData, nRowOffset, table, pDatabase, strBatch,
                                                   bFlush);
}

void CEngineBase::StartRecordThread() {
    m_recordExtractor.StartRecordThread();
}

void CEngineBase::ResetCatalog() {
    ClearTablesAndObjects();
}

void CEngineBase::GenerateUserTypeQueries() {
    CUserTypeScript::Generate(*this);
}

bool CEngineBase::SaveScan(const std::string& strPath, std::string& strError) {
    return CScanFile::Save(*this, strPath, strError);
}

void CEngineBase::LoadScan(CArchiveReader& archive) {
    CScanFile::Load(*this, archive);
}

void CEngineBase::GenerateTableQueries(CTable* pTable) {
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

void CEngineBase::GenerateTableQueries(CTable* pTable, COdbcConnection* pDatabase) {
    if (!pTable)
        return;
    CExportContext context = m_recordExtractor.ConnectionContext(pTable, pDatabase);
    CTableScript::Generate(*this, context);
}

void CEngineBase::GenerateTableQueries(CTable* pTable, CExportContext& context) {
    if (m_fnRowSource)
        context.m_fnRowSource = m_fnRowSource;
    CSQLServerEngine::GenerateTableQueries(pTable, context);
}

std::unique_ptr<CGridCursor> CEngineBase::OpenGridCursor(const CTable& table,
                                                         bool bFollowBinaryPointers) {
    return std::make_unique<CGridCursor>(
        table, CGridCursor::SOptions{m_strFileName, m_bRecoverDeleted, bFollowBinaryPointers,
                                     m_fnRowSource});
}

void CEngineBase::GenerateViewQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::View);
}
void CEngineBase::GenerateStoredProcQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::Procedure);
}
void CEngineBase::GenerateRulesQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::Rule);
}
void CEngineBase::GenerateTriggerQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::Trigger);
}
void CEngineBase::GenerateFunctionQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::Function);
}

std::string CEngineBase::FormatReal(std::uint32_t nBits) {
    return FormatRealBits(nBits);
}
