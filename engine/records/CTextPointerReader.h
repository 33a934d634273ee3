// engine/records/CTextPointerReader.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/ByteView.h"
#include "common/DataFileReader.h"
#include "common/Export.h"

// How a large value's bytes become text.
enum class ETextStyle {
    Plain,    // bytes with every zero byte left out
    Unicode,  // UTF-16 narrowed to 8 bits, or "?????" when a character does not fit in one byte
    Hex,      // two lower-case hex digits per byte
};

// Reads values stored outside their row: text pointers and in-row roots lead to fragments on
// text pages (type 3) and text-tree pages (type 4). One instance reads through one descriptor of
// its own; nothing is cached between values.
class CDataPage;

class AMBERMILL_API CTextPointerReader {
  public:
    explicit CTextPointerReader(const std::string& strFileName);

    // Sizes of the pointer structures a row can hold.
    static constexpr std::size_t kTextPointerSize = 16;
    static constexpr std::size_t kInRowRootSize = 24;
    static constexpr std::size_t kLongInRowRootSize = 36;

    // Raw bytes of the value behind the pointer at the start of pointerBytes. nConsumed receives
    // the size of the pointer structure (16, 24 or 36); 0 when the structure does not fit.
    std::vector<std::byte> ReadPointerBytes(const CByteView& pointerBytes, std::size_t& nConsumed);
    // The fragment fetch: raw bytes of the fragment at (page, slot), following the links of a
    // root when bFollow. Empty when anything fails a check.
    std::vector<std::byte> FetchBytes(std::uint32_t nPage, std::uint16_t nSlot,
                                      std::uint32_t nBlobId, bool bFollow);
    // Convenience: FetchBytes rendered in a style.
    std::string Fetch(std::uint32_t nPage, std::uint16_t nSlot, std::uint32_t nBlobId,
                      ETextStyle eStyle, bool bFollow = true);

    static std::string ApplyStyle(std::span<const std::byte> bytes, ETextStyle eStyle);

    // True when the last value hit the work cap (a damaged chain) and was cut short.
    bool Truncated() const { return m_bTruncated; }
    // What went wrong first while the last value was read (a missing or foreign page, a fragment
    // of another value, a cycle, a chain cut short), for the damage report; empty when nothing
    // did.
    const std::string& Problem() const { return m_strProblem; }

  private:
    // Remembers the first problem of the value being read.
    void Fail(std::uint32_t nPage, std::uint16_t nSlot, const char* pszWhat);
    void Start();

    void FetchInto(std::uint32_t nPage, std::uint16_t nSlot, std::uint32_t nBlobId, bool bFollow,
                   std::vector<std::byte>& out, int nDepth);
    // An internal node on a text-tree page already read (and repaired) by FetchInto.
    void ReadTreeNode(const CDataPage& page, std::uint32_t nPage, std::uint16_t nSlot,
                      std::uint32_t nBlobId, std::vector<std::byte>& out, int nDepth);
    bool Budget();

    CDataFileReader m_reader;
    // A damaged page chain can link back into itself or claim huge link counts, so each value
    // gets a budget of fragment reads (enough for the largest value a text column may hold,
    // 2 GB in fragments of about 8000 bytes), a visited set and a depth limit.
    static constexpr std::size_t kMaxFragmentsPerValue = 300000;
    static constexpr int kMaxDepth = 8;
    std::size_t m_nFragmentsRead = 0;
    std::set<std::pair<std::uint32_t, std::uint16_t>> m_setVisited;
    bool m_bTruncated = false;
    std::string m_strProblem;
};
