// engine/records/CRecordExtractor.cpp
#include "engine/records/CRecordExtractor.h"

#include <exception>
#include <optional>

#include "common/AppPaths.h"
#include "common/DataFileReader.h"
#include "common/ExecutionLog.h"
#include "common/OdbcConnection.h"
#include "common/ScriptFile.h"
#include "common/SettingsFile.h"
#include "engine/catalog/CTable.h"
#include "engine/core/CDataPage.h"
#include "engine/records/CInsertStatementBuilder.h"
#include "engine/records/CRowDecoder.h"

namespace {
constexpr std::uint16_t kFirstRowOffset = 96;
constexpr int kDefaultBatchSize = 100;

// The first slot's entry after repair of a damaged high byte. The grid walk also takes the low
// byte of an entry whose high byte is 1 when the page does not hold a row start there.
std::uint16_t FirstSlotEntry(const CDataPage& page, std::uint16_t nEntry, bool bBrowse) {
    if (nEntry == kFirstRowOffset)
        return nEntry;
    std::uint16_t nLow = nEntry & 0xFF;
    if (nLow == kFirstRowOffset)
        return kFirstRowOffset;
    if (bBrowse && (nEntry >> 8) == 1 && nLow > 105) {
        auto nByte = page.View().U8(nEntry);
        if (nByte && *nByte != 0x30)
            return nLow;
    }
    return nEntry;
}

int ExportBatchSize() {
    bool bFileFound = false;
    auto value = CSettingsFile::ReadValue(CAppPaths::SettingsFile(), "Exportsize", &bFileFound);
    if (!bFileFound)
        return kDefaultBatchSize;
    if (!value)
        return 0;
    return static_cast<int>(CSettingsFile::LeadingInteger(*value));
}

bool AllNull(const SDecodedRow& row) {
    for (const CFieldValue& value : row.vecValues) {
        if (value.m_eKind != EValueKind::Null)
            return false;
    }
    return true;
}
}  // namespace

CRecordExtractor::CRecordExtractor(CSQLServerEngine& engine) : m_engine(engine) {}

CRecordExtractor::~CRecordExtractor() = default;

void CRecordExtractor::MarkTableDone() {
    m_engine.m_pStatus->m_bTableDone.store(true);
    m_engine.m_pStatus->m_bTableDone.notify_all();
}

void CRecordExtractor::RowDelivered() {
    CEngineStatus& status = *m_engine.m_pStatus;
    ++status.m_nRecordCount;
    if (status.m_hRecordEvent)
        status.m_hRecordEvent->Set();
}

void CRecordExtractor::CountFailed(CTable& table, int nRows, const std::string& strError,
                                   std::string_view strStatement) {
    table.m_nFailedCount += nRows;
    m_engine.m_pStatus->m_nFailedRecords += nRows;
    CExecutionLog::WriteLog(1, 0, strError + " : " + std::string(strStatement), true);
}

void CRecordExtractor::WriteToScript(std::string_view strStatement, CTable& table) {
    CScriptFile* pFile = m_engine.m_hTableFile;
    if (pFile == nullptr || !pFile->IsOpen()) {
        CountFailed(table, 1, "no table script file is open", strStatement);
        return;
    }
    pFile->Write(strStatement);
    if (pFile->Failed()) {
        // Remembered by the file: every statement after a failed write counts as failed too.
        table.m_nFailedCount += 1;
        m_engine.m_pStatus->m_nFailedRecords += 1;
        return;
    }
    table.m_nExportCount += 1;
    m_engine.m_pStatus->m_nExportedRecords += 1;
}

void CRecordExtractor::ExecuteBatch(COdbcConnection* pDatabase, CTable& table, std::string& strText,
                                    int& nPending) {
    if (strText.empty())
        return;
    try {
        if (pDatabase == nullptr)
            throw COdbcError("no database connection");
        pDatabase->Execute(strText);
        table.m_nExportCount += nPending;
        m_engine.m_pStatus->m_nExportedRecords += nPending;
    } catch (const std::exception& error) {
        CountFailed(table, nPending, error.what(), strText);
    }
    strText.clear();
    nPending = 0;
}

