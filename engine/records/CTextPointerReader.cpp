// engine/records/CTextPointerReader.cpp
#include "engine/records/CTextPointerReader.h"

#include "engine/core/CDataPage.h"

namespace {
// Text fragment record, offsets from the record start.
constexpr std::size_t kRecordLengthOffset = 2;
constexpr std::size_t kBlobIdOffset = 4;
constexpr std::size_t kFragmentTypeOffset = 12;
constexpr std::size_t kSmallRootLengthOffset = 14;
constexpr std::size_t kSmallRootDataOffset = 20;
constexpr std::size_t kDataFragmentHeader = 14;
constexpr std::size_t kMaxLinksOffset = 14;
constexpr std::size_t kLinkCountOffset = 16;
constexpr std::size_t kFirstLinkOffset = 24;
constexpr std::size_t kLinkSize = 12;
constexpr std::size_t kTreeNodeHeader = 18;
constexpr std::size_t kTreeEntrySize = 16;

constexpr std::uint16_t kSmallRoot = 0;
constexpr std::uint16_t kTreeNode = 2;
constexpr std::uint16_t kDataFragment = 3;
constexpr std::uint16_t kRootWithLinks = 4;
constexpr std::uint16_t kLargeRootWithLinks = 5;

constexpr std::uint32_t kTextPointerThreshold = 10000;
constexpr std::size_t kMaxFragmentBytes = 8192;

void Append(std::vector<std::byte>& out, std::span<const std::byte> bytes) {
    out.insert(out.end(), bytes.begin(), bytes.end());
}

// The record offset of a slot, or 0 when it fails the checks.
std::size_t RecordOffset(const CDataPage& page, std::uint16_t nSlot) {
    if (nSlot > page.SlotCount() + 1u)
        return 0;
    return page.AcceptedRowOffset(nSlot).value_or(0);
}
}  // namespace

CTextPointerReader::CTextPointerReader(const std::string& strFileName) : m_reader(strFileName) {}

bool CTextPointerReader::Budget() {
    if (++m_nFragmentsRead > kMaxFragmentsPerValue) {
        m_bTruncated = true;
        return false;
    }
    return true;
}

std::vector<std::byte> CTextPointerReader::ReadPointerBytes(const CByteView& ptr,
                                                            std::size_t& nConsumed) {
    nConsumed = 0;
    m_nFragmentsRead = 0;
    m_setVisited.clear();
    m_bTruncated = false;
    std::vector<std::byte> out;
    auto nFirst = ptr.U32(0);
    if (!nFirst)
        return out;
    if (*nFirst >= kTextPointerThreshold) {
        auto nBlob = ptr.U32(0);
        auto nPage = ptr.U32(8);
        auto nSlot = ptr.U16(14);
        if (!nBlob || !nPage || !nSlot)
            return out;
        nConsumed = kTextPointerSize;
        FetchInto(*nPage, *nSlot, *nBlob, true, out, 0);
        return out;
    }
    auto nBlob = ptr.U32(6);
    auto nLength = ptr.U32(12);
    auto nPage = ptr.U32(16);
    auto nSlot = ptr.U16(22);
    if (!nBlob || !nLength || !nPage || !nSlot)
        return out;
    bool bLong = *nLength >= 8040;
    nConsumed = bLong ? kLongInRowRootSize : kInRowRootSize;
    if (!ptr.Has(0, nConsumed)) {
        nConsumed = 0;
        return out;
    }
    FetchInto(*nPage, *nSlot, *nBlob, true, out, 0);
    if (bLong)
        FetchInto(*ptr.U32(28), *ptr.U16(34), *nBlob, true, out, 0);
    return out;
}

std::vector<std::byte> CTextPointerReader::FetchBytes(std::uint32_t nPage, std::uint16_t nSlot,
                                                      std::uint32_t nBlobId, bool bFollow) {
    m_nFragmentsRead = 0;
    m_setVisited.clear();
    m_bTruncated = false;
    std::vector<std::byte> out;
    FetchInto(nPage, nSlot, nBlobId, bFollow, out, 0);
    return out;
}

std::string CTextPointerReader::Fetch(std::uint32_t nPage, std::uint16_t nSlot,
                                      std::uint32_t nBlobId, ETextStyle eStyle, bool bFollow) {
    return ApplyStyle(FetchBytes(nPage, nSlot, nBlobId, bFollow), eStyle);
}

