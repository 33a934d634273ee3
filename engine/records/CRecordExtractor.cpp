// engine/records/CRecordExtractor.cpp
#include "engine/records/CRecordExtractor.h"

#include <exception>
#include <utility>

#include "common/AppPaths.h"
#include "common/ExecutionLog.h"
#include "common/SettingsFile.h"
#include "engine/catalog/CTable.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/records/CInsertStatementBuilder.h"
#include "engine/records/CRecordExport.h"
#include "engine/records/CRowDecoder.h"

namespace {
constexpr int kDefaultBatchSize = 100;

int ExportBatchSize() {
    bool bFileFound = false;
    auto value = CSettingsFile::ReadValue(CAppPaths::SettingsFile(), "Exportsize", &bFileFound);
    if (!bFileFound)
        return kDefaultBatchSize;
    if (!value)
        return 0;
    return static_cast<int>(CSettingsFile::LeadingInteger(*value));
}

void LogFailure(const std::exception& error) {
    // Not damage (that is data): the run cannot go on, and says so.
    CExecutionLog::WriteLog(1, 0, std::string("Record extraction failed: ") + error.what(), true);
}
}  // namespace

CRecordExtractor::CRecordExtractor(CSQLServerEngine& engine, FRowSourceFactory fnRowSource)
    : m_engine(engine), m_fnRowSource(std::move(fnRowSource)) {}

CRecordExtractor::~CRecordExtractor() {
    m_recordThread.Stop();
}

void CRecordExtractor::MarkTableDone() {
    CEngineStatus& status = *m_engine.m_pStatus;
    status.m_bTableDone.store(true);
    status.m_bTableDone.notify_all();
}

CExportContext CRecordExtractor::OneTableContext(CTable* pTable) const {
    CEngineStatus& status = *m_engine.m_pStatus;
    CExportContext context;
    context.m_bDirect = m_engine.m_bDirectExport;
    context.m_pConnection = m_engine.m_pDatabase;
    context.m_pTableFile = m_engine.m_hTableFile;
    context.m_pDefaultFile = m_engine.m_hDefaultFile;
    context.m_pConstraintFile = m_engine.m_hConstraintFile;
    context.m_bExportRecords = m_engine.m_bExportRecords;
    context.m_bRecoverDeleted = m_engine.m_bRecoverDeleted;
    context.m_bAvoidDuplicate = m_bAvoidDuplicate;
    context.m_eWalk = CExportContext::EWalk::RowByRow;
    context.m_strFileName = m_engine.m_strFileName;
    context.m_fnRowSource = m_fnRowSource;
    context.m_pStop = &status.m_bStop;
    context.m_pCancel = &status.m_bCancel;
    context.m_pStatus = &status;
    context.m_pDamage = &status.m_recordDamage;
    context.m_pTable = pTable;
    return context;
}

CExportContext CRecordExtractor::ConnectionContext(CTable* pTable,
                                                   COdbcConnection* pDatabase) const {
    CEngineStatus& status = *m_engine.m_pStatus;
    CExportContext context;
    context.m_bDirect = m_engine.m_bDirectExport;
    context.m_pConnection = pDatabase;
    context.m_pTableFile = m_engine.m_hTableFile;
    context.m_pDefaultFile = m_engine.m_hDefaultFile;
    context.m_pConstraintFile = m_engine.m_hConstraintFile;
    context.m_bExportRecords = m_engine.m_bExportRecords;
    context.m_bRecoverDeleted = m_engine.m_bRecoverDeleted;
    context.m_eWalk = CExportContext::EWalk::Batched;
    context.m_nBatchSize = ExportBatchSize();
    context.m_strFileName = m_engine.m_strFileName;
    context.m_fnRowSource = m_fnRowSource;
    context.m_pStop = &status.m_bStop;
    context.m_pCancel = &status.m_bCancel;
    // Calls on several threads report into one log, which takes reports from any thread.
    context.m_pDamage = &status.m_recordDamage;
    context.m_pTable = pTable;
    return context;
}

void CRecordExtractor::DecodeRecord(std::span<const std::byte> pageData, std::uint16_t nRowOffset,
                                    CTable& table) {
    const bool bStatement = m_engine.m_bRecordExportRunning;
    CRowDecoder decoder(table, m_engine.m_strFileName, {m_engine.m_bRecoverDeleted, bStatement});
    SDecodedRow row;
    if (decoder.Decode(CByteView(pageData), nRowOffset, row))
        DeliverRow(row, table, decoder.Formats());
}

