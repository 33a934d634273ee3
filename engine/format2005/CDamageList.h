// engine/format2005/CDamageList.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace format2005 {

// What a reader dropped or could not read. Kept apart from the reading code so a damage sink can
// take the records over unchanged.
enum class EDamage : std::uint8_t {
    PageUnreadable,     // past the end of the file or a short read
    PageNotFormatted,   // header version is not 1
    StrayPage,          // the header names another page than its position
    PageOfOtherUnit,    // the header names another allocation unit
    PageNotAllocated,   // the allocation maps say the page is free
    ChecksumMismatch,   // the page checksum does not match its bytes (the page is still read)
    PageWrongType,      // a page of an unexpected type where a chain or pointer leads
    ChainLoop,          // a page chain or IAM chain links back into itself
    ChainTooLong,       // a chain longer than the file has pages
    PageNotInChain,     // a page of a clustered table its leaf chain never reached
    SlotOutsidePage,    // a slot offset outside the data area
    RecordDamaged,      // a record whose lengths or offsets leave the page
    RecordUnexpected,   // a record type that has no place on this page
    ForwardingBroken,   // a forwarding stub that leads nowhere valid
    LobUnreadable,      // a large or row-overflow value that could not be read at all
    LobTruncated,       // a large value cut short (loop, budget, missing fragment)
    CatalogMissing,     // a hidden base table that could not be found
    CatalogRowDamaged,  // a catalog row that could not be decoded
    LayoutMissing,      // a table without physical column rows: layout derived from its columns
    TableNotRead,       // compressed or otherwise unreadable rows
    ValueNotDecoded,    // a value the reader does not decode (sparse vector)
    ValueCorrupt,       // a value whose bytes are impossible: its row is kept, the value marked
};

inline constexpr std::uint32_t kNoPage = std::numeric_limits<std::uint32_t>::max();

struct SDamage {
    EDamage eKind = EDamage::RecordDamaged;
    std::uint32_t nPage = kNoPage;  // page number, kNoPage when the damage is not on one page
    std::int32_t nSlot = -1;        // slot on the page, -1 when none
    std::int32_t nObjectId = 0;     // owning object, 0 when unknown
    std::uint64_t nBytes = 0;       // bytes skipped (a page counts as 8192)
    std::string strDetail;
};

// A plain list of damage records, filled in reading order.
class CDamageList {
  public:
    void Add(EDamage eKind, std::uint32_t nPage, std::int32_t nSlot, std::int32_t nObjectId,
             std::uint64_t nBytes, std::string strDetail);
    void Append(const CDamageList& other);

    const std::vector<SDamage>& Records() const { return m_vecRecords; }
    std::size_t Size() const { return m_vecRecords.size(); }
    bool Empty() const { return m_vecRecords.empty(); }
    std::size_t Count(EDamage eKind) const;
    void Clear() { m_vecRecords.clear(); }

    // Short name of a kind ("stray page"), for logs and tools.
    static std::string_view KindText(EDamage eKind);
    // One line: kind, page, slot, object, bytes and detail.
    static std::string Describe(const SDamage& damage);

  private:
    std::vector<SDamage> m_vecRecords;
};

}  // namespace format2005
