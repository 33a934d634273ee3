// engine/core/CEngineBase.h
#pragma once

#include <memory>
#include <string>

#include "engine/core/CEngineThread.h"
#include "engine/core/CFormatTable.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/records/CRecordExtractor.h"

// What every format's engine shares beyond the interface: the log header and format label of its
// construction, the recovery thread, the record procedures (grid pages through a grid cursor,
// table exports through export contexts, both over the format's row source) and the Generate
// operations, scan files and user types, which work on the shared model alone. A format's engine
// adds its recovery, its database name and, unless its rows are the fixed/variable rows of the
// table's page list, its row source.
class AMBERMILL_API CEngineBase : public CSQLServerEngine {
  public:
    bool StartRecovery() override;
    void DecodeRecord(std::span<const std::byte> pageData, std::uint16_t nRowOffset,
                      CTable& table) override;
    std::uint16_t DecodeRecordForExport(std::span<const std::byte> pageData,
                                        std::uint16_t nRowOffset, CTable& table,
                                        COdbcConnection* pDatabase, std::string& strBatch,
                                        bool& bFlush) override;
    void StartRecordThread() override;
    void ResetCatalog() override;
    void GenerateUserTypeQueries() override;
    bool SaveScan(const std::string& strPath, std::string& strError) override;
    void LoadScan(CArchiveReader& archive) override;
    void GenerateTableQueries(CTable* pTable) override;
    void GenerateTableQueries(CTable* pTable, COdbcConnection* pDatabase) override;
    void GenerateTableQueries(CTable* pTable, CExportContext& context) override;
    void GenerateViewQueries(CViewStoredProc* pView) override;
    void GenerateStoredProcQueries(CViewStoredProc* pProc) override;
    void GenerateRulesQueries(CViewStoredProc* pRule) override;
    void GenerateTriggerQueries(CViewStoredProc* pTrigger) override;
    void GenerateFunctionQueries(CViewStoredProc* pFunction) override;
    std::string FormatReal(std::uint32_t nBits) override;

    void JoinThreads() override;
    bool IsRecovering() const override { return m_recoveryThread.IsRunning(); }
    std::string FormatVersion() const override;
    std::unique_ptr<CGridCursor> OpenGridCursor(const CTable& table,
                                                bool bFollowBinaryPointers) override;

    // The record procedures of this engine (paging state, statement walks).
    CRecordExtractor& RecordExtractor() { return m_recordExtractor; }

  protected:
    // fnRowSource: where the rows of this format come from; empty for the fixed/variable rows.
    explicit CEngineBase(EEngineFormat eFormat, FRowSourceFactory fnRowSource = {});
    ~CEngineBase() override;

    // Ends the engine's threads: a stop request ends their waits, then both are joined. The most
    // derived engine calls it in its destructor, while its recovery is still a whole object.
    void StopAndJoin();
    const SFormatInfo& Format() const { return m_format; }
    // The start of every recovery: the last catalog and its state gone, the database name read
    // and published.
    void BeginRecovery();
    // The end of a recovery that a stop request cut short: the catalog stays as far as it got
    // (every object in the maps is whole). Returns the recovery's result.
    static unsigned RecoveryStopped();
    // The end every recovery shares: the counts published, the last hand-shake, the recovery
    // marked complete. Returns the recovery's result.
    unsigned FinishRecovery();

  private:
    const SFormatInfo& m_format;
    FRowSourceFactory m_fnRowSource;
    CEngineThread m_recoveryThread;
    // Last: its record thread ends before the rest of the engine goes away.
    CRecordExtractor m_recordExtractor;
};
