// engine/binding/EngineFactories.h
#pragma once

#include <memory>

#include "common/Export.h"

class CSQLServerEngine;

// The one symbol each format library exports: a new engine for its format. Front ends call them
// only through CEngineBinding.
AMBERMILL_API std::unique_ptr<CSQLServerEngine> CreateSQLServer2000Engine();
AMBERMILL_API std::unique_ptr<CSQLServerEngine> CreateSQLServer2005Engine();
AMBERMILL_API std::unique_ptr<CSQLServerEngine> CreateSQLServer2008Engine();
