// engine/format2000/CSQLServer2000.h
#pragma once

#include <memory>

#include "engine/binding/EngineFactories.h"
#include "engine/core/CEngineBase.h"
#include "engine/format2000/SCatalogCounters.h"

// The engine for the SQL Server 2000 data file format.
class CSQLServer2000 final : public CEngineBase {
  public:
    CSQLServer2000();
    ~CSQLServer2000() override;

    unsigned RecoverSQLServerMDF() override;
    std::string GetDatabaseName() override;
    void ReadExtent(std::uint32_t nExtent, const std::string& strObjectId) override;

    // Library operations outside the slot order: the catalog as folder scripts, and the INSERT
    // statements alone with a hand-shake after each table.
    void GenerateQueries(std::string strFolder);
    void GenerateTableInsertQueries(std::string strFolder);

    // Counters the catalog readers share (tables first met in sysobjects, Unicode name numbers).
    SCatalogCounters m_counters;
};
