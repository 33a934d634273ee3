// engine/core/CSQLServerEngine.cpp
#include "engine/core/CSQLServerEngine.h"

CSQLServerEngine::CSQLServerEngine() : m_pStatus(std::make_unique<CEngineStatus>()) {}

CSQLServerEngine::~CSQLServerEngine() = default;

void CSQLServerEngine::ClearTablesAndObjects() {
    m_mapObjects.Clear();
    m_mapViews.Clear();
    m_mapProcedures.Clear();
    m_mapRules.Clear();
    m_mapTriggers.Clear();
    m_mapFunctions.Clear();
}

std::string ObjectKey(std::int64_t nId) {
    return std::to_string(nId);
}
