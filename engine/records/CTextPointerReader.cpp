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
        if (m_strProblem.empty())
            m_strProblem = "its chain of fragments is longer than any value's: it is cut short";
        m_bTruncated = true;
        return false;
    }
    return true;
}

void CTextPointerReader::Start() {
    m_nFragmentsRead = 0;
    m_setVisited.clear();
    m_bTruncated = false;
    m_strProblem.clear();
}

void CTextPointerReader::Fail(std::uint32_t nPage, std::uint16_t nSlot, const char* pszWhat) {
    if (!m_strProblem.empty())
        return;
    m_strProblem = "the fragment at page " + std::to_string(nPage) + ", slot " +
                   std::to_string(nSlot) + " " + pszWhat;
}

std::vector<std::byte> CTextPointerReader::ReadPointerBytes(const CByteView& ptr,
                                                            std::size_t& nConsumed) {
    nConsumed = 0;
    Start();
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
    Start();
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
    if (nDepth > kMaxDepth) {
        Fail(nPage, nSlot, "lies deeper in its value's tree than any value reaches: not read");
        return;
    }
    if (!Budget())
        return;
    if (!m_setVisited.emplace(nPage, nSlot).second) {
        m_bTruncated = true;  // a link back into the value: damage, not more text
        Fail(nPage, nSlot, "is linked to twice: the value's chain loops, and is cut there");
        return;
    }
    CDataPage page;
    if (!page.Read(m_reader, nPage)) {
        Fail(nPage, nSlot, "cannot be read (the file ends before its page)");
        return;
    }
    page.RestoreTornBits();
    if (page.Type() == kTextTreePageType) {
        ReadTreeNode(page, nPage, nSlot, nBlobId, out, nDepth);
        return;
    }
    if (page.Type() != kTextPageType) {
        Fail(nPage, nSlot, "is not on a text page (the page has another type)");
        return;
    }
    std::size_t nRecord = RecordOffset(page, nSlot);
    if (nRecord == 0) {
        Fail(nPage, nSlot, "is not on its page (no such slot)");
        return;
    }
    CByteView view = page.View();
    auto nRecordLength = view.U16(nRecord + kRecordLengthOffset);
    auto nBlob = view.U32(nRecord + kBlobIdOffset);
    auto nType = view.U16(nRecord + kFragmentTypeOffset);
    if (!nRecordLength || !nBlob || !nType) {
        Fail(nPage, nSlot, "runs off its page");
        return;
    }

    switch (*nType) {
        case kRootWithLinks:
        case kLargeRootWithLinks: {
            if (*nBlob != nBlobId || !bFollow) {
                Fail(nPage, nSlot, "is the root of another value");
                return;
            }
            auto nMax = view.U16(nRecord + kMaxLinksOffset);
            auto nLinks = view.U16(nRecord + kLinkCountOffset);
            if (!nMax || !nLinks || *nLinks > *nMax) {
                Fail(nPage, nSlot, "claims more links than it holds");
                return;
            }
            for (std::size_t i = 0; i < *nLinks; ++i) {
                std::size_t nLink = nRecord + kFirstLinkOffset + i * kLinkSize;
                auto nLinkPage = view.U32(nLink + 4);
                auto nLinkSlot = view.U16(nLink + 10);
                if (!nLinkPage || !nLinkSlot) {
                    Fail(nPage, nSlot, "has a list of links that runs off its page");
                    return;
                }
                FetchInto(*nLinkPage, *nLinkSlot, nBlobId, false, out, nDepth + 1);
                if (m_bTruncated && m_nFragmentsRead > kMaxFragmentsPerValue)
                    return;
            }
            return;
        }
        case kDataFragment: {
            if (*nRecordLength < kDataFragmentHeader) {
                Fail(nPage, nSlot, "has an impossible length");
                return;
            }
            std::size_t nLength = *nRecordLength - kDataFragmentHeader;
            auto bytes = nLength > kMaxFragmentBytes
                             ? std::nullopt
                             : view.Slice(nRecord + kDataFragmentHeader, nLength);
            if (!bytes) {
                Fail(nPage, nSlot, "has a length that runs off its page");
                return;
            }
            Append(out, *bytes);
            return;
        }
        case kSmallRoot: {
            if (*nBlob != nBlobId) {
                Fail(nPage, nSlot, "is the root of another value");
                return;
            }
            auto nLength = view.U16(nRecord + kSmallRootLengthOffset);
            auto bytes = !nLength || *nLength > kMaxFragmentBytes
                             ? std::nullopt
                             : view.Slice(nRecord + kSmallRootDataOffset, *nLength);
            if (!bytes) {
                Fail(nPage, nSlot, "has a length that runs off its page");
                return;
            }
            Append(out, *bytes);
            return;
        }
        default:
            Fail(nPage, nSlot, "is of no fragment type a value is made of");
            return;
    }
}

void CTextPointerReader::ReadTreeNode(const CDataPage& page, std::uint32_t nPage,
                                      std::uint16_t nSlot, std::uint32_t nBlobId,
                                      std::vector<std::byte>& out, int nDepth) {
    std::uint16_t nOffset = page.SlotEntry(nSlot);
    if (nOffset < kPageHeaderSize || nOffset >= kPageSize) {
        Fail(nPage, nSlot, "is not on its page (no such slot)");
        return;
    }
    CByteView view = page.View();
    auto nRecordLength = view.U16(nOffset + kRecordLengthOffset);
    auto nType = view.U16(nOffset + kFragmentTypeOffset);
    if (!nRecordLength || !nType || *nType != kTreeNode || *nRecordLength < kTreeNodeHeader) {
        Fail(nPage, nSlot, "is no node of a value's tree");
        return;
    }
    auto node = view.Slice(nOffset + kTreeNodeHeader, *nRecordLength - kTreeNodeHeader);
    if (!node) {
        Fail(nPage, nSlot, "has a length that runs off its page");
        return;
    }
    CByteView nodeView(*node);
    for (std::size_t nPos = 2; nPos < nodeView.Size(); nPos += kTreeEntrySize) {
        auto nEntryPage = nodeView.U32(nPos + 8);
        auto nEntrySlot = nodeView.U16(nPos + 14);
        if (!nEntryPage || !nEntrySlot) {
            Fail(nPage, nSlot, "has a list of entries that runs off its page");
            return;
        }
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
