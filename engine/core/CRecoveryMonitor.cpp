// engine/core/CRecoveryMonitor.cpp
#include "engine/core/CRecoveryMonitor.h"

#include "engine/core/CSQLServerEngine.h"

bool CRecoveryMonitor::Run(const Callback& fnProgress) {
    CEngineStatus& status = *m_engine.m_pStatus;
    status.m_bRecordsDone = false;
    status.m_bPagesDone = false;
    status.m_bProgramFlag1 = false;
    status.m_bProgramFlag2 = false;
    status.m_hSysTabEvent->Reset();
    status.m_hTableExtractedEvent->Reset();
    status.m_hProgressRdyEvent->Reset();
    status.m_hPageRead->Reset();
    status.m_hSysRead->Reset();
    status.m_hSystemTabRdyEvent->Reset();
    if (status.m_bCancel || !m_engine.StartRecovery())
        return false;

    bool bOk = FollowPages(fnProgress) &&
               FollowCatalogPhase(60, "Reading system tables", fnProgress) &&
               FollowCatalogPhase(70, "Reading columns and object texts", fnProgress) &&
               FollowCatalogPhase(100, "Recovery complete", fnProgress);
    m_engine.JoinThreads();
    return bOk && m_engine.m_bRecoveryComplete;
}

bool CRecoveryMonitor::FollowPages(const Callback& fnProgress) {
    CEngineStatus& status = *m_engine.m_pStatus;
    int nLastPercent = -1;
    for (;;) {
        if (!status.m_hPageRead->Wait(&status.m_bCancel))
            break;
        status.m_hPageRead->Reset();
        if (status.m_bCancel)
            break;
        std::uint32_t nTotal = status.m_nTotalPages;
        std::uint32_t nRead = status.m_nPagesRead;
        int nPercent =
            nTotal == 0 ? 50 : static_cast<int>(static_cast<std::uint64_t>(nRead) * 50 / nTotal);
        if (fnProgress && nPercent != nLastPercent) {
            fnProgress(SProgress{nPercent, "Reading pages", nRead, nTotal});
            nLastPercent = nPercent;
        }
        if (nRead >= nTotal || status.m_bPagesDone) {
            status.m_hProgressRdyEvent->Set();
            status.m_hPageAck->Set();
            status.m_hPageReadComplete->Set();
            return true;
        }
        status.m_hPageAck->Set();
    }
    status.m_hPageReadComplete->Set();
    return false;
}

bool CRecoveryMonitor::FollowCatalogPhase(int nPercent, const std::string& strPhase,
                                          const Callback& fnProgress) {
    CEngineStatus& status = *m_engine.m_pStatus;
    if (!status.m_hSysRead->Wait(&status.m_bCancel))
        return false;
    status.m_hSysRead->Reset();
    if (status.m_bCancel)
        return false;
    if (fnProgress) {
        fnProgress(
            SProgress{nPercent, strPhase, status.m_nPagesRead.load(), status.m_nTotalPages.load()});
    }
    status.m_hSystemTabRdyEvent->Set();
    return true;
}
