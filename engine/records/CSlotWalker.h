// engine/records/CSlotWalker.h
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "common/DataFileReader.h"
#include "common/Export.h"
#include "engine/core/CDataPage.h"
#include "engine/core/SDamage.h"

// The walks over a table's data pages and their slots. They differ only in what stops them and
// how a slot entry is read, so one walker serves them all:
//  - GridPage: the record grid. The first slot gets the grid's extra repair; cleared slots are
//    skipped; a stop request (m_bCancel) ends the walk before the next page.
//  - Statement: the row-by-row export. Cleared slots are skipped.
//  - ExportBatches: the batched export. Every slot is visited, so the visitor can count it: a
//    cleared slot right after a decoded row is read at that row's end when freed slots are
//    followed (a deleted row usually starts there); other cleared slots and slots outside the page
//    reach the visitor without a row. A stop request ends the walk after the page is read; the
//    visitor hears of each page's end.
//  - SystemTable: the catalog readers. Pages claiming more slots than a system table page holds
//    are skipped; only slot entries inside the page are visited; a stop request (m_bCancel) ends
//    the walk before the next page.
// In every walk a page that cannot be read, is no data page or belongs to another object (a page
// list from a scan file may name pages that have changed since) is skipped and reported, and so is
// a slot that points outside its page; the walk goes on with the next one. Every page with
// torn-page bits is repaired before its slots are read.
enum class EWalkPolicy : std::uint8_t { GridPage, Statement, ExportBatches, SystemTable };

// A place in a walk: index into the table's page list and slot index on that page.
struct AMBERMILL_API SWalkPosition {
    std::size_t nPageIndex = 0;
    std::uint32_t nSlot = 0;
};

// What a visited slot holds.
enum class ESlotEntry : std::uint8_t {
    Row,      // a slot entry inside the page
    Guessed,  // a cleared slot read at the end of the row before it (ExportBatches)
    Cleared,  // a cleared slot, no row (ExportBatches)
    Outside,  // an entry outside the page, already reported (ExportBatches)
};

// One slot handed to the visitor.
struct AMBERMILL_API SSlotVisit {
    const CDataPage& page;
    const CByteView& dataArea;  // page byte 96 to the end; row offsets count from here
    std::size_t nPageIndex;
    std::uint32_t nPage;  // the page number in the data file
    std::uint32_t nSlot;
    std::uint16_t
        nRowOffset;  // the slot entry minus 96 (an offset no reader accepts without a row)
    ESlotEntry eEntry;
    std::int32_t nObjectId;  // the object whose pages are walked

    bool HasRow() const { return eEntry == ESlotEntry::Row || eEntry == ESlotEntry::Guessed; }
    // A damage record at this slot.
    SDamage Damage(EDamageKind eKind, std::string strDetail, std::uint64_t nBytes = 0) const;
};

// The visitor's answer: stop here, and (batched export) where the row it decoded ended.
struct AMBERMILL_API SSlotStep {
    bool bStop = false;
    std::uint16_t nRowEnd = 0;
};

enum class EWalkEnd : std::uint8_t {
    Completed,         // every page of the list was walked
    StoppedByVisitor,  // the visitor asked to stop; SWalkResult::stop is its slot
    StopRequested,     // the stop flag was set
};

struct AMBERMILL_API SWalkResult {
    EWalkEnd eEnd = EWalkEnd::Completed;
    SWalkPosition stop;
};

class AMBERMILL_API CSlotWalker {
  public:
    // Opens the data file for this walk only. bFollowFreedSlots: see ExportBatches.
    CSlotWalker(EWalkPolicy ePolicy, const std::string& strFileName,
                bool bFollowFreedSlots = false);

    bool FileOpen() const { return m_reader.IsOpen(); }
    // Where skipped pages and slots are reported; nullptr (the default) reports nothing.
    void ReportTo(IDamageSink* pDamage) { m_pDamage = pDamage; }

