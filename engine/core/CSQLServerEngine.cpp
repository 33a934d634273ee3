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
        table, CGridCursor::SOptions{m_strFileName, m_bRecoverDeleted, bFollowBinaryPointers});
}

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