void CRecordExtractor::DeliverRow(const SDecodedRow& row, CTable& table,
                                  const std::vector<SColumnFormat>& vecFormats) {
    CEngineStatus& status = *m_engine.m_pStatus;
    if (!m_engine.m_bRecordExportRunning) {
        bool bAllNull = true;
        for (std::size_t i = 0; i < row.vecValues.size() && bAllNull; ++i)
            bAllNull = CValueFormat::IsGridNull(row.vecValues[i], vecFormats[i]);
        if (bAllNull)
            return;
        status.AppendRow(SRecordRow::From(row, vecFormats));
        ++m_nRecordsShown;
        ++status.m_nRecordCount;
        if (status.m_hRecordEvent)
            status.m_hRecordEvent->Set();
        return;
    }
    std::lock_guard lock(m_mutexDecode);
    // The statement buffer and the inserted value lists stay from call to call; the rest follows
    // the engine's members as they are now.
    CExportContext context = OneTableContext(&table);
    context.m_strBatch = std::move(m_decodeContext.m_strBatch);
    context.m_vecStatementEnds = std::move(m_decodeContext.m_vecStatementEnds);
    context.m_nPending = m_decodeContext.m_nPending;
    context.m_setInsertedRows = std::move(m_decodeContext.m_setInsertedRows);
    CInsertStatementBuilder builder(table);
    CRecordExport::SendRow(context, builder, row);
    m_decodeContext = std::move(context);
}

std::uint16_t CRecordExtractor::DecodeRecordForExport(std::span<const std::byte> pageData,
                                                      std::uint16_t nRowOffset, CTable& table,
                                                      COdbcConnection* pDatabase,
                                                      std::string& strBatch, bool& bFlush) {
    // The caller owns the batch text; the number of rows in it is kept per thread beside it, so
    // that a batch the driver refuses is counted as failed rows rather than exported ones.
    thread_local const std::string* tlsBatch = nullptr;
    thread_local int tlsPending = 0;
    thread_local std::vector<std::size_t> tlsEnds;
    if (tlsBatch != &strBatch || strBatch.empty()) {
        tlsBatch = &strBatch;
        tlsPending = 0;
        tlsEnds.clear();
    }
    CRowDecoder decoder(table, m_engine.m_strFileName, {m_engine.m_bRecoverDeleted, true});
    SDecodedRow row;
    if (!decoder.Decode(CByteView(pageData), nRowOffset, row))
        return 0;
    CExportContext context = OneTableContext(&table);
    context.m_pConnection = pDatabase;
    context.m_strBatch.swap(strBatch);
    context.m_nPending = tlsPending;
    context.m_vecStatementEnds.swap(tlsEnds);
    CInsertStatementBuilder builder(table);
    CRecordExport::BatchRow(context, builder, row, bFlush);
    strBatch.swap(context.m_strBatch);
    tlsPending = context.m_nPending;
    tlsEnds.swap(context.m_vecStatementEnds);
    return row.nEnd;
}

std::shared_ptr<CGridCursor> CRecordExtractor::CursorFor(const CTable& table) {
    std::lock_guard lock(m_mutexGrid);
    if (!m_pCursor || &m_pCursor->Table() != &table ||
        m_pCursor->Options().strFileName != m_engine.m_strFileName) {
        // A new table: whatever still runs for the old one is no longer wanted.
        if (m_pCursor)
            m_pCursor->Cancel();
        m_pCursor = std::make_shared<CGridCursor>(
            table,
            CGridCursor::SOptions{m_engine.m_strFileName, m_engine.m_bRecoverDeleted, false,
                                  m_fnRowSource},
            &m_engine.m_dqBookmarks);
    }
    m_pCursor->SetRecoverDeleted(m_engine.m_bRecoverDeleted);
    return m_pCursor;
}

std::shared_ptr<CGridCursor> CRecordExtractor::GridCursor() const {
    std::lock_guard lock(m_mutexGrid);
    return m_pCursor;
}

void CRecordExtractor::ResetPaging() {
    std::lock_guard lock(m_mutexGrid);
    if (m_pCursor)
        m_pCursor->Cancel();
    m_pCursor.reset();
}

