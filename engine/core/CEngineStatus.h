// engine/core/CEngineStatus.h
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/Export.h"
#include "common/NamedEvent.h"
#include "engine/core/CDamageLog.h"
#include "engine/core/SGridPage.h"
#include "engine/records/CValueFormat.h"
#include "engine/records/CValueKinds.h"
#include "engine/records/SDecodedRow.h"

class CTable;

// One row handed from the record thread to whoever shows it: the value texts as the grid shows
// them (markers included), each value's kind (so NULL is told from a stored "NULL"), and whether
// the row was a deleted (ghost) record.
struct AMBERMILL_API SRecordRow {
    std::vector<std::string> vecValues;
    CValueKinds vecKinds;
    bool bDeleted = false;

    // The grid row of a decoded row.
    static SRecordRow From(const SDecodedRow& row, const std::vector<SColumnFormat>& vecFormats);
};

// The block the engine's threads and the program's threads talk through: named manual-reset
// events, flags and counters. Flags and counters are atomics; the hand-over buffers are guarded by
// m_mutex and reached only through the accessors.
class AMBERMILL_API CEngineStatus {
  public:
    CEngineStatus();
    CEngineStatus(const CEngineStatus&) = delete;
    CEngineStatus& operator=(const CEngineStatus&) = delete;

    // The event of this engine with that name ("ExportReady", ...): the one the handles below
    // hold when the name is theirs. Another engine's events are never reached.
    std::shared_ptr<CNamedEvent> OpenEvent(const std::string& strName);

    std::shared_ptr<CNamedEvent> m_hPageReadComplete;
    std::shared_ptr<CNamedEvent> m_hExportEvent;
    std::shared_ptr<CNamedEvent> m_hExportReady;
    std::shared_ptr<CNamedEvent> m_hExportProgressComplete;
    std::shared_ptr<CNamedEvent> m_hProgressRdyEvent;
    std::shared_ptr<CNamedEvent> m_hTableExtractedEvent;
    std::shared_ptr<CNamedEvent> m_hSysTabEvent;
    std::shared_ptr<CNamedEvent> m_hPageRead;
    std::shared_ptr<CNamedEvent> m_hSysRead;
    std::shared_ptr<CNamedEvent> m_hSystemTabRdyEvent;
    std::shared_ptr<CNamedEvent> m_hPageAck;      // "RecordEvent"
    std::shared_ptr<CNamedEvent> m_hRecordEvent;  // "RecordEvent": the same event as m_hPageAck

    std::atomic<CTable*> m_pRecordTable{nullptr};
    std::atomic<CTable*> m_pCurrentTable{nullptr};

    std::atomic<std::uint32_t> m_nTotalPages{0};
    // Pages read so far. The page scan hands pages over in runs: one hand-shake per run, with the
    // running count here, so a listener still sees every page in order.
    std::atomic<std::uint32_t> m_nPagesRead{0};
    // Pages per hand-shake of the page scan. One hand-shake per page costs far more than reading
    // the page (the scan then runs at about 1/50 of the disk's speed); one per 512 pages (4 MiB)
    // keeps it near the speed of a plain read. 1 gives the page-by-page pace.
    std::atomic<std::uint32_t> m_nPagesPerHandshake{512};
    std::atomic<bool> m_bProgramFlag1{false};
    std::atomic<bool> m_bProgramFlag2{false};
    std::atomic<bool> m_bRecordsDone{false};
    std::atomic<bool> m_bCancel{false};
    std::atomic<bool> m_bStop{false};
    std::atomic<bool> m_bTableDone{false};
    std::atomic<std::int32_t> m_nExportedRecords{0};
    // Records (or objects) whose statements failed for the current table or stage.
    std::atomic<std::int32_t> m_nFailedRecords{0};
    std::atomic<std::int32_t> m_nRecordCount{0};
    std::atomic<bool> m_bInsertDone{false};
    std::atomic<bool> m_bPagesDone{false};
    std::atomic<std::int32_t> m_nExtractedRecords{0};

    // What the record walks that report into this block could not read, since the program last
    // cleared it: the statement walk and the one-table export paths add to it; each grid page the
    // record thread hands over replaces it with the damage of that page.
    CDamageLog m_recordDamage;

    std::atomic<std::int32_t> m_nTables{0};
    std::atomic<std::int32_t> m_nViews{0};
    std::atomic<std::int32_t> m_nProcedures{0};
    std::atomic<std::int32_t> m_nRules{0};
    std::atomic<std::int32_t> m_nTriggers{0};
    std::atomic<std::int32_t> m_nFunctions{0};

    // The engine's side of a catalog phase hand-shake: sets "SysRead" and waits for the program's
    // "SystemTabRdyEvent". False when a stop request (m_bCancel) ended the wait.
    bool CatalogHandshake();

    void SetDatabaseName(const std::string& strName);
    std::string DatabaseName() const;

    // Record hand-over of one grid page. The record thread hands over the page's grid texts in
    // one buffer; they become rows when they are taken, on the taker's thread, and the buffer goes
    // back to the record thread for its next page. So rows are made and freed on one thread, and
    // the record thread allocates nothing once it has warmed up.
    void ClearRows();
    void AppendRow(SRecordRow row);
    std::vector<SRecordRow> TakeRows();
    std::size_t RowCount() const;
    // Replaces the rows by the rows of page; page receives the buffers of the page before.
    void PublishPage(SGridPage& page);

  private:
    // The handles above are opened from it in the constructor.
    CEventRegistry m_events;
    mutable std::mutex m_mutex;
    std::string m_strDatabaseName;
    std::vector<SRecordRow> m_vecRows;
    SGridPage m_page;  // rows handed over and not taken yet
};
