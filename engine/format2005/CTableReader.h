// engine/format2005/CTableReader.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <utility>
#include <vector>

#include "common/DataFileReader.h"
#include "engine/format2005/CAllocationMaps.h"
#include "engine/format2005/CDamageList.h"
#include "engine/format2005/CLobReader.h"
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

    // Everything passed in must outlive the reader.
    CTableReader(const CDataFileReader& reader, CAllocationMaps& maps, const STable& table,
                 CDamageList& damage);

    SReadCounts ReadRows(const FRow& onRow, const FPage& onPage = {});
    // The data pages in reading order, without decoding rows.
    std::vector<std::uint32_t> DataPages();

    // A forwarded record's back pointer (its last variable column): the stub's page and slot.
    static bool BackPointer(const CRecord& record, std::uint32_t& nPage, std::uint16_t& nSlot);

  private:
    // Visits the partition's data pages in reading order; bDecode reads their rows too.
    bool WalkPartition(const SPartition& partition, bool bDecode);
    bool ReadPage(const CPage& page);
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
    const FPage* m_pOnPage = nullptr;
    CUnitPages* m_pUnitPages = nullptr;
    CRowDecoder* m_pDecoder = nullptr;
    std::vector<std::uint32_t> m_vecPages;
    std::set<std::pair<std::uint32_t, std::uint16_t>> m_setForwardedRead;
    SRawRow m_row;
    SReadCounts m_counts;
};

}  // namespace format2005
