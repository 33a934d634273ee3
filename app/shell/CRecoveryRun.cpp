// app/shell/CRecoveryRun.cpp
#include "app/shell/CRecoveryRun.h"

#include "common/ExecutionLog.h"
#include "engine/core/CSQLServerEngine.h"

CRecoveryRun::CRecoveryRun(CSQLServerEngine& engine, SPacing pacing, QObject* pParent)
    : QObject(pParent), m_engine(engine), m_pacing(std::move(pacing)) {
    // Queued: the watcher emits it, Deliver runs on this object's (the GUI) thread. Several steps
    // posted before the GUI thread looks are shown as the last of them.
    connect(this, &CRecoveryRun::StepPosted, this, &CRecoveryRun::Deliver, Qt::QueuedConnection);
}

CRecoveryRun::~CRecoveryRun() {
    if (m_watcher.joinable()) {
        RequestStop();
        m_watcher.join();
    }
}

bool CRecoveryRun::Start() {
    if (m_watcher.joinable())
        return false;
    CEngineStatus& status = *m_engine.m_pStatus;
    status.m_bCancel = false;
    if (m_pacing.nPagesPerHandshake != 0)
        status.m_nPagesPerHandshake = m_pacing.nPagesPerHandshake;
    m_bRunning = true;
    m_watcher = std::thread([this] { Watch(); });
    return true;
}

namespace {
// The program's own lines in the execution log, as its two progress threads have always written
// them: one per stage of the system tables (waiting, then found) and one when the page count ends.
constexpr const char* kWaitingForStage = "Waiting for Progress event : -Reading System table";
constexpr const char* kStageFound = "Event Fonund for Progress  : -Reading System table";
constexpr const char* kPagesEnded = "Existing Progress event for Reading Pages";

void Log(const char* pszLine) {
    CExecutionLog::WriteLog(0, 0, pszLine, false);
}
}  // namespace

void CRecoveryRun::Watch() {
    CRecoveryMonitor monitor(m_engine);
    bool bPagesEnded = false;
    Log(kWaitingForStage);
    const bool bCompleted = monitor.Run([&](const CRecoveryMonitor::SProgress& progress) {
        if (m_pacing.fnStep)
            m_pacing.fnStep(progress);
        const bool bCatalogStage = progress.nPercent > 50;
        if (!bPagesEnded && (bCatalogStage || progress.nPagesRead >= progress.nTotalPages)) {
            bPagesEnded = true;
            Log(kPagesEnded);
        }
        if (bCatalogStage) {
            Log(kStageFound);
            if (progress.nPercent < 100)
                Log(kWaitingForStage);
        }
        m_nPercent = progress.nPercent;
        emit StepPosted(QPrivateSignal());
    });
    if (!bPagesEnded)
        Log(kPagesEnded);
    // Run() has joined the engine's threads: the catalog is whole and no engine thread runs.
    m_bCompleted = bCompleted;
    m_bRunning = false;
    m_bEnded = true;
    emit StepPosted(QPrivateSignal());
}

void CRecoveryRun::Deliver() {
    const int nPercent = m_nPercent.load();
    if (nPercent != m_nPercentShown.exchange(nPercent) && nPercent >= 0)
        emit PercentChanged(nPercent);
    if (m_bEnded.load() && !m_bFinishedSent) {
        m_bFinishedSent = true;
        emit Finished(m_bCompleted.load());
    }
}

void CRecoveryRun::RequestStop() {
    CEngineStatus& status = *m_engine.m_pStatus;
    m_bStopRequested = true;
    status.m_bCancel = true;
    // Releases the engine's waits so that it sees the flag at once.
    status.m_hTableExtractedEvent->Set();
    status.m_hRecordEvent->Set();
}

std::uint32_t CRecoveryRun::PagesRead() const {
    return m_engine.m_pStatus->m_nPagesRead.load();
}

std::uint32_t CRecoveryRun::TotalPages() const {
    return m_engine.m_pStatus->m_nTotalPages.load();
}

std::string CRecoveryRun::DatabaseName() const {
    return m_engine.m_pStatus->DatabaseName();
}

CRecoveryRun::SCounts CRecoveryRun::Counts() const {
    const CEngineStatus& status = *m_engine.m_pStatus;
    return SCounts{status.m_nTables.load(), status.m_nViews.load(),    status.m_nProcedures.load(),
                   status.m_nRules.load(),  status.m_nTriggers.load(), status.m_nFunctions.load()};
}
