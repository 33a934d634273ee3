// engine/format2005/CLobReader.cpp
#include "engine/format2005/CLobReader.h"

#include <algorithm>

#include "engine/format2005/CRecord.h"

namespace format2005 {
namespace {
// LOB record fields, offsets from the record start.
constexpr std::size_t kRecordLengthOffset = 2;
constexpr std::size_t kBlobIdOffset = 4;
constexpr std::size_t kNodeKindOffset = 12;
constexpr std::size_t kSmallRootLengthOffset = 14;
constexpr std::size_t kSmallRootData = 20;
constexpr std::size_t kDataStart = 14;
constexpr std::size_t kMaxLinksOffset = 14;
constexpr std::size_t kLinkCountOffset = 16;
constexpr std::size_t kLargeRootLinks = 24;  // links of 12 bytes: end u32, page id, slot
constexpr std::size_t kLargeRootLinkSize = 12;
constexpr std::size_t kInternalLinks = 20;  // links of 16 bytes: end u64, page id, slot
constexpr std::size_t kInternalLinkSize = 16;
// Text pointer fields.
constexpr std::size_t kPointerPageOffset = 8;
constexpr std::size_t kPointerSlotOffset = 14;
}  // namespace

CLobReader::CLobReader(const CDataFileReader& reader, CAllocationMaps& maps)
    : m_reader(reader), m_maps(maps) {}

void CLobReader::Begin(std::size_t nValueStart) {
    m_nValueStart = nValueStart;
    m_setVisited.clear();
    m_nFragments = 0;
    m_bFailed = false;
    m_strDetail.clear();
    m_nDamagePage = kNoPage;
}

ELobStatus CLobReader::Finish(std::size_t nBefore, const std::vector<std::byte>& out) {
    if (!m_bFailed)
        return ELobStatus::Ok;
    return out.size() > nBefore ? ELobStatus::Truncated : ELobStatus::Unreadable;
}

void CLobReader::Fail(std::uint32_t nPage, std::string strDetail) {
    if (m_bFailed)
        return;
    m_bFailed = true;
    m_nDamagePage = nPage;
    m_strDetail = std::move(strDetail);
}

ELobStatus CLobReader::ReadTextPointer(std::span<const std::byte> pointer,
                                       std::vector<std::byte>& out) {
    Begin(out.size());
    const std::size_t nBefore = out.size();
    CByteView view(pointer);
    auto page = ReadPageId(view, kPointerPageOffset);
    auto nSlot = view.U16(kPointerSlotOffset);
    if (pointer.size() != kTextPointerSize || !page || !nSlot) {
        Fail(kNoPage, "text pointer of " + std::to_string(pointer.size()) + " bytes");
        return Finish(nBefore, out);
    }
    // The root record carries the pointer's timestamp as its blob id: a slot reused by another
    // value is not this value.
    m_optRootBlob = view.U64(0);
    ReadNode(*page, *nSlot, 0, 0, out);
    m_optRootBlob.reset();
    return Finish(nBefore, out);
}

ELobStatus CLobReader::ReadInRowRoot(std::span<const std::byte> root, std::vector<std::byte>& out) {
    Begin(out.size());
    const std::size_t nBefore = out.size();
    CByteView view(root);
    auto nKind = view.U8(0);
    if (!nKind || (*nKind != kKindLobRoot && *nKind != kKindRowOverflow) ||
        root.size() < kRootHeaderSize + kRootLinkSize ||
        (root.size() - kRootHeaderSize) % kRootLinkSize != 0) {
        Fail(kNoPage, "in-row root of " + std::to_string(root.size()) + " bytes");
        return Finish(nBefore, out);
    }
    std::vector<SLink> vecLinks;
    for (std::size_t nPos = kRootHeaderSize; view.Has(nPos, kRootLinkSize); nPos += kRootLinkSize)
        vecLinks.push_back({*view.U32(nPos), *ReadPageId(view, nPos + 4), *view.U16(nPos + 10)});
    ReadLinks(vecLinks, vecLinks.back().nEnd, 0, out);
    return Finish(nBefore, out);
}

void CLobReader::ReadLinks(const std::vector<SLink>& vecLinks, std::uint64_t nExpected, int nDepth,
                           std::vector<std::byte>& out) {
    // Link offsets are cumulative ends, relative to the node in the files examined; a tree with
    // absolute offsets shows itself by its last end matching the node's range in the value.
    const std::uint64_t nNodeStart = out.size() - m_nValueStart;
    std::uint64_t nPrevious = 0;
    const std::uint64_t nLast = vecLinks.empty() ? 0 : vecLinks.back().nEnd;
    if (nExpected != 0 && nNodeStart != 0 && nLast != nExpected && nLast > nNodeStart &&
        nLast - nNodeStart == nExpected)
        nPrevious = nNodeStart;
    for (const SLink& link : vecLinks) {
        if (m_bFailed)
            return;
        if (link.nEnd < nPrevious) {
            Fail(link.page.nPage, "link offsets out of order");
            return;
        }
        const std::size_t nStart = out.size();
        const std::uint64_t nSize = link.nEnd - nPrevious;
        ReadNode(link.page, link.nSlot, nSize, nDepth + 1, out);
        if (!m_bFailed && out.size() - nStart != nSize) {
            Fail(link.page.nPage, "fragment of " + std::to_string(out.size() - nStart) +
                                      " bytes where " + std::to_string(nSize) + " were linked");
            return;
        }
        nPrevious = link.nEnd;
    }
}

const CPage* CLobReader::LoadPage(SPageId id) {
    if (m_bCachedValid && m_nCachedPage == id.nPage)
        return &m_page;
    m_bCachedValid = false;
    m_nCachedPage = id.nPage;
    if (id.nFile != 1 || id.nPage >= m_reader.PageCount()) {
        Fail(id.nPage, "pointer past the end of the file");
        return nullptr;
    }
    if (!m_maps.IsAllocated(id.nPage)) {
        Fail(id.nPage, "pointer to a free page");
        return nullptr;
    }
    if (m_page.Load(m_reader, id.nPage) != EPageCheck::Ok) {
        Fail(id.nPage, "pointer to an unreadable or stray page");
        return nullptr;
    }
    if (m_page.Type() != kPageText && m_page.Type() != kPageTextTree) {
        Fail(id.nPage, "pointer to a page of type " + std::to_string(m_page.Type()));
        return nullptr;
    }
    if (!m_vecUnits.empty() &&
        std::none_of(m_vecUnits.begin(), m_vecUnits.end(),
                     [&](std::uint64_t nUnit) { return m_page.BelongsToUnit(nUnit); })) {
        Fail(id.nPage, "pointer to a page of another allocation unit");
        return nullptr;
    }
    m_bCachedValid = true;
    return &m_page;
}

void CLobReader::ReadNode(SPageId id, std::uint16_t nSlot, std::uint64_t nExpected, int nDepth,
                          std::vector<std::byte>& out) {
    if (m_bFailed)
        return;
    if (nDepth > kMaxDepth) {
        Fail(id.nPage, "value tree deeper than " + std::to_string(kMaxDepth) + " levels");
        return;
    }
    if (++m_nFragments > kMaxFragments) {
        Fail(id.nPage, "value needs more than " + std::to_string(kMaxFragments) + " fragments");
        return;
    }
    if (!m_setVisited.emplace(id.nPage, nSlot).second) {
        Fail(id.nPage, "value tree links back into itself");
        return;
    }
    const CPage* pPage = LoadPage(id);
    if (!pPage)
        return;
    if (nSlot >= pPage->UsableSlotCount() || !CPage::IsRecordOffset(pPage->SlotEntry(nSlot))) {
        Fail(id.nPage, "pointer to a missing slot " + std::to_string(nSlot));
        return;
    }
    const std::size_t nRecord = pPage->SlotEntry(nSlot);
    CByteView page = pPage->View();
    auto nStatus = page.U8(nRecord);
    auto nLength = page.U16(nRecord + kRecordLengthOffset);
    auto nKind = page.U16(nRecord + kNodeKindOffset);
    if (!nStatus || !nLength || !nKind || CRecord::TypeOf(*nStatus) != ERecordType::Blob ||
        !page.Has(nRecord, *nLength)) {
        Fail(id.nPage, "slot " + std::to_string(nSlot) + " holds no value fragment");
        return;
    }
    CByteView record(*page.Slice(nRecord, *nLength));
    if (nDepth == 0 && m_optRootBlob && record.U64(kBlobIdOffset) != m_optRootBlob) {
        Fail(id.nPage, "slot " + std::to_string(nSlot) + " holds a fragment of another value");
        return;
    }

    auto Append = [&](std::size_t nOffset, std::size_t nBytes) {
        auto bytes = record.Slice(nOffset, nBytes);
        if (!bytes) {
            Fail(id.nPage, "fragment data leaves its record");
            return;
        }
        if (nExpected != 0 && bytes->size() > nExpected)
            *bytes = bytes->first(static_cast<std::size_t>(nExpected));
        if (out.size() - m_nValueStart + bytes->size() > kMaxValueBytes) {
            Fail(id.nPage, "value longer than 2 GB");
            return;
        }
        out.insert(out.end(), bytes->begin(), bytes->end());
    };

    switch (*nKind) {
        case kNodeSmallRoot: {
            auto nData = record.U16(kSmallRootLengthOffset);
            if (!nData) {
                Fail(id.nPage, "small root without a length");
                return;
            }
            Append(kSmallRootData, *nData);
            return;
        }
        case kNodeData:
            if (*nLength < kDataStart) {
                Fail(id.nPage, "data fragment shorter than its header");
                return;
            }
            Append(kDataStart, *nLength - kDataStart);
            return;
        case kNodeLargeRoot:
        case kNodeLargeRootYukon:
        case kNodeInternal: {
            const bool bInternal = *nKind == kNodeInternal;
            const std::size_t nFirst = bInternal ? kInternalLinks : kLargeRootLinks;
            const std::size_t nStride = bInternal ? kInternalLinkSize : kLargeRootLinkSize;
            auto nMax = record.U16(kMaxLinksOffset);
            auto nLinks = record.U16(kLinkCountOffset);
            if (!nMax || !nLinks || *nLinks > *nMax ||
                !record.Has(nFirst, std::size_t{*nLinks} * nStride)) {
                Fail(id.nPage, "link list leaves its record");
                return;
            }
            std::vector<SLink> vecLinks;
            vecLinks.reserve(*nLinks);
            for (std::size_t i = 0; i < *nLinks; ++i) {
                const std::size_t nPos = nFirst + i * nStride;
                const std::uint64_t nEnd = bInternal ? *record.U64(nPos) : *record.U32(nPos);
                const std::size_t nRow = nPos + (bInternal ? 8 : 4);
                vecLinks.push_back({nEnd, *ReadPageId(record, nRow), *record.U16(nRow + 6)});
            }
            if (vecLinks.empty())
                return;
            ReadLinks(vecLinks, nExpected, nDepth, out);
            return;
        }
        default:
            Fail(id.nPage, "fragment of unknown kind " + std::to_string(*nKind));
            return;
    }
}

}  // namespace format2005
