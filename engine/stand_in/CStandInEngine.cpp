// engine/stand_in/CStandInEngine.cpp
#include "engine/stand_in/CStandInEngine.h"

#include "common/ExecutionLog.h"
#include "engine/core/CPageScanner.h"
#include "engine/records/CGridCursor.h"
#include "engine/records/RealFormat.h"
#include "engine/scripts/CScanFile.h"

CStandInEngine::CStandInEngine(EEngineFormat eFormat) : m_format(*CFormatTable::ByFormat(eFormat)) {
    CExecutionLog::InitLogHeader();
    CExecutionLog::SetLogFolder();
    CExecutionLog::WriteLog(0, 0, std::string(m_format.strFormatLabel), false);
    m_pStatus->m_hSysTabEvent->Reset();
    m_pStatus->m_hTableExtractedEvent->Reset();
    m_pStatus->m_hExportReady->Reset();
}

CStandInEngine::~CStandInEngine() {
    m_pStatus->m_bCancel = true;
    JoinThreads();
}

void CStandInEngine::JoinThreads() {
    m_recoveryThread.Join();
}

bool CStandInEngine::StartRecovery() {
    return m_recoveryThread.Start([this] { RecoverSQLServerMDF(); });
}

unsigned CStandInEngine::RecoverSQLServerMDF() {
    m_bRecoveryComplete = false;
    m_damage.Clear();
    ResetCatalog();
    CPageScanner scanner(*this);
    m_strDatabaseName = scanner.CheckFixedPages();
    m_pStatus->SetDatabaseName(m_strDatabaseName);
    CExecutionLog::WriteLog(0, 0, "Read All Pages", false);
    scanner.ReadAllPages();
    ResetCatalog();  // the page list means nothing without this format's catalog reader
    if (m_pStatus->m_bCancel)
        return 1;
    CExecutionLog::WriteLog(
        1, 0, "The " + std::string(m_format.strProductName) + " format is not read by this build",
        true);
    for (int i = 0; i < 3; ++i) {
        if (!m_pStatus->CatalogHandshake())
            return 1;
    }
    CExecutionLog::WriteLog(0, 0, "Parse Complete", false);
    m_bRecoveryComplete = true;
    return 1;
}

std::string CStandInEngine::GetDatabaseName() {
    return CPageScanner(*this).GetDatabaseName();
}

void CStandInEngine::StartRecordThread() {
    // No records of this format: the run is over at once.
    m_pStatus->ClearRows();
    m_pStatus->m_bTableDone = true;
    m_pStatus->m_bTableDone.notify_all();
}

void CStandInEngine::ResetCatalog() {
    ClearTablesAndObjects();
}

bool CStandInEngine::SaveScan(const std::string& strPath, std::string& strError) {
    return CScanFile::Save(*this, strPath, strError);
}

void CStandInEngine::LoadScan(CArchiveReader& archive) {
    CScanFile::Load(*this, archive);
}

std::unique_ptr<CGridCursor> CStandInEngine::OpenGridCursor(const CTable&, bool) {
    return nullptr;
}

std::string CStandInEngine::FormatReal(std::uint32_t nBits) {
    return FormatRealBits(nBits);
}