void CRecordExtractor::Deliver(CRowDecoder& decoder, SDecodedRow& row, const CByteView& data,
                               std::uint16_t nRowOffset, CTable& table, SStatementSink* pSink) {
    if (!decoder.Decode(data, nRowOffset, row))
        return;
    CEngineStatus& status = *m_engine.m_pStatus;
    if (!decoder.StatementMode()) {
        // The grid leaves out rows that hold nothing but NULLs.
        if (AllNull(row))
            return;
        SRecordRow out;
        out.bDeleted = row.bDeleted;
        out.vecValues.reserve(row.vecValues.size());
        for (CFieldValue& value : row.vecValues)
            out.vecValues.push_back(std::move(value.m_strText));
        status.AppendRow(std::move(out));
        ++m_nRecordsShown;
        RowDelivered();
        return;
    }
    const bool bDirect = m_engine.m_bDirectExport.load();
    std::optional<CInsertStatementBuilder> localBuilder;
    std::string strLocal;
    if (pSink == nullptr)
        localBuilder.emplace(table);
    CInsertStatementBuilder& builder = pSink ? pSink->builder : *localBuilder;
    std::string& strStatement = pSink ? pSink->strText : strLocal;
    strStatement.clear();
    const std::string_view strValueList = builder.Append(row.vecValues, bDirect, strStatement);
    if (status.m_bStop) {
        MarkTableDone();
        return;
    }
    if (!bDirect) {
        WriteToScript(strStatement, table);
        RowDelivered();
        return;
    }
    {
        std::lock_guard lock(m_mutexInsert);
        m_strInsertBatch += strStatement;
        ++m_nRecordsShown;
        if (status.m_bCancel)
            return;
        bool bDuplicate = false;
        if (m_bAvoidDuplicate) {
            bDuplicate =
                !m_mapInsertedRows
                     .try_emplace(std::string(strValueList), std::to_string(table.m_nObjectId))
                     .second;
        }
        if (!bDuplicate) {
            int nPending = 1;
            ExecuteBatch(m_engine.m_pDatabase, table, m_strInsertBatch, nPending);
        }
        m_strInsertBatch.clear();
    }
    RowDelivered();
}

std::uint16_t CRecordExtractor::DeliverForExport(CRowDecoder& decoder, SDecodedRow& row,
                                                 const CByteView& data, std::uint16_t nRowOffset,
                                                 CTable& table, COdbcConnection* pDatabase,
                                                 SBatch& batch, SStatementSink& sink) {
    if (!decoder.Decode(data, nRowOffset, row))
        return 0;
    const std::uint16_t nEnd = row.nEnd;
    CEngineStatus& status = *m_engine.m_pStatus;
    const bool bDirect = m_engine.m_bDirectExport.load();
    sink.strText.clear();
    sink.builder.Append(row.vecValues, bDirect, sink.strText);
    if (status.m_bStop) {
        MarkTableDone();
        return nEnd;
    }
    if (!bDirect) {
        WriteToScript(sink.strText, table);
    } else {
        batch.strText += sink.strText;
        ++batch.nPending;
        if (status.m_bCancel)
            return nEnd;
        if (batch.bFlush) {
            ExecuteBatch(pDatabase, table, batch.strText, batch.nPending);
            batch.bFlush = false;
        }
    }
    RowDelivered();
    return nEnd;
}

void CRecordExtractor::DecodeRecord(std::span<const std::byte> pageData, std::uint16_t nRowOffset,
                                    CTable& table) {
    CRowDecoder decoder(table, m_engine.m_strFileName, m_engine.m_bRecordExportRunning.load(),
                        m_engine.m_bRecoverDeleted.load());
    SDecodedRow row;
    Deliver(decoder, row, CByteView(pageData), nRowOffset, table, nullptr);
}

std::uint16_t CRecordExtractor::DecodeRecordForExport(std::span<const std::byte> pageData,
                                                      std::uint16_t nRowOffset, CTable& table,
                                                      COdbcConnection* pDatabase,
                                                      std::string& strBatch, bool& bFlush) {
    // The caller owns the batch text; the number of rows in it is kept per thread beside it, so
    // that a batch the driver refuses is counted as failed rows rather than exported ones.
    thread_local const std::string* tlsBatch = nullptr;
    thread_local int tlsPending = 0;
    if (tlsBatch != &strBatch || strBatch.empty()) {
        tlsBatch = &strBatch;
        tlsPending = 0;
    }
    CRowDecoder decoder(table, m_engine.m_strFileName, true, m_engine.m_bRecoverDeleted.load());
    SDecodedRow row;
    SBatch batch{strBatch, tlsPending, bFlush};
    CInsertStatementBuilder builder(table);
    std::string strStatement;
    SStatementSink sink{builder, strStatement};
    return DeliverForExport(decoder, row, CByteView(pageData), nRowOffset, table, pDatabase, batch,
                            sink);
}

