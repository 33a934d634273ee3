// engine/format2005/CPageRun.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "common/DataFileReader.h"

namespace format2005 {

// A run of consecutive pages read from the file in one request. A table's listed pages mostly
// follow each other on disk, and one read per page cost a system call per page; the run serves
// them from memory. It holds only pages read whole: any other page is read on its own as before.
class CPageRun {
  public:
    static constexpr std::size_t kMaxPages = 16;

    // Makes sure vecPages[nIndex] is in the run, reading it with the listed pages that follow it
    // on disk (up to kMaxPages) when it is not.
    void Prepare(const CDataFileReader& reader, const std::vector<std::uint32_t>& vecPages,
                 std::size_t nIndex);
    // The bytes of nPage when the run holds it whole.
    std::optional<std::span<const std::byte>> Find(std::uint32_t nPage) const;
    void Clear() { m_nPages = 0; }

  private:
    std::vector<std::byte> m_vecBytes;
    std::uint32_t m_nFirst = 0;
    std::size_t m_nPages = 0;  // pages read whole from m_nFirst on
};

}  // namespace format2005
