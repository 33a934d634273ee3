// engine/records/CRowSource.h
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/Export.h"
#include "engine/records/CSlotWalker.h"
#include "engine/records/SDecodedRow.h"

class CTable;
class IDamageSink;

// How a row source reads: the file, whether deleted rows are decoded, whether binary values
// behind pointers are read (the grid leaves them unread), and the page policy of the walk.
struct AMBERMILL_API SRowSourceOptions {
    std::string strFileName;
    bool bRecoverDeleted = false;
    bool bFollowBinaryPointers = true;
    EWalkPolicy ePolicy = EWalkPolicy::GridPage;
    // Where skipped pages and rows and values marked "Corrupt" are reported; null: nowhere.
    IDamageSink* pDamage = nullptr;
};

// One decoded row handed to a walk's visitor, with its place: the index of its page in the
// table's page list, its slot, and the slot count of that page (where the next row starts).
struct AMBERMILL_API SRowVisit {
    const SDecodedRow& row;
    SWalkPosition position;
    std::uint32_t nSlotsOnPage = 0;
};

// The rows of one table in reading order, from a place in it: what the grid cursor pages through
// and the record export sends. Each on-disk format's reader provides its own; places are indexes
// into the table's page list and slots on those pages, so a walk can resume where another ended.
// A source is used by one thread at a time.
class AMBERMILL_API CRowSource {
  public:
    // Returns true to stop after this row.
    using FnRow = std::function<bool(const SRowVisit& visit)>;
    using FnPageEnd = std::function<void()>;

    virtual ~CRowSource();

    // Walks the decoded rows from start. pStop (may be null) ends the walk before the next page.
    // fnPageEnd runs after every page whose rows were all visited.
    virtual SWalkResult Walk(SWalkPosition start, const std::atomic<bool>* pStop,
                             const FnRow& fnRow, const FnPageEnd& fnPageEnd) = 0;
    // The number of pages places count in: a place at this index is the end of the table.
    virtual std::size_t PageCount() const = 0;
};

// Makes the source of a table's rows. REQUIRES: table outlives the source.
using FRowSourceFactory = std::function<std::unique_ptr<CRowSource>(
    const CTable& table, const SRowSourceOptions& options)>;

// The fixed/variable rows of the 2000 format: the table's pages of its object, by the slot
// walker's policy, decoded by the row decoder.
AMBERMILL_API std::unique_ptr<CRowSource> MakeFixedVarRowSource(const CTable& table,
                                                                const SRowSourceOptions& options);
