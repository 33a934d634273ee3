// engine/format2005/CSQLServer2008.h
#pragma once

#include "engine/format2005/CLaterFormatEngine.h"

// The engine for the SQL Server 2008 data file format.
class CSQLServer2008 final : public format2005::CLaterFormatEngine {
  public:
    CSQLServer2008() : CLaterFormatEngine(EEngineFormat::SQL2008) {}
};
