// engine/format2005/CTableReader.h
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "common/DataFileReader.h"
#include "engine/format2005/CAllocationMaps.h"
#include "engine/format2005/CDamageList.h"
#include "engine/format2005/CLobReader.h"
#include "engine/format2005/CPageRun.h"
#include "engine/format2005/CRowDecoder.h"
#include "engine/format2005/CUnitPages.h"
#include "engine/format2005/CatalogModel.h"

namespace format2005 {

struct SReadCounts {
    std::size_t nPages = 0;      // data pages read
    std::size_t nLiveRows = 0;   // primary and forwarded rows
    std::size_t nGhostRows = 0;  // deleted rows not yet cleaned up
    std::size_t nForwardedRows = 0;
    bool bNotRead = false;  // the table's rows could not be read at all (compressed)
    bool bStopped = false;  // the callback asked to stop
};

// Streams the rows of one table: for each partition its data pages in key order (clustered: the
// leaf chain from the first page, then any page of the unit the chain missed) or page order
// (heap), and on each page its records in slot order. Live and ghost rows are delivered, each
// forwarded row once (through its stub, or where it lies when no stub leads to it), stubs and the
// hidden uniquifier never. Rows are handed over one at a time; none is kept.
class CTableReader {
  public:
    // Returns false to stop the walk.
    using FRow = std::function<bool(const SRawRow& row)>;
    // Called with each data page before its rows, in reading order.
    using FPage = std::function<void(std::uint32_t nPage)>;

    // Where a row of a listed walk lies: the index of its page in the list and the slot it was
    // reached through (a forwarded row: its stub's), and the slot count of that page.
    struct SListedPlace {
        std::size_t nPageIndex = 0;
        std::uint16_t nSlot = 0;
        std::uint16_t nSlotCount = 0;
    };
    // One data record of a listed walk, parsed and not yet decoded.
    struct SListedRecord {
        const CRecord& record;
        CRowDecoder& decoder;     // the decoder of the record's partition
        std::uint32_t nPage = 0;  // where the record lies (a forwarded row: where it was moved)
        std::uint16_t nSlot = 0;
        bool bGhost = false;  // a deleted row not yet cleaned up
        bool bForwarded = false;
        SListedPlace place;
    };
    // Receives the records of a listed walk and decodes them as it needs: one call per row, with
    // nothing decoded on the way.
    class IListedSink {
      public:
        // Returns false to stop the walk.
        virtual bool Row(const SListedRecord& row) = 0;

      protected:
        ~IListedSink() = default;
    };

    // Everything passed in must outlive the reader.
    CTableReader(const CDataFileReader& reader, CAllocationMaps& maps, const STable& table,
                 CDamageList& damage);

    SReadCounts ReadRows(const FRow& onRow, const FPage& onPage = {});
    // The data pages in reading order, without decoding rows.
    std::vector<std::uint32_t> DataPages();
    // The rows of listed pages (the table's data pages in reading order, as DataPages gives
    // them) from page index nStartIndex and slot nStartSlot on, so a walk can resume where an
    // earlier one stopped. Each page is accepted only as a page of one of the table's in-row
    // units (allocated, its header naming the unit); others are reported and skipped. pStop (may
    // be null) ends the walk before the next page; onPageEnd runs after every page walked whole.
    SReadCounts ReadListedPages(const std::vector<std::uint32_t>& vecPages, std::size_t nStartIndex,
                                std::uint16_t nStartSlot, IListedSink& sink,
                                const std::function<void()>& onPageEnd,
                                const std::atomic<bool>* pStop);
    // Binary values stored off the row are read unless turned off (see CRowDecoder).
    void SetReadBinaryLobs(bool bRead) { m_bReadBinaryLobs = bRead; }

    // A forwarded record's back pointer (its last variable column): the stub's page and slot.
    static bool BackPointer(const CRecord& record, std::uint32_t& nPage, std::uint16_t& nSlot);

  private:
    // Visits the partition's data pages in reading order; bDecode reads their rows too.
    bool WalkPartition(const SPartition& partition, bool bDecode);
    bool ReadPage(const CPage& page, std::uint16_t nFirstSlot = 0);
    // Columns whose values this reader does not decode (xml): one record per table.
    void ReportUndecodedColumns();
    bool EmitRecord(const CRecord& record, std::uint32_t nPage, std::uint16_t nSlot,
                    bool bForwarded);
    void FollowStub(const CRecord& stub, std::uint32_t nPage, std::uint16_t nSlot);
    bool StubLeadsHere(const CRecord& forwarded, std::uint32_t nPage, std::uint16_t nSlot);

    const CDataFileReader& m_reader;
    CAllocationMaps& m_maps;
    const STable& m_table;
    CDamageList& m_damage;
    CLobReader m_lob;

    // State of one walk.
    const FRow* m_pOnRow = nullptr;
    IListedSink* m_pSink = nullptr;  // a listed walk's, instead of m_pOnRow
    SListedPlace m_place;            // a listed walk's place (its slot: the one ReadPage is at)
    const FPage* m_pOnPage = nullptr;
    CUnitPages* m_pUnitPages = nullptr;
    CRowDecoder* m_pDecoder = nullptr;
    std::vector<std::uint32_t> m_vecPages;
    std::set<std::pair<std::uint32_t, std::uint16_t>> m_setForwardedRead;
    SRawRow m_row;
    SReadCounts m_counts;
    bool m_bReadBinaryLobs = true;

    // Per partition: its pages' acceptance and a decoder by its layout. Built by the first walk of
    // listed pages and kept: a grid pages a table in many short walks, and the IAM chains and
    // column plans do not change between them.
    struct SPart {
        const SPartition* pPartition = nullptr;
        std::unique_ptr<CUnitPages> pPages;
        std::unique_ptr<CRowDecoder> pDecoder;
    };
    std::vector<SPart> m_vecParts;
    bool m_bPartsBuilt = false;
    // The listed pages read ahead; kept from one walk to the one that resumes after it.
    CPageRun m_run;
};

}  // namespace format2005