unsigned CRecordExtractor::RecoverTableRecordThread() {
    try {
        return m_engine.m_bRecordExportRunning ? StatementWalk() : BrowsePage();
    } catch (const std::exception& error) {
        CExecutionLog::WriteLog(1, 0, std::string("Record extraction failed: ") + error.what(),
                                true);
        MarkTableDone();
        return 0;
    }
}

unsigned CRecordExtractor::StatementWalk() {
    CEngineStatus& status = *m_engine.m_pStatus;
    m_nRecordsShown = 0;
    CTable* pTable = status.m_pCurrentTable.load();
    if (pTable == nullptr || status.m_bStop || pTable->m_strName.empty() ||
        pTable->m_nColumns == 0) {
        MarkTableDone();
        return 1;
    }
    CTable& table = *pTable;
    CDataFileReader reader(m_engine.m_strFileName);
    CRowDecoder decoder(table, m_engine.m_strFileName, true, m_engine.m_bRecoverDeleted.load());
    SDecodedRow row;
    CInsertStatementBuilder builder(table);
    std::string strStatement;
    SStatementSink sink{builder, strStatement};
    CDataPage page;
    for (std::uint32_t nPage : table.m_vecPages) {
        if (!page.Read(reader, nPage) || page.ObjectId() != table.m_nObjectId)
            break;
        if (page.Type() != kDataPageType)
            continue;
        page.RestoreTornBits();
        const CByteView data = page.DataArea();
        const std::uint16_t nSlots = page.SlotCount();
        for (std::uint32_t nSlot = 0; nSlot < nSlots; ++nSlot) {
            std::uint16_t nEntry = page.SlotEntry(nSlot);
            if (nSlot == 0)
                nEntry = FirstSlotEntry(page, nEntry, false);
            if (nEntry == 0)
                continue;
            try {
                Deliver(decoder, row, data, static_cast<std::uint16_t>(nEntry - kFirstRowOffset),
                        table, &sink);
            } catch (const std::exception&) {
                // A row that cannot be decoded is skipped; the walk goes on.
            }
            if (status.m_bStop) {
                MarkTableDone();
                return 0;
            }
        }
    }
    {
        std::lock_guard lock(m_mutexInsert);
        m_mapInsertedRows.clear();
        m_strInsertBatch.clear();
    }
    MarkTableDone();
    return 1;
}

unsigned CRecordExtractor::BrowsePage() {
    CEngineStatus& status = *m_engine.m_pStatus;
    CTable* pTable = status.m_pRecordTable.load();
    status.ClearRows();
    m_nRecordsShown = 0;
    if (pTable == nullptr) {
        m_engine.m_bLastPage = true;
        MarkTableDone();
        return 1;
    }
    CTable& table = *pTable;
    std::lock_guard lock(m_mutexPaging);
    if (m_pPagedTable != pTable) {
        m_bmResume = SBookmark{};
        m_bmPageStart.reset();
        m_pPagedTable = pTable;
    }
    SBookmark start;
    bool bWentBack = false;
    if (m_engine.m_dqBookmarks.empty() && !m_engine.m_bPagingStarted) {
        start = SBookmark{};
    } else if (m_engine.m_bPageForward) {
        start = m_bmResume;
    } else {
        bWentBack = true;
        if (!m_engine.m_dqBookmarks.empty()) {
            start = m_engine.m_dqBookmarks.back();
            m_engine.m_dqBookmarks.pop_back();
        }
    }
    m_bmResume = start;

    const std::size_t nPages = table.m_vecPages.size();
    SBookmark stop{static_cast<std::uint32_t>(nPages), 2, 0};
    CDataFileReader reader(m_engine.m_strFileName);
    CRowDecoder decoder(table, m_engine.m_strFileName, false, m_engine.m_bRecoverDeleted.load());
    SDecodedRow row;
    CDataPage page;
    bool bFull = false;
    for (std::size_t nIndex = start.nPageIndex; nIndex < nPages && !bFull; ++nIndex) {
        if (status.m_bCancel)
            break;
        if (!page.Read(reader, table.m_vecPages[nIndex]))
            continue;
        // A page list from a scan file may name pages that now belong to another object.
        if (page.Type() != kDataPageType || page.ObjectId() != table.m_nObjectId)
            continue;
        page.RestoreTornBits();
        const CByteView data = page.DataArea();
        const std::uint32_t nSlots = page.SlotCount();
        std::uint32_t nSlot = nIndex == start.nPageIndex ? start.nSlot : 0;
        for (; nSlot < nSlots; ++nSlot) {
            std::uint16_t nEntry = page.SlotEntry(nSlot);
            if (nSlot == 0)
                nEntry = FirstSlotEntry(page, nEntry, true);
            if (nEntry == 0)
                continue;
            try {
                Deliver(decoder, row, data, static_cast<std::uint16_t>(nEntry - kFirstRowOffset),
                        table, nullptr);
            } catch (const std::exception&) {
                // A row that cannot be decoded is skipped; the walk goes on.
            }
            if (m_nRecordsShown >= kRowsPerPage) {
                bFull = true;
                break;
            }
        }
        if (bFull) {
            if (nSlot + 1 < nSlots) {
                stop =
                    SBookmark{static_cast<std::uint32_t>(nIndex), 2 + 2 * (nSlot + 1), nSlot + 1};
            } else {
                stop = SBookmark{static_cast<std::uint32_t>(nIndex + 1), 2, 0};
            }
        }
    }
    if (!bWentBack && m_engine.m_bPagingStarted && m_bmPageStart)
        m_engine.m_dqBookmarks.push_back(*m_bmPageStart);
    m_bmPageStart = start;
    m_bmResume = stop;
    m_engine.m_bLastPage = stop.nPageIndex >= nPages;
    MarkTableDone();
    return 1;
}

