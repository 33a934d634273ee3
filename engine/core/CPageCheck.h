// engine/core/CPageCheck.h
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "common/Export.h"
#include "engine/core/SDamage.h"

// Header fields the checks read besides those of CDataPage.h.
inline constexpr std::size_t kHeaderVersionOffset = 0;  // 1 byte: 1 on every page header
inline constexpr std::size_t kPageIdOffset = 32;        // 4 bytes: the page's own number
inline constexpr std::uint8_t kPageHeaderVersion = 1;
inline constexpr std::uint8_t kPfsPageType = 11;
// One allocation map page (PFS) describes this many pages; the first is page 1, the others lie
// at multiples of the interval.
inline constexpr std::uint32_t kPfsInterval = 8088;
inline constexpr std::uint8_t kPfsAllocated = 0x40;

// The checks the page scan makes of each page, in file order: is its header a page header, does
// it name this page, were its sectors written together. A data file keeps old bytes in the pages
// it has not given out, so a page the file's allocation map (PFS) marks free is damage only when
// the scan files it as a data page anyway. The file header page (0) and the boot page (9) are
// checked on their own (CFormatProbe).
class AMBERMILL_API CPageCheck {
  public:
    // pDamage may be null: the checks then only count.
    explicit CPageCheck(IDamageSink* pDamage) : m_pDamage(pDamage) {}

    // Checks page nPage. REQUIRES: pages are handed in ascending order, page is kPageSize bytes.
    void Inspect(const CByteView& page, std::uint32_t nPage);

    // The first bytes look like a page header: header version 1 and a page type the server
    // writes.
    static bool IsPageHeader(const CByteView& page);
    // A page header that names page nPage.
    static bool Plausible(const CByteView& page, std::uint32_t nPage);
    // Why the page's torn-page bits show it torn, or nothing when it carries none or they agree.
    // The low two bits of the saved field hold the pattern the server wrote into the last byte
    // of every other sector; a pattern other than 01 or 10, or a sector that ends in another
    // pattern, means the sectors were not written together.
    static std::optional<std::string> TornProblem(const CByteView& page);

    // Pages whose header is damaged, that name another page, or that are torn.
    std::uint32_t BadHeaders() const { return m_nBadHeaders; }
    std::uint32_t StrayPages() const { return m_nStrayPages; }
    std::uint32_t TornPages() const { return m_nTornPages; }

  private:
    void ReadAllocationMap(const CByteView& page, std::uint32_t nFirst);
    bool Allocated(std::uint32_t nPage) const;
    void Report(EDamageKind eKind, std::uint32_t nPage, std::uint64_t nBytes,
                std::string strDetail);

    IDamageSink* m_pDamage;
    // The allocation bytes of the interval being scanned; empty when its map is unreadable.
    std::uint32_t m_nMapFirst = 0;
    bool m_bMapKnown = false;
    std::vector<std::uint8_t> m_vecMap;
    std::uint32_t m_nBadHeaders = 0;
    std::uint32_t m_nStrayPages = 0;
    std::uint32_t m_nTornPages = 0;
};
