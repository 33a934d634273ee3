// engine/stand_in/CStandInEngine.h
#pragma once

#include <string>

#include "engine/core/CEngineThread.h"
#include "engine/core/CFormatTable.h"
#include "engine/core/CSQLServerEngine.h"

// An engine for a format this build does not read. It runs every hand-shake of a recovery, so the
// front ends behave as with a real engine, and ends with an empty catalog and an error-log line.
// Real readers for these formats can replace it behind the same interface.
class CStandInEngine : public CSQLServerEngine {
  public:
    explicit CStandInEngine(EEngineFormat eFormat);
    ~CStandInEngine() override;

    unsigned RecoverSQLServerMDF() override;
    bool StartRecovery() override;
    std::string GetDatabaseName() override;
    void DecodeRecord(std::span<const std::byte>, std::uint16_t, CTable&) override {}
    std::uint16_t DecodeRecordForExport(std::span<const std::byte>, std::uint16_t, CTable&,
                                        COdbcConnection*, std::string&, bool&) override {
        return 0;
    }
    void ReadExtent(std::uint32_t, const std::string&) override {}
    void StartRecordThread() override;
    void ResetCatalog() override;
    void GenerateUserTypeQueries() override {}
    bool SaveScan(const std::string& strPath, std::string& strError) override;
    void LoadScan(CArchiveReader& archive) override;
    void GenerateTableQueries(CTable*) override {}
    void GenerateTableQueries(CTable*, COdbcConnection*) override {}
    void GenerateTableQueries(CTable*, CExportContext&) override {}
    void GenerateViewQueries(CViewStoredProc*) override {}
    void GenerateStoredProcQueries(CViewStoredProc*) override {}
    void GenerateRulesQueries(CViewStoredProc*) override {}
    void GenerateTriggerQueries(CViewStoredProc*) override {}
    void GenerateFunctionQueries(CViewStoredProc*) override {}
    std::string FormatReal(std::uint32_t nBits) override;

    void JoinThreads() override;
    bool IsRecovering() const override { return m_recoveryThread.IsRunning(); }
    std::string FormatVersion() const override { return std::string(m_format.strVersionText); }
    std::unique_ptr<CGridCursor> OpenGridCursor(const CTable&, bool) override;

  private:
    const SFormatInfo& m_format;
    CEngineThread m_recoveryThread;
};
