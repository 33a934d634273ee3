// common/ArchiveReader.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/Export.h"

// A truncated or inconsistent archive. what() says what was being read and where.
class AMBERMILL_API CArchiveError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads the archive encoding of scan files from bytes held in memory: little-endian integers,
// length-prefixed 8-bit strings, flags stored as 32-bit values. Scan files are untrusted input, so
// every length and count is checked against the bytes that remain before anything is allocated;
// a violation throws CArchiveError.
class AMBERMILL_API CArchiveReader {
  public:
    // Reads over bytes the caller keeps alive.
    explicit CArchiveReader(std::span<const std::byte> bytes);
    // Reads over bytes it owns.
    explicit CArchiveReader(std::vector<std::byte> bytes);
    CArchiveReader(const CArchiveReader&) = delete;
    CArchiveReader& operator=(const CArchiveReader&) = delete;

    // The whole file read into memory; CArchiveError when it cannot be read.
    static CArchiveReader FromFile(const std::filesystem::path& path);

    std::uint8_t ReadU8();
    std::uint16_t ReadU16();
    std::int16_t ReadI16();
    std::uint32_t ReadU32();
    std::int32_t ReadI32();
    // Any non-zero 32-bit value is set.
    bool ReadFlag();
    std::string ReadString();
    // A 32-bit entry count, refused when it is negative or when that many entries of at least
    // nMinEntryBytes each cannot fit in the bytes that remain.
    std::uint32_t ReadCount(std::size_t nMinEntryBytes, const char* pszWhat);

    std::size_t Position() const { return m_nPosition; }
    std::size_t Remaining() const { return m_bytes.size() - m_nPosition; }
    // The bytes not read yet, for a reader that looks ahead before it reads; valid while this
    // reader is.
    std::span<const std::byte> RemainingBytes() const { return m_bytes.subspan(m_nPosition); }
    // Moves past nCount bytes; CArchiveError when fewer remain.
    void Skip(std::size_t nCount, const char* pszWhat) { Take(nCount, pszWhat); }

  private:
    const std::byte* Take(std::size_t nCount, const char* pszWhat);
    [[noreturn]] void Fail(const std::string& strWhat) const;

    std::vector<std::byte> m_vecOwned;
    std::span<const std::byte> m_bytes;
    std::size_t m_nPosition = 0;
};