unsigned CRecordExtractor::RecoverTableRecordThread(CTable& table, COdbcConnection* pDatabase) {
    CEngineStatus& status = *m_engine.m_pStatus;
    table.m_nExportCount = 0;
    table.m_nFailedCount = 0;
    if (!m_engine.m_bRecordExportRunning) {
        // Not exporting: the grid walk of the record table.
        return BrowsePage();
    }
    if (status.m_bStop || table.m_strName.empty() || table.m_nColumns == 0) {
        MarkTableDone();
        return status.m_bStop ? 0 : 1;
    }
    const int nBatchSize = ExportBatchSize();
    CDataFileReader reader(m_engine.m_strFileName);
    CRowDecoder decoder(table, m_engine.m_strFileName, true, m_engine.m_bRecoverDeleted.load());
    const bool bRecoverDeleted = m_engine.m_bRecoverDeleted.load();
    SDecodedRow row;
    CInsertStatementBuilder builder(table);
    std::string strStatement;
    SStatementSink sink{builder, strStatement};
    CDataPage page;
    // Per call: concurrent workers each export their own table with their own batch.
    std::string strBatch;
    int nPending = 0;
    bool bFlush = false;
    SBatch batch{strBatch, nPending, bFlush};
    int nCounter = 0;
    std::uint16_t nPreviousEnd = 0;
    for (std::uint32_t nPage : table.m_vecPages) {
        if (!page.Read(reader, nPage) || page.ObjectId() != table.m_nObjectId)
            break;
        if (status.m_bStop) {
            MarkTableDone();
            return 0;
        }
        if (page.Type() != kDataPageType)
            continue;
        page.RestoreTornBits();
        const CByteView data = page.DataArea();
        const std::uint32_t nSlots = page.SlotCount();
        for (std::uint32_t nSlot = 0; nSlot < nSlots; ++nSlot) {
            if (++nCounter >= nBatchSize) {
                bFlush = true;
                nCounter = 0;
            }
            std::uint16_t nEntry = page.SlotEntry(nSlot);
            if (nSlot == 0)
                nEntry = FirstSlotEntry(page, nEntry, false);
            // A freed slot right after a decoded row: the deleted row usually starts where
            // that row ended.
            if (nEntry == 0 && bRecoverDeleted && nPreviousEnd != 0) {
                nEntry = static_cast<std::uint16_t>(nPreviousEnd + kFirstRowOffset);
            }
            try {
                nPreviousEnd = DeliverForExport(
                    decoder, row, data, static_cast<std::uint16_t>(nEntry - kFirstRowOffset), table,
                    pDatabase, batch, sink);
            } catch (const std::exception&) {
                nPreviousEnd = 0;
            }
            if (status.m_bStop) {
                MarkTableDone();
                return 0;
            }
        }
        // A batch never spans two pages.
        ExecuteBatch(pDatabase, table, strBatch, nPending);
    }
    if (status.m_bStop) {
        MarkTableDone();
        return 0;
    }
    MarkTableDone();
    return 1;
}

void CRecordExtractor::ResetPaging() {
    std::lock_guard lock(m_mutexPaging);
    m_bmResume = SBookmark{};
    m_bmPageStart.reset();
    m_pPagedTable = nullptr;
}