std::uint64_t CRecordExtractor::Register(const std::shared_ptr<CGridCursor>& pCursor) {
    CEngineStatus& status = *m_engine.m_pStatus;
    const SGridRequest request{m_engine.m_bPagingStarted, m_engine.m_bPageForward};
    // Under the cursor's lock: an older run can no longer hand over its rows after this.
    return pCursor->Request(request, [&] {
        status.ClearRows();
        status.m_bTableDone = false;
    });
}

void CRecordExtractor::RunGridRequest(const std::shared_ptr<CGridCursor>& pCursor,
                                      std::uint64_t nRequest) {
    CEngineStatus& status = *m_engine.m_pStatus;
    std::lock_guard pageLock(m_mutexPage);
    const std::vector<SColumnFormat>& vecFormats = pCursor->Formats();
    m_page.Clear(vecFormats.size());
    m_nRecordsShown = 0;
    // The damage of this page only, handed over with its rows.
    CDamageLog pageDamage;
    pCursor->Run(
        nRequest,
        [&](const SDecodedRow& row) {
            m_page.Add(row, vecFormats);
            ++m_nRecordsShown;
            ++status.m_nRecordCount;
            if (status.m_hRecordEvent)
                status.m_hRecordEvent->Set();
        },
        &status.m_bCancel,
        [&](const SGridPageSummary& summary) {
            status.m_recordDamage.Clear();
            status.m_recordDamage.Append(pageDamage);
            status.PublishPage(m_page);
            m_engine.m_bLastPage = summary.bLastPage;
            MarkTableDone();
        },
        &pageDamage);
}

void CRecordExtractor::GridPageOfNoTable() {
    CEngineStatus& status = *m_engine.m_pStatus;
    status.ClearRows();
    m_nRecordsShown = 0;
    m_engine.m_bLastPage = true;
    MarkTableDone();
}

unsigned CRecordExtractor::StatementWalk(CExportContext context) {
    m_nRecordsShown = 0;
    const unsigned nResult = CRecordExport::RowByRow(context);
    m_nRecordsShown = static_cast<int>(context.m_nDelivered);
    std::lock_guard lock(m_mutexDecode);
    m_decodeContext.m_setInsertedRows.clear();
    m_decodeContext.ClearBatch();
    return nResult;
}

unsigned CRecordExtractor::RecoverTableRecordThread() {
    CEngineStatus& status = *m_engine.m_pStatus;
    try {
        if (m_engine.m_bRecordExportRunning)
            return StatementWalk(OneTableContext(status.m_pCurrentTable.load()));
        CTable* pTable = status.m_pRecordTable.load();
        if (pTable == nullptr) {
            GridPageOfNoTable();
            return 1;
        }
        auto pCursor = CursorFor(*pTable);
        RunGridRequest(pCursor, Register(pCursor));
        return 1;
    } catch (const std::exception& error) {
        LogFailure(error);
        MarkTableDone();
        return 0;
    }
}

void CRecordExtractor::StartRecordThread() {
    CEngineStatus& status = *m_engine.m_pStatus;
    if (m_engine.m_bRecordExportRunning) {
        // The members are taken now; the walk runs on the record thread.
        CExportContext context = OneTableContext(status.m_pCurrentTable.load());
        m_recordThread.Post([this, context]() mutable {
            try {
                StatementWalk(std::move(context));
            } catch (const std::exception& error) {
                LogFailure(error);
                MarkTableDone();
            }
        });
        return;
    }
    CTable* pTable = status.m_pRecordTable.load();
    if (pTable == nullptr) {
        GridPageOfNoTable();
        return;
    }
    auto pCursor = CursorFor(*pTable);
    const std::uint64_t nRequest = Register(pCursor);
    m_recordThread.Post([this, pCursor, nRequest] {
        try {
            RunGridRequest(pCursor, nRequest);
        } catch (const std::exception& error) {
            LogFailure(error);
            // Only the newest request answers the program.
            if (pCursor->LatestRequest() == nRequest)
                MarkTableDone();
        }
    });
}

unsigned CRecordExtractor::RecoverTableRecordThread(CTable& table, COdbcConnection* pDatabase) {
    if (!m_engine.m_bRecordExportRunning) {
        // Not exporting: the grid walk of the record table.
        return RecoverTableRecordThread();
    }
    CExportContext context = ConnectionContext(&table, pDatabase);
    context.m_pStatus = m_engine.m_pStatus.get();
    return CRecordExport::Batched(context);
}
