// app/shell/CDamageCollector.h
#pragma once

#include <vector>

#include "app/shell/SDamageRecord.h"

class CSQLServerEngine;

// Gathers what an engine reported as damage after a recovery, in the window's terms.
class CDamageCollector {
  public:
    static std::vector<SDamageRecord> FromRecovery(const CSQLServerEngine& engine);
};
