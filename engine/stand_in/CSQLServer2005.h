// engine/stand_in/CSQLServer2005.h
#pragma once

#include "engine/stand_in/CStandInEngine.h"

// Stand-in engine for the SQL Server 2005 format.
class CSQLServer2005 final : public CStandInEngine {
  public:
    CSQLServer2005() : CStandInEngine(EEngineFormat::SQL2005) {}
};
