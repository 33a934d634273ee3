// engine/format2005/CAllocationMaps.h
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>

#include "common/DataFileReader.h"
#include "engine/format2005/CDamageList.h"
#include "engine/format2005/CPage.h"

namespace format2005 {

// The file's own allocation maps: PFS (one byte per page) and GAM (one bit per extent). Map pages
// are read on first use and kept; a damaged map page is reported once and then answers "unknown".
class CAllocationMaps {
  public:
    // The reader must outlive this object.
    CAllocationMaps(const CDataFileReader& reader, CDamageList& damage);
    ~CAllocationMaps();
    CAllocationMaps(const CAllocationMaps&) = delete;
    CAllocationMaps& operator=(const CAllocationMaps&) = delete;

    // The PFS byte of a page, or std::nullopt when its PFS page is unreadable.
    std::optional<std::uint8_t> PfsByte(std::uint32_t nPage);
    // Whether the extent holding the page is allocated by the GAM, or std::nullopt when unknown.
    std::optional<bool> ExtentAllocated(std::uint32_t nPage);
    // Whether the page is allocated: its PFS bit, or the GAM when the PFS page is damaged. A page
    // that neither map can judge counts as allocated: its header checks still apply.
    bool IsAllocated(std::uint32_t nPage);

    static std::uint32_t PfsPageFor(std::uint32_t nPage) {
        const std::uint32_t nPfs = nPage / kPfsInterval * kPfsInterval;
        return nPfs == 0 ? kFirstPfsPage : nPfs;
    }
    static std::uint32_t GamPageFor(std::uint32_t nPage) {
        const std::uint32_t nGam = nPage / kGamInterval * kGamInterval;
        return nGam == 0 ? kFirstGamPage : nGam;
    }

  private:
    // The map page of type nType at nPage, loaded once; nullptr when it fails its checks.
    const CPage* MapPage(std::uint32_t nPage, std::uint8_t nType);

    const CDataFileReader& m_reader;
    CDamageList& m_damage;
    std::map<std::uint32_t, std::unique_ptr<CPage>> m_mapPages;  // nullptr: damaged
};

// Bit nBit of an allocation bitmap record (GAM, SGAM, IAM) at page offset nRecord: the bitmap
// follows the record's 4-byte header, least significant bit first. std::nullopt when the bit lies
// beyond the record (its length is the u16 at record offset 2) or the page.
std::optional<bool> BitmapBit(const CPage& page, std::size_t nRecord, std::uint32_t nBit);

}  // namespace format2005
