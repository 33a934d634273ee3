// engine/format2005/CIamChain.cpp
#include "engine/format2005/CIamChain.h"

#include <algorithm>
#include <set>
#include <string>

#include "engine/format2005/CAllocationMaps.h"

namespace format2005 {
namespace {
constexpr std::uint16_t kHeaderSlot = 0;
constexpr std::uint16_t kBitmapSlot = 1;
constexpr std::uint32_t kExtentsPerIam = kGamInterval / kPagesPerExtent;
}  // namespace

bool CIamChain::ReadIamPage(const CPage& page, std::vector<std::uint32_t>& out) {
    if (page.UsableSlotCount() <= kBitmapSlot)
        return false;
    const std::uint16_t nHeader = page.SlotEntry(kHeaderSlot);
    const std::uint16_t nBitmap = page.SlotEntry(kBitmapSlot);
    if (!CPage::IsRecordOffset(nHeader) || !CPage::IsRecordOffset(nBitmap))
        return false;
    CByteView view = page.View();
    auto start = ReadPageId(view, nHeader + kIamStartPageOffset);
    if (!start)
        return false;
    for (std::size_t i = 0; i < kIamSinglePages; ++i) {
        auto single = ReadPageId(view, nHeader + kIamSinglePagesOffset + i * kPageIdSize);
        if (!single)
            return false;
        if (!single->IsNull() && single->nFile == 1)
            out.push_back(single->nPage);
    }
    // An interval start that is not a multiple of the interval is damage: taking extents from it
    // would claim pages at random.
    if (start->nFile != 1 || start->nPage % kGamInterval != 0)
        return true;
    // The bitmap as far as its record goes (its length is the u16 at record offset 2), and never
    // into the slot array. Whole zero bytes are skipped: most of an interval is other units'.
    auto nLength = view.U16(nBitmap + 2);
    if (!nLength || *nLength <= kBitmapRecordHeader)
        return true;
    const std::size_t nLimit = kPageSize - 2 * std::size_t{page.UsableSlotCount()};
    std::size_t nBytes = std::min<std::size_t>(*nLength - kBitmapRecordHeader, kExtentsPerIam / 8);
    if (nBitmap + kBitmapRecordHeader >= nLimit)
        return true;
    nBytes = std::min(nBytes, nLimit - nBitmap - kBitmapRecordHeader);
    const std::span<const std::byte> bitmap = *view.Slice(nBitmap + kBitmapRecordHeader, nBytes);
    for (std::size_t nByte = 0; nByte < bitmap.size(); ++nByte) {
        const auto nBits = static_cast<std::uint8_t>(bitmap[nByte]);
        for (std::uint32_t nBit = 0; nBits != 0 && nBit < 8; ++nBit) {
            if (((nBits >> nBit) & 1) == 0)
                continue;
            const std::uint64_t nFirst = static_cast<std::uint64_t>(start->nPage) +
                                         (std::uint64_t{nByte} * 8 + nBit) * kPagesPerExtent;
            if (nFirst + kPagesPerExtent > UINT32_MAX)
                return true;
            for (std::uint32_t i = 0; i < kPagesPerExtent; ++i)
                out.push_back(static_cast<std::uint32_t>(nFirst) + i);
        }
    }
    return true;
}

std::vector<std::uint32_t> CIamChain::CandidatePages(const CDataFileReader& reader,
                                                     SPageId firstIam, std::uint64_t nUnit,
                                                     std::int32_t nObjectId, CDamageList& damage) {
    std::vector<std::uint32_t> vecPages;
    std::set<std::uint32_t> setVisited;
    SPageId next = firstIam;
    const std::uint32_t nLimit = reader.PageCount();
    CPage page;
    while (!next.IsNull()) {
        if (next.nFile != 1) {
            damage.Add(EDamage::PageUnreadable, next.nPage, -1, nObjectId, 0,
                       "IAM chain leads to file " + std::to_string(next.nFile));
            break;
        }
        if (!setVisited.insert(next.nPage).second) {
            damage.Add(EDamage::ChainLoop, next.nPage, -1, nObjectId, 0,
                       "IAM chain links back to a page already read");
            break;
        }
        if (setVisited.size() > nLimit) {
            damage.Add(EDamage::ChainTooLong, next.nPage, -1, nObjectId, 0, "IAM chain");
            break;
        }
        EPageCheck eCheck = page.Load(reader, next.nPage);
        if (eCheck != EPageCheck::Ok) {
            damage.Add(eCheck == EPageCheck::Stray ? EDamage::StrayPage : EDamage::PageUnreadable,
                       next.nPage, -1, nObjectId, kPageSize, "IAM page");
            break;
        }
        if (page.Type() != kPageIam || !page.BelongsToUnit(nUnit)) {
            damage.Add(page.Type() != kPageIam ? EDamage::PageWrongType : EDamage::PageOfOtherUnit,
                       next.nPage, -1, nObjectId, kPageSize, "IAM chain");
            break;
        }
        if (!ReadIamPage(page, vecPages)) {
            damage.Add(EDamage::RecordDamaged, next.nPage, -1, nObjectId, kPageSize,
                       "IAM page without its header and bitmap");
        }
        next = page.NextPage();
    }
    std::sort(vecPages.begin(), vecPages.end());
    vecPages.erase(std::unique(vecPages.begin(), vecPages.end()), vecPages.end());
    return vecPages;
}

}  // namespace format2005
