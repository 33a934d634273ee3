// engine/core/CSQLServerEngine.cpp
#include "engine/core/CSQLServerEngine.h"

CSQLServerEngine::CSQLServerEngine() : m_pStatus(std::make_unique<CEngineStatus>()) {}

CSQLServerEngine::~CSQLServerEngine() = default;

std::string ObjectKey(std::int64_t nId) {
    return std::to_string(nId);
}
