// common/DataFileReader.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "common/Export.h"

inline constexpr std::size_t kPageSize = 8192;

// Read-only access to a data file. Each instance opens its own descriptor (O_RDONLY) and closes it
// on destruction, so every operation reads through a descriptor of its own and nothing is shared
// between threads. The data file is never opened for writing.
class AMBERMILL_API CDataFileReader {
  public:
    explicit CDataFileReader(const std::string& strPath);
    ~CDataFileReader();
    CDataFileReader(const CDataFileReader&) = delete;
    CDataFileReader& operator=(const CDataFileReader&) = delete;

    bool IsOpen() const { return m_fd >= 0; }
    // errno text of the failed open, empty when open.
    const std::string& Error() const { return m_strError; }
    std::uint64_t FileSize() const { return m_nFileSize; }
    // Whole 8192-byte pages in the file; a trailing partial page is not counted.
    std::uint32_t PageCount() const;

    // Reads page nPage into buffer (exactly kPageSize bytes). False on a short read or error; the
    // buffer is then zero-filled so stale bytes of an earlier page are never mistaken for this one.
    bool ReadPage(std::uint32_t nPage, std::span<std::byte> buffer) const;
    // Reads buffer.size() bytes at nOffset; returns the number of bytes read (short at end of
    // file).
    std::size_t ReadAt(std::uint64_t nOffset, std::span<std::byte> buffer) const;

  private:
    int m_fd = -1;
    std::uint64_t m_nFileSize = 0;
    std::string m_strError;
};
