// engine/stand_in/CSQLServer2008.h
#pragma once

#include <memory>

#include "engine/stand_in/CStandInEngine.h"

// Stand-in engine for the SQL Server 2008 format.
class CSQLServer2008 final : public CStandInEngine {
  public:
    CSQLServer2008() : CStandInEngine("2008") {}
};

// Factory exported by this library.
std::unique_ptr<CSQLServerEngine> CreateSQLServer2008Engine();
