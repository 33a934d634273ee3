// app/shell/CDamageCollector.h
#pragma once

#include <vector>

#include "app/shell/SDamageRecord.h"

class CDamageLog;
class CSQLServerEngine;
struct SDamage;

// Turns what an engine reported as damage into the window's records.
class CDamageCollector {
  public:
    // What the last recovery or scan file load reported (the engine's damage log), plus the
    // system tables it could not find where the log does not name them already.
    static std::vector<SDamageRecord> FromRecovery(const CSQLServerEngine& engine);
    // Records of a page walk or an export; names come from the engine's catalog.
    static std::vector<SDamageRecord> FromLog(const CDamageLog& log,
                                              const CSQLServerEngine& engine);
    static std::vector<SDamageRecord> FromDamage(const std::vector<SDamage>& vecDamage,
                                                 const CSQLServerEngine& engine);
};