void CTextPointerReader::FetchInto(std::uint32_t nPage, std::uint16_t nSlot, std::uint32_t nBlobId,
                                   bool bFollow, std::vector<std::byte>& out, int nDepth) {
    if (nDepth > kMaxDepth || !Budget())
        return;
    if (!m_setVisited.emplace(nPage, nSlot).second) {
        m_bTruncated = true;  // a link back into the value: damage, not more text
        return;
    }
    CDataPage page;
    if (!page.Read(m_reader, nPage))
        return;
    page.RestoreTornBits();
    if (page.Type() == kTextTreePageType) {
        ReadTreeNode(page, nSlot, nBlobId, out, nDepth);
        return;
    }
    if (page.Type() != kTextPageType)
        return;
    std::size_t nRecord = RecordOffset(page, nSlot);
    if (nRecord == 0)
        return;
    CByteView view = page.View();
    auto nRecordLength = view.U16(nRecord + kRecordLengthOffset);
    auto nBlob = view.U32(nRecord + kBlobIdOffset);
    auto nType = view.U16(nRecord + kFragmentTypeOffset);
    if (!nRecordLength || !nBlob || !nType)
        return;

    switch (*nType) {
        case kRootWithLinks:
        case kLargeRootWithLinks: {
            if (*nBlob != nBlobId || !bFollow)
                return;
            auto nMax = view.U16(nRecord + kMaxLinksOffset);
            auto nLinks = view.U16(nRecord + kLinkCountOffset);
            if (!nMax || !nLinks || *nLinks > *nMax)
                return;
            for (std::size_t i = 0; i < *nLinks; ++i) {
                std::size_t nLink = nRecord + kFirstLinkOffset + i * kLinkSize;
                auto nLinkPage = view.U32(nLink + 4);
                auto nLinkSlot = view.U16(nLink + 10);
                if (!nLinkPage || !nLinkSlot)
                    return;  // the link list runs off the page
                FetchInto(*nLinkPage, *nLinkSlot, nBlobId, false, out, nDepth + 1);
                if (m_bTruncated && m_nFragmentsRead > kMaxFragmentsPerValue)
                    return;
            }
            return;
        }
        case kDataFragment: {
            if (*nRecordLength < kDataFragmentHeader)
                return;
            std::size_t nLength = *nRecordLength - kDataFragmentHeader;
            if (nLength > kMaxFragmentBytes)
                return;
            if (auto bytes = view.Slice(nRecord + kDataFragmentHeader, nLength))
                Append(out, *bytes);
            return;
        }
        case kSmallRoot: {
            if (*nBlob != nBlobId)
                return;
            auto nLength = view.U16(nRecord + kSmallRootLengthOffset);
            if (!nLength || *nLength > kMaxFragmentBytes)
                return;
            if (auto bytes = view.Slice(nRecord + kSmallRootDataOffset, *nLength))
                Append(out, *bytes);
            return;
        }
        default:
            return;
    }
}

void CTextPointerReader::ReadTreeNode(const CDataPage& page, std::uint16_t nSlot,
                                      std::uint32_t nBlobId, std::vector<std::byte>& out,
                                      int nDepth) {
    std::uint16_t nOffset = page.SlotEntry(nSlot);
    if (nOffset < kPageHeaderSize || nOffset >= kPageSize)
        return;
    CByteView view = page.View();
    auto nRecordLength = view.U16(nOffset + kRecordLengthOffset);
    auto nType = view.U16(nOffset + kFragmentTypeOffset);
    if (!nRecordLength || !nType || *nType != kTreeNode || *nRecordLength < kTreeNodeHeader)
        return;
    auto node = view.Slice(nOffset + kTreeNodeHeader, *nRecordLength - kTreeNodeHeader);
    if (!node)
        return;
    CByteView nodeView(*node);
    for (std::size_t nPos = 2; nPos < nodeView.Size(); nPos += kTreeEntrySize) {
        auto nEntryPage = nodeView.U32(nPos + 8);
        auto nEntrySlot = nodeView.U16(nPos + 14);
        if (!nEntryPage || !nEntrySlot)
            return;
        FetchInto(*nEntryPage, *nEntrySlot, nBlobId, false, out, nDepth + 1);
        if (m_nFragmentsRead > kMaxFragmentsPerValue)
            return;
    }
}

std::string CTextPointerReader::ApplyStyle(std::span<const std::byte> bytes, ETextStyle eStyle) {
    std::string strText;
    switch (eStyle) {
        case ETextStyle::Hex: {
            static constexpr char kDigits[] = "0123456789abcdef";
            strText.reserve(bytes.size() * 2);
            for (std::byte b : bytes) {
                auto n = static_cast<std::uint8_t>(b);
                strText.push_back(kDigits[n >> 4]);
                strText.push_back(kDigits[n & 0xF]);
            }
            return strText;
        }
        case ETextStyle::Unicode:
            // Every character is looked at: one outside the one-byte range anywhere in the value
            // would otherwise be narrowed into a wrong character.
            for (std::size_t i = 1; i < bytes.size(); i += 2) {
                if (bytes[i] != std::byte{0})
                    return "?????";
            }
            [[fallthrough]];
        case ETextStyle::Plain:
            strText.reserve(bytes.size());
            for (std::byte b : bytes) {
                if (b != std::byte{0})
                    strText.push_back(static_cast<char>(b));
            }
            return strText;
    }
    return strText;
}
