// engine/format2005/CAllocationMaps.cpp
#include "engine/format2005/CAllocationMaps.h"

#include <string>

namespace format2005 {
namespace {
constexpr std::uint16_t kGamBitmapSlot = 1;
}

std::optional<bool> BitmapBit(const CPage& page, std::size_t nRecord, std::uint32_t nBit) {
    // The bitmap must stay clear of the slot array at the end of the page.
    CByteView view(page.Bytes().first(kPageSize - 2 * page.UsableSlotCount()));
    auto nLength = view.U16(nRecord + 2);
    const std::size_t nByteIndex = kBitmapRecordHeader + nBit / 8;
    if (!nLength || nByteIndex >= *nLength)
        return std::nullopt;
    auto nByte = view.U8(nRecord + nByteIndex);
    if (!nByte)
        return std::nullopt;
    return ((*nByte >> (nBit % 8)) & 1) != 0;
}

CAllocationMaps::CAllocationMaps(const CDataFileReader& reader, CDamageList& damage)
    : m_reader(reader), m_damage(damage) {}

CAllocationMaps::~CAllocationMaps() = default;

const CPage* CAllocationMaps::MapPage(std::uint32_t nPage, std::uint8_t nType) {
    auto it = m_mapPages.find(nPage);
    if (it != m_mapPages.end())
        return it->second.get();
    auto pPage = std::make_unique<CPage>();
    EPageCheck eCheck = pPage->Load(m_reader, nPage);
    if (eCheck != EPageCheck::Ok || pPage->Type() != nType) {
        const char* szWhat = nType == kPagePfs ? "PFS page" : "GAM page";
        m_damage.Add(eCheck == EPageCheck::Ok ? EDamage::PageWrongType : EDamage::PageUnreadable,
                     nPage, -1, 0, kPageSize,
                     std::string(szWhat) + " unusable; allocation judged without it");
        pPage.reset();
    }
    return m_mapPages.emplace(nPage, std::move(pPage)).first->second.get();
}

std::optional<std::uint8_t> CAllocationMaps::PfsByte(std::uint32_t nPage) {
    const CPage* pPfs = MapPage(PfsPageFor(nPage), kPagePfs);
    if (!pPfs)
        return std::nullopt;
    return pPfs->View().U8(kPfsBytesOffset + nPage % kPfsInterval);
}

std::optional<bool> CAllocationMaps::ExtentAllocated(std::uint32_t nPage) {
    const CPage* pGam = MapPage(GamPageFor(nPage), kPageGam);
    if (!pGam || pGam->UsableSlotCount() <= kGamBitmapSlot)
        return std::nullopt;
    const std::uint16_t nRecord = pGam->SlotEntry(kGamBitmapSlot);
    if (!CPage::IsRecordOffset(nRecord))
        return std::nullopt;
    auto bFree = BitmapBit(*pGam, nRecord, nPage % kGamInterval / kPagesPerExtent);
    if (!bFree)
        return std::nullopt;
    return !*bFree;  // a set GAM bit marks a free extent
}

bool CAllocationMaps::IsAllocated(std::uint32_t nPage) {
    if (auto nPfs = PfsByte(nPage))
        return (*nPfs & kPfsAllocated) != 0;
    return ExtentAllocated(nPage).value_or(true);
}

}  // namespace format2005
