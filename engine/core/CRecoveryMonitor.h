// engine/core/CRecoveryMonitor.h
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/Export.h"

class CSQLServerEngine;

// The program's side of a recovery's hand-shakes: counts the pages of the page scan (0 to 50
// percent), answers the three catalog phases (60, 70, 100 percent) and reports each step. Used by
// the command-line tool, the benchmarks and the tests; the desktop program shows the same steps.
class AMBERMILL_API CRecoveryMonitor {
  public:
    struct SProgress {
        int nPercent = 0;
        std::string strPhase;
        std::uint32_t nPagesRead = 0;
        std::uint32_t nTotalPages = 0;
    };
    using Callback = std::function<void(const SProgress&)>;

    explicit CRecoveryMonitor(CSQLServerEngine& engine) : m_engine(engine) {}

    // Starts the recovery and follows it to its end. Returns true when the recovery completed;
    // false when m_bCancel stopped it (or it could not start). The recovery thread is joined on
    // every way out.
    bool Run(const Callback& fnProgress = {});

  private:
    bool FollowPages(const Callback& fnProgress);
    bool FollowCatalogPhase(int nPercent, const std::string& strPhase, const Callback& fnProgress);

    CSQLServerEngine& m_engine;
};
