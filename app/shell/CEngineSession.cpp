// app/shell/CEngineSession.cpp
#include "app/shell/CEngineSession.h"

#include "app/shell/CRecordPageLoader.h"
#include "engine/binding/CEngineBinding.h"
#include "engine/binding/ScanFileOpener.h"
#include "engine/core/CSQLServerEngine.h"

std::unique_ptr<CEngineSession> CEngineSession::ForRecovery(EEngineFormat eFormat,
                                                            const std::string& strDataFile) {
    auto pEngine = CEngineBinding::Create(eFormat);
    if (!pEngine)
        return nullptr;
    pEngine->ResetCatalog();
    pEngine->m_strFileName = strDataFile;
    return std::unique_ptr<CEngineSession>(
        new CEngineSession(std::move(pEngine), ESource::Recovering));
}

std::unique_ptr<CEngineSession> CEngineSession::ForScan(std::unique_ptr<CSQLServerEngine> pEngine) {
    return std::unique_ptr<CEngineSession>(
        new CEngineSession(std::move(pEngine), ESource::ScanFile));
}

CEngineSession::SScanOpen CEngineSession::OpenScan(const std::string& strPath) {
    SScanOpenResult result = OpenScanFileChecked(strPath);
    SScanOpen open;
    if (result.pEngine)
        open.pSession = ForScan(std::move(result.pEngine));
    open.bNotScanFile = result.eError == EScanOpenError::NotScanFile;
    open.strError = std::move(result.strError);
    return open;
}

bool CEngineSession::IsScanFile(const std::string& strPath) {
    return LooksLikeScanFile(strPath);
}

bool CEngineSession::SaveScan(const std::string& strPath, std::string& strError) const {
    return m_pEngine->SaveScan(strPath, strError);
}

bool CEngineSession::CatalogIsEmpty() const {
    const CSQLServerEngine& engine = *m_pEngine;
    return engine.m_mapObjects.Empty() && engine.m_mapViews.Empty() &&
           engine.m_mapProcedures.Empty() && engine.m_mapRules.Empty() &&
           engine.m_mapTriggers.Empty() && engine.m_mapFunctions.Empty();
}

std::string CEngineSession::FormatVersion() const {
    return m_pEngine->FormatVersion();
}

const SFormatInfo* CEngineSession::Format() const {
    return CFormatTable::ByVersionText(m_pEngine->FormatVersion());
}

bool CEngineSession::ExportRunning() const {
    return m_pEngine->m_bRecordExportRunning.load();
}

CEngineSession::CEngineSession(std::unique_ptr<CSQLServerEngine> pEngine, ESource eSource)
    : m_pEngine(std::move(pEngine)), m_eSource(eSource) {
    m_pLoader = new CRecordPageLoader(*m_pEngine, this);
}

CEngineSession::~CEngineSession() {
    RequestStop();
    // The watcher and the loader join their threads; then the engine joins its own. Only then
    // is the engine freed.
    delete m_pRecovery;
    delete m_pLoader;
    m_pEngine->JoinThreads();
}

bool CEngineSession::IsBusy() const {
    return (m_pRecovery != nullptr && m_pRecovery->IsRunning()) || m_pLoader->IsBusy();
}

CRecoveryRun& CEngineSession::StartRecovery(CRecoveryRun::SPacing pacing) {
    delete m_pRecovery;
    m_pRecovery = new CRecoveryRun(*m_pEngine, std::move(pacing), this);
    m_eSource = ESource::Recovering;
    connect(m_pRecovery, &CRecoveryRun::Finished, this, [this](bool bCompleted) {
        m_eSource =
            bCompleted && m_pEngine->m_bRecoveryComplete ? ESource::Recovered : ESource::Stopped;
    });
    m_pRecovery->Start();
    return *m_pRecovery;
}

void CEngineSession::RequestStop() {
    if (m_pRecovery != nullptr && m_pRecovery->IsRunning())
        m_pRecovery->RequestStop();
    m_pLoader->CancelAll();
}

namespace {
QString Label(EEngineFormat eFormat, std::string_view SFormatInfo::*pLabel) {
    const SFormatInfo* pFormat = CFormatTable::ByFormat(eFormat);
    if (pFormat == nullptr)
        return {};
    const std::string_view strLabel = pFormat->*pLabel;
    return QString::fromUtf8(strLabel.data(), static_cast<qsizetype>(strLabel.size()));
}
}  // namespace

QString CEngineSession::VersionLabel(EEngineFormat eFormat) {
    return Label(eFormat, &SFormatInfo::strVersionLabel);
}

QString CEngineSession::FormatLabel(EEngineFormat eFormat) {
    return Label(eFormat, &SFormatInfo::strFormatLabel);
}
