// engine/core/CPageCheck.cpp
#include "engine/core/CPageCheck.h"

#include <algorithm>

#include "engine/core/CDataPage.h"

namespace {
constexpr std::uint32_t kFileHeaderPage = 0;
constexpr std::uint32_t kBootPage = 9;
constexpr std::size_t kPfsRecordHeader = 4;
constexpr std::uint8_t kFirstSlotLowByte = 96;

// Page types the server writes: data, index, text, text tree, sort, the allocation maps (GAM,
// SGAM, IAM, PFS), boot, server configuration, file header, and the change maps.
bool KnownPageType(std::uint8_t nType) {
    switch (nType) {
        case 1:
        case 2:
        case 3:
        case 4:
        case 7:
        case 8:
        case 9:
        case 10:
        case 11:
        case 13:
        case 14:
        case 15:
        case 16:
        case 17:
        case 18:
        case 19:
        case 20:
            return true;
        default:
            return false;
    }
}

bool IsZero(const CByteView& page) {
    const auto bytes = page.Bytes();
    return std::all_of(bytes.begin(), bytes.end(), [](std::byte b) { return b == std::byte{0}; });
}
}  // namespace

bool CPageCheck::IsPageHeader(const CByteView& page) {
    auto nVersion = page.U8(kHeaderVersionOffset);
    auto nType = page.U8(kPageTypeOffset);
    return nVersion && nType && *nVersion == kPageHeaderVersion && KnownPageType(*nType);
}

bool CPageCheck::Plausible(const CByteView& page, std::uint32_t nPage) {
    auto nId = page.U32(kPageIdOffset);
    return IsPageHeader(page) && nId && *nId == nPage;
}

std::optional<std::string> CPageCheck::TornProblem(const CByteView& page) {
    auto nFlags = page.U16(kPageFlagsOffset);
    auto nBits = page.U32(kTornBitsOffset);
    if (!nFlags || !nBits || (*nFlags & kTornBitsFlag) == 0 || page.Size() < kPageSize)
        return std::nullopt;
    const std::uint32_t nPattern = *nBits & 0x3;
    if (nPattern != 0x1 && nPattern != 0x2) {
        return "its torn-page bits are damaged (the saved pattern reads " +
               std::to_string(nPattern) +
               "), so whether its sectors were written together cannot be checked";
    }
    std::string strSectors;
    std::uint32_t nTorn = 0;
    // Sector 1 holds the header, which carries the pattern itself.
    for (std::size_t i = 2; i <= kPageSize / kSectorSize; ++i) {
        const std::uint8_t nLast = *page.U8(i * kSectorSize - 1);
        if ((nLast & 0x3) == nPattern)
            continue;
        if (!strSectors.empty())
            strSectors += ", ";
        strSectors += std::to_string(i);
        ++nTorn;
    }
    if (nTorn == 0)
        return std::nullopt;
    return std::string(nTorn == 1 ? "sector " : "sectors ") + strSectors +
           " of 16 were not written with the rest of the page (a torn write): the bytes there "
           "may be older than the rest";
}

void CPageCheck::ReadAllocationMap(const CByteView& page, std::uint32_t nFirst) {
    m_nMapFirst = nFirst;
    m_bMapKnown = false;
    m_vecMap.clear();
    if (!IsPageHeader(page) || *page.U8(kPageTypeOffset) != kPfsPageType)
        return;
    // The map is the page's first row; its slot entry may have a damaged high byte, as first
    // entries do.
    auto nEntry = page.U16(kPageSize - 2);
    if (!nEntry)
        return;
    std::size_t nRecord = (*nEntry & 0xFF) == kFirstSlotLowByte ? kPageHeaderSize : *nEntry;
    if (nRecord < kPageHeaderSize || nRecord + kPfsRecordHeader >= kPageSize)
        return;
    const std::size_t nBytes =
        std::min<std::size_t>(kPfsInterval, kPageSize - 2 - nRecord - kPfsRecordHeader);
    auto map = page.Slice(nRecord + kPfsRecordHeader, nBytes);
    if (!map)
        return;
    m_vecMap.reserve(nBytes);
    for (std::byte b : *map)
        m_vecMap.push_back(static_cast<std::uint8_t>(b));
    m_bMapKnown = true;
}

bool CPageCheck::Allocated(std::uint32_t nPage) const {
    if (!m_bMapKnown || nPage < m_nMapFirst)
        return true;  // no readable map: every page counts
    const std::uint32_t nIndex = nPage - m_nMapFirst;
    if (nIndex >= m_vecMap.size())
        return true;
    return (m_vecMap[nIndex] & kPfsAllocated) != 0;
}

void CPageCheck::Report(EDamageKind eKind, std::uint32_t nPage, std::uint64_t nBytes,
                        std::string strDetail) {
    if (!m_pDamage)
        return;
    SDamage damage;
    damage.eKind = eKind;
    damage.nPage = nPage;
    damage.nBytes = nBytes;
    damage.strDetail = std::move(strDetail);
    m_pDamage->Report(damage);
}

void CPageCheck::Inspect(const CByteView& page, std::uint32_t nPage) {
    if (nPage == 1 || (nPage % kPfsInterval == 0 && nPage > 0))
        ReadAllocationMap(page, nPage == 1 ? 0 : nPage);
    if (nPage == kFileHeaderPage || nPage == kBootPage || page.Size() < kPageSize)
        return;
    const std::uint8_t nType = *page.U8(kPageTypeOffset);
    const bool bFiled = nType == kDataPageType;  // the scan files it whatever else it says
    if (!IsPageHeader(page)) {
        // Old bytes in a page the file has not given out are no damage, even when they happen to
        // read as a data page (the scan files them under an object no catalog names); neither is
        // a page never written at all.
        if (!Allocated(nPage) || (!bFiled && IsZero(page)))
            return;
        ++m_nBadHeaders;
        const std::uint8_t nVersion = *page.U8(kHeaderVersionOffset);
        if (bFiled) {
            Report(EDamageKind::PageHeader, nPage, 0,
                   "the page header is damaged (header version " + std::to_string(nVersion) +
                       "); its rows are read as far as they make sense");
        } else {
            Report(EDamageKind::PageHeader, nPage, kPageSize,
                   "the page header is damaged (header version " + std::to_string(nVersion) +
                       ", page type " + std::to_string(nType) + "): the page is not read");
        }
        return;
    }
    if (!bFiled && !Allocated(nPage))
        return;
    const std::uint32_t nNamed = *page.U32(kPageIdOffset);
    if (nNamed != nPage) {
        ++m_nStrayPages;
        Report(EDamageKind::StrayPage, nPage, 0,
               "the page header names page " + std::to_string(nNamed) +
                   ": the page was written in the wrong place or is a stale copy; it is read as "
                   "it is");
    }
    if (auto strTorn = TornProblem(page)) {
        ++m_nTornPages;
        Report(EDamageKind::TornPage, nPage, 0, *strTorn);
    }
}
