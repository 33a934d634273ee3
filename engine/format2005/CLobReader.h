// engine/format2005/CLobReader.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/DataFileReader.h"
#include "engine/format2005/CAllocationMaps.h"
#include "engine/format2005/CPage.h"

namespace format2005 {

enum class ELobStatus : std::uint8_t {
    Ok,
    Truncated,   // part of the value came back; the rest was unreadable
    Unreadable,  // nothing could be read
};

// Reads values stored outside their row: text pointers (text, ntext, image), in-row LOB roots of
// the (max) types and xml, and row-overflow pointers of varchar(n), nvarchar(n), varbinary(n)
// and sql_variant. Every value gets a budget of fragments, a visited set and a depth limit, so a
// damaged tree that loops or claims huge link counts ends as a truncated value, never a hang.
class CLobReader {
  public:
    // Sizes of the pointers a row holds.
    static constexpr std::size_t kTextPointerSize = 16;
    static constexpr std::size_t kRowOverflowSize = 24;
    static constexpr std::size_t kRootHeaderSize = 12;  // kind, level, unused, update seq, ts
    static constexpr std::size_t kRootLinkSize = 12;    // end offset u32, page id, slot u16
    // In-row root kinds (byte 0 of a complex column).
    static constexpr std::uint8_t kKindRowOverflow = 2;
    static constexpr std::uint8_t kKindLobRoot = 4;
    static constexpr std::uint8_t kKindSparseVector = 5;
    static constexpr std::uint8_t kKindBackPointer =
        4;  // the 2-byte header 0x0400 of a back pointer

    // LOB record node kinds (u16 at record offset 12).
    static constexpr std::uint16_t kNodeSmallRoot = 0;
    static constexpr std::uint16_t kNodeInternal = 2;
    static constexpr std::uint16_t kNodeData = 3;
    static constexpr std::uint16_t kNodeLargeRoot = 4;       // written by SQL Server 2000
    static constexpr std::uint16_t kNodeLargeRootYukon = 5;  // written by 2005+

    // Work caps per value: enough fragments for the 2 GB a value may hold in fragments of about
    // 8000 bytes; trees are a few levels deep.
    static constexpr std::size_t kMaxFragments = 300000;
    static constexpr int kMaxDepth = 16;
    static constexpr std::uint64_t kMaxValueBytes = 0x7FFFFFFF;

    // Reader and maps must outlive this object.
    CLobReader(const CDataFileReader& reader, CAllocationMaps& maps);

    // Allocation units the value's pages may belong to (a table's LOB and row-overflow units).
    // Empty: any unit (the catalog's own values before the units are known).
    void SetUnits(std::vector<std::uint64_t> vecUnits) { m_vecUnits = std::move(vecUnits); }

    // The value behind a 16-byte text pointer, appended to out.
    ELobStatus ReadTextPointer(std::span<const std::byte> pointer, std::vector<std::byte>& out);
    // The value behind an in-row LOB root (kind 4) or a row-overflow pointer (kind 2).
    ELobStatus ReadInRowRoot(std::span<const std::byte> root, std::vector<std::byte>& out);

    // What went wrong with the last value, and the page where it did (kNoPage when none).
    const std::string& Detail() const { return m_strDetail; }
    std::uint32_t DamagePage() const { return m_nDamagePage; }
    // Fragments read for the last value (tests check the caps with it).
    std::size_t FragmentsRead() const { return m_nFragments; }

  private:
    struct SLink {
        std::uint64_t nEnd = 0;
        SPageId page;
        std::uint16_t nSlot = 0;
    };

    void Begin(std::size_t nValueStart);
    ELobStatus Finish(std::size_t nBefore, const std::vector<std::byte>& out);
    // Reads the subtree at (page, slot), expecting nExpected bytes (0: unknown).
    void ReadNode(SPageId page, std::uint16_t nSlot, std::uint64_t nExpected, int nDepth,
                  std::vector<std::byte>& out);
    // Reads the children of a link list, each expected to give its share of the node's bytes.
    void ReadLinks(const std::vector<SLink>& vecLinks, std::uint64_t nExpected, int nDepth,
                   std::vector<std::byte>& out);
    const CPage* LoadPage(SPageId page);
    void Fail(std::uint32_t nPage, std::string strDetail);

    const CDataFileReader& m_reader;
    CAllocationMaps& m_maps;
    std::vector<std::uint64_t> m_vecUnits;
    CPage m_page;
    std::uint32_t m_nCachedPage = kNoPage;
    bool m_bCachedValid = false;

    std::set<std::pair<std::uint32_t, std::uint16_t>> m_setVisited;
    std::size_t m_nFragments = 0;
    std::size_t m_nValueStart = 0;
    std::optional<std::uint64_t> m_optRootBlob;  // blob id the root of a text pointer must carry //
                                                 // where the value begins in the output buffer
    bool m_bFailed = false;
    std::string m_strDetail;
    std::uint32_t m_nDamagePage = kNoPage;
};

}  // namespace format2005
