// engine/format2005/CIamChain.h
#pragma once

#include <cstdint>
#include <vector>

#include "common/DataFileReader.h"
#include "engine/format2005/CDamageList.h"
#include "engine/format2005/CPage.h"

namespace format2005 {

// The pages an allocation unit's IAM chain claims: the single pages of mixed extents and every
// page of its uniform extents, over the whole chain. These are candidates only: extents hold
// unallocated pages with stale headers of other units, so callers check every page (CUnitPages).
class CIamChain {
  public:
    // Walks the chain from nFirstIam. The walk stops at a page that is not an IAM page of the
    // unit, at a link back into the chain, and after as many pages as the file has; each stop
    // other than the chain's end is reported (nObjectId only labels the reports).
    static std::vector<std::uint32_t> CandidatePages(const CDataFileReader& reader,
                                                     SPageId firstIam, std::uint64_t nUnit,
                                                     std::int32_t nObjectId, CDamageList& damage);

    // Header record (slot 0) and extent bitmap record (slot 1) of an IAM page, read into out
    // (appended). False when the page does not hold both records.
    static bool ReadIamPage(const CPage& page, std::vector<std::uint32_t>& out);
};

}  // namespace format2005
