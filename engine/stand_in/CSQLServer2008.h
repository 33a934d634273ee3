// engine/stand_in/CSQLServer2008.h
#pragma once

#include "engine/stand_in/CStandInEngine.h"

// Stand-in engine for the SQL Server 2008 format.
class CSQLServer2008 final : public CStandInEngine {
  public:
    CSQLServer2008() : CStandInEngine(EEngineFormat::SQL2008) {}
};
