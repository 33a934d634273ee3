// engine/format2000/CSQLServer2000.h
#pragma once

#include <memory>

#include "engine/binding/EngineFactories.h"
#include "engine/core/CEngineThread.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/format2000/SCatalogCounters.h"
#include "engine/records/CRecordExtractor.h"

// The engine for the SQL Server 2000 data file format.
class CSQLServer2000 final : public CSQLServerEngine {
  public:
    CSQLServer2000();
    ~CSQLServer2000() override;

    unsigned RecoverSQLServerMDF() override;
    bool StartRecovery() override;
    std::string GetDatabaseName() override;
    void DecodeRecord(std::span<const std::byte> pageData, std::uint16_t nRowOffset,
                      CTable& table) override;
    std::uint16_t DecodeRecordForExport(std::span<const std::byte> pageData,
                                        std::uint16_t nRowOffset, CTable& table,
                                        COdbcConnection* pDatabase, std::string& strBatch,
                                        bool& bFlush) override;
    void ReadExtent(std::uint32_t nExtent, const std::string& strObjectId) override;
    void StartRecordThread() override;
    void ResetCatalog() override;
    void GenerateUserTypeQueries() override;
    bool SaveScan(const std::string& strPath, std::string& strError) override;
    void LoadScan(CArchiveReader& archive) override;
    void GenerateTableQueries(CTable* pTable) override;
    void GenerateTableQueries(CTable* pTable, COdbcConnection* pDatabase) override;
    using CSQLServerEngine::GenerateTableQueries;  // the overload on a caller's context
    void GenerateViewQueries(CViewStoredProc* pView) override;
    void GenerateStoredProcQueries(CViewStoredProc* pProc) override;
    void GenerateRulesQueries(CViewStoredProc* pRule) override;
    void GenerateTriggerQueries(CViewStoredProc* pTrigger) override;
    void GenerateFunctionQueries(CViewStoredProc* pFunction) override;
    std::string FormatReal(std::uint32_t nBits) override;

    void JoinThreads() override;
    bool IsRecovering() const override { return m_recoveryThread.IsRunning(); }
    std::string FormatVersion() const override;

    // Library operations outside the slot order: the catalog as folder scripts, and the INSERT
    // statements alone with a hand-shake after each table.
    void GenerateQueries(std::string strFolder);
    void GenerateTableInsertQueries(std::string strFolder);

    // The record procedures of this engine (paging state, statement walks).
    CRecordExtractor& RecordExtractor() { return m_recordExtractor; }

    // Counters the catalog readers share (tables first met in sysobjects, Unicode name numbers).
    SCatalogCounters m_counters;

  private:
    CEngineThread m_recoveryThread;
    // Last: its record thread ends before the rest of the engine goes away.
    CRecordExtractor m_recordExtractor;
};
