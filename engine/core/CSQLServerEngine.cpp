// engine/core/CSQLServerEngine.cpp
// engine/core/CSQLServerEngine.cpp
#include "engine/core/CSQLServerEngine.h"

#include "engine/records/CExportContext.h"
#include "engine/records/CGridCursor.h"
#include "engine/scripts/CTableScript.h"

CSQLServerEngine::CSQLServerEngine() : m_pStatus(std::make_unique<CEngineStatus>()) {}

CSQLServerEngine::~CSQLServerEngine() = default;

void CSQLServerEngine::GenerateTableQueries(CTable* pTable, CExportContext& context) {
    if (!pTable)
        return;
    context.m_pTable = pTable;
    CTableScript::Generate(*this, context);
}

std::unique_ptr<CGridCursor> CSQLServerEngine::OpenGridCursor(const CTable& table,
                                                              bool bFollowBinaryPointers) {
    return std::make_unique<CGridCursor>(
        table, CGridCursor::SOptions{m_strFileName, m_bRecoverDeleted, bFollowBinaryPointers, {}});
}

void CSQLServerEngine::ClearTablesAndObjects() {
    m_mapObjects.Clear();
    m_mapViews.Clear();
    m_mapProcedures.Clear();
    m_mapRules.Clear();
    m_mapTriggers.Clear();
    m_mapFunctions.Clear();
}

void CSQLServerEngine::PublishCounts() {
    m_nTables = static_cast<std::int32_t>(m_mapObjects.Count());
    m_nViews = static_cast<std::int32_t>(m_mapViews.Count());
    m_nProcedures = static_cast<std::int32_t>(m_mapProcedures.Count());
    m_nRules = static_cast<std::int32_t>(m_mapRules.Count());
    m_nTriggers = static_cast<std::int32_t>(m_mapTriggers.Count());
    m_nFunctions = static_cast<std::int32_t>(m_mapFunctions.Count());
    m_nUserTypes = static_cast<std::int32_t>(m_mapUserTypes.Count());
    m_nDefaults = static_cast<std::int32_t>(m_mapDefaults.Count());
    m_nSpare = static_cast<std::int32_t>(m_mapSpare.Count());
    CEngineStatus& status = *m_pStatus;
    status.m_nTables = m_nTables;
    status.m_nViews = m_nViews;
    status.m_nProcedures = m_nProcedures;
    status.m_nRules = m_nRules;
    status.m_nTriggers = m_nTriggers;
    status.m_nFunctions = m_nFunctions;
}

std::string ObjectKey(std::int64_t nId) {
    return std::to_string(nId);
}
