// engine/format2005/CSQLServer2008.cpp
#include "engine/format2005/CSQLServer2008.h"

#include "engine/binding/EngineFactories.h"

std::unique_ptr<CSQLServerEngine> CreateSQLServer2008Engine() {
    return std::make_unique<CSQLServer2008>();
}
