// engine/format2005/CUnitPages.cpp
#include "engine/format2005/CUnitPages.h"

#include <algorithm>
#include <string>

#include "engine/format2005/CIamChain.h"

namespace format2005 {

CUnitPages::CUnitPages(const CDataFileReader& reader, CAllocationMaps& maps, CDamageList& damage,
                       std::uint64_t nUnit, SPageId firstIam, std::int32_t nObjectId)
    : m_reader(reader), m_maps(maps), m_damage(damage), m_nUnit(nUnit), m_nObjectId(nObjectId) {
    if (firstIam.IsNull())
        return;
    m_vecCandidates = CIamChain::CandidatePages(reader, firstIam, nUnit, nObjectId, damage);
    const std::uint32_t nPages = reader.PageCount();
    auto itPast = std::lower_bound(m_vecCandidates.begin(), m_vecCandidates.end(), nPages);
    if (itPast != m_vecCandidates.end()) {
        // A truncated file: the extents the IAM claims beyond its end are lost. Reported once
        // per unit, with the number of pages claimed there.
        const auto nLost = static_cast<std::uint64_t>(m_vecCandidates.end() - itPast);
        m_damage.Add(EDamage::PageUnreadable, *itPast, -1, m_nObjectId, nLost * kPageSize,
                     std::to_string(nLost) + " pages of the unit lie past the end of the file");
        m_vecCandidates.erase(itPast, m_vecCandidates.end());
    }
}

bool CUnitPages::IsCandidate(std::uint32_t nPage) const {
    return std::binary_search(m_vecCandidates.begin(), m_vecCandidates.end(), nPage);
}

bool CUnitPages::LoadMember(std::uint32_t nPage, CPage& page) {
    return Accept(nPage, page, false, "IAM");
}

bool CUnitPages::LoadLinked(std::uint32_t nPage, CPage& page, const char* szVia) {
    return Accept(nPage, page, true, szVia);
}

bool CUnitPages::Accept(std::uint32_t nPage, CPage& page, bool bReportFree, const char* szVia) {
    if (nPage >= m_reader.PageCount()) {
        if (bReportFree)
            m_damage.Add(EDamage::PageUnreadable, nPage, -1, m_nObjectId, 0,
                         std::string(szVia) + " leads past the end of the file");
        return false;
    }
    if (!m_maps.IsAllocated(nPage)) {
        if (bReportFree)
            m_damage.Add(EDamage::PageNotAllocated, nPage, -1, m_nObjectId, 0,
                         std::string(szVia) + " leads to a free page");
        return false;
    }
    EPageCheck eCheck = EPageCheck::Unreadable;
    if (auto bytes = m_pRun != nullptr ? m_pRun->Find(nPage) : std::nullopt) {
        eCheck = page.Borrow(*bytes, nPage);  // the run keeps them until its next Prepare
    } else {
        eCheck = page.Load(m_reader, nPage);
    }
    EDamage eKind = EDamage::PageUnreadable;
    switch (eCheck) {
        case EPageCheck::Ok:
            if (page.BelongsToUnit(m_nUnit)) {
                // A bad checksum says the page changed after it was written; its records are
                // still read, each through its own bounds checks.
                if (page.ChecksumMismatch())
                    m_damage.Add(EDamage::ChecksumMismatch, nPage, -1, m_nObjectId, 0, szVia);
                return true;
            }
            eKind = EDamage::PageOfOtherUnit;
            break;
        case EPageCheck::Unreadable:
            eKind = EDamage::PageUnreadable;
            break;
        case EPageCheck::NotFormatted:
            eKind = EDamage::PageNotFormatted;
            break;
        case EPageCheck::Stray:
            eKind = EDamage::StrayPage;
            break;
    }
    m_damage.Add(eKind, nPage, -1, m_nObjectId, kPageSize,
                 std::string("allocated page reached through the ") + szVia);
    return false;
}

}  // namespace format2005
