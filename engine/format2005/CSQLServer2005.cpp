// engine/format2005/CSQLServer2005.cpp
#include "engine/format2005/CSQLServer2005.h"

#include "engine/binding/EngineFactories.h"

std::unique_ptr<CSQLServerEngine> CreateSQLServer2005Engine() {
    return std::make_unique<CSQLServer2005>();
}
