// engine/format2005/CUnitPages.h
#pragma once

#include <cstdint>
#include <vector>

#include "common/DataFileReader.h"
#include "engine/format2005/CAllocationMaps.h"
#include "engine/format2005/CDamageList.h"
#include "engine/format2005/CPage.h"
#include "engine/format2005/CPageRun.h"

namespace format2005 {

// The pages of one allocation unit: candidates from its IAM chain, each accepted only when the
// allocation maps mark it allocated and its header is a formatted page at its own position that
// names the unit. Decides what a page is from the allocation structures first and from its
// header second, never from the header alone.
class CUnitPages {
  public:
    // Reader, maps and damage list must outlive this object. nObjectId labels damage reports.
    CUnitPages(const CDataFileReader& reader, CAllocationMaps& maps, CDamageList& damage,
               std::uint64_t nUnit, SPageId firstIam, std::int32_t nObjectId);

    std::uint64_t Unit() const { return m_nUnit; }
    // Ascending, unique; pages past the end of a truncated file are dropped (and reported).
    const std::vector<std::uint32_t>& Candidates() const { return m_vecCandidates; }
    bool IsCandidate(std::uint32_t nPage) const;

    // Loads nPage into page when it is one of the unit's pages. An unallocated page is skipped
    // without a word (free pages inside the unit's extents are normal); an allocated page that
    // fails its header checks is reported.
    bool LoadMember(std::uint32_t nPage, CPage& page);
    // The same for a page reached by a chain rather than the IAM (first page, next links): it
    // need not be a candidate, only allocated and of the unit.
    bool LoadLinked(std::uint32_t nPage, CPage& page, const char* szVia);
    // Pages the run holds are taken from it instead of the file (null: none), in place: such a
    // page must not be used after the run's next Prepare or Clear. It must outlive its use here.
    void SetPageRun(const CPageRun* pRun) { m_pRun = pRun; }

  private:
    bool Accept(std::uint32_t nPage, CPage& page, bool bReport, const char* szVia);

    const CDataFileReader& m_reader;
    CAllocationMaps& m_maps;
    CDamageList& m_damage;
    std::uint64_t m_nUnit;
    std::int32_t m_nObjectId;
    std::vector<std::uint32_t> m_vecCandidates;
    const CPageRun* m_pRun = nullptr;
};

}  // namespace format2005