    // Walks vecPages (page numbers of the object nObjectId) from start. fnSlot(const SSlotVisit&)
    // returns SSlotStep; fnPageEnd() is called after every page whose slots were all visited.
    // pStop may be null. Nothing is caught here: damage inside a row is the visitor's data, and
    // any exception that reaches the walker is not damage.
    template <class FnSlot, class FnPageEnd>
    SWalkResult Walk(const std::vector<std::uint32_t>& vecPages, std::int32_t nObjectId,
                     SWalkPosition start, const std::atomic<bool>* pStop, FnSlot&& fnSlot,
                     FnPageEnd&& fnPageEnd);
    template <class FnSlot>
    SWalkResult Walk(const std::vector<std::uint32_t>& vecPages, std::int32_t nObjectId,
                     const std::atomic<bool>* pStop, FnSlot&& fnSlot) {
        return Walk(vecPages, nObjectId, SWalkPosition{}, pStop, fnSlot, [] {});
    }

  private:
    enum class EPageAction : std::uint8_t { Walk, Skip, Stop };

    // Reads page nPage into m_page and decides by the policy what the walk does with it.
    EPageAction ReadPage(std::uint32_t nPage, std::int32_t nObjectId,
                         const std::atomic<bool>* pStop);
    // The row offset to visit for a slot (entry minus 96) and what the entry is; false when the
    // slot is not visited.
    bool RowOffset(std::uint32_t nSlot, std::uint16_t nPreviousEnd, std::uint16_t& nRowOffset,
                   ESlotEntry& eEntry);
    // Slots whose entries lie inside the page: the header's count, cut where the slot array would
    // run into the header (reported).
    std::uint32_t SlotsToWalk();
    void Report(EDamageKind eKind, std::optional<std::uint16_t> nSlot, std::uint64_t nBytes,
                std::string strDetail) const;

    EWalkPolicy m_ePolicy;
    bool m_bFollowFreedSlots;
    CDataFileReader m_reader;
    CDataPage m_page;
    IDamageSink* m_pDamage = nullptr;
    std::uint32_t m_nPage = 0;  // the page in m_page
    std::int32_t m_nObjectId = 0;
};

template <class FnSlot, class FnPageEnd>
SWalkResult CSlotWalker::Walk(const std::vector<std::uint32_t>& vecPages, std::int32_t nObjectId,
                              SWalkPosition start, const std::atomic<bool>* pStop, FnSlot&& fnSlot,
                              FnPageEnd&& fnPageEnd) {
    SWalkResult result;
    m_nObjectId = nObjectId;
    for (std::size_t nIndex = start.nPageIndex; nIndex < vecPages.size(); ++nIndex) {
        switch (ReadPage(vecPages[nIndex], nObjectId, pStop)) {
            case EPageAction::Skip:
                continue;
            case EPageAction::Stop:
                result.eEnd = EWalkEnd::StopRequested;
                result.stop = {nIndex, 0};
                return result;
            case EPageAction::Walk:
                break;
        }
        const CByteView dataArea = m_page.DataArea();
        const std::uint32_t nSlots = SlotsToWalk();
        std::uint16_t nPreviousEnd = 0;
        for (std::uint32_t nSlot = nIndex == start.nPageIndex ? start.nSlot : 0; nSlot < nSlots;
             ++nSlot) {
            std::uint16_t nRowOffset = 0;
            ESlotEntry eEntry = ESlotEntry::Row;
            if (!RowOffset(nSlot, nPreviousEnd, nRowOffset, eEntry))
                continue;
            const SSlotStep step = fnSlot(SSlotVisit{m_page, dataArea, nIndex, m_nPage, nSlot,
                                                     nRowOffset, eEntry, nObjectId});
            nPreviousEnd = step.nRowEnd;
            if (step.bStop) {
                result.eEnd = EWalkEnd::StoppedByVisitor;
                result.stop = {nIndex, nSlot};
                return result;
            }
        }
        fnPageEnd();
    }
    result.stop = {vecPages.size(), 0};
    return result;
}
