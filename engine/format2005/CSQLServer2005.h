// engine/format2005/CSQLServer2005.h
#pragma once

#include "engine/format2005/CLaterFormatEngine.h"

// The engine for the SQL Server 2005 data file format.
class CSQLServer2005 final : public format2005::CLaterFormatEngine {
  public:
    CSQLServer2005() : CLaterFormatEngine(EEngineFormat::SQL2005) {}
};
