// common/ArchiveWriter.h
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "common/Crc32.h"
#include "common/Export.h"

// Writes the archive encoding of scan files (see CArchiveReader) to a file through a 4096-byte
// buffer. The bytes go to a temporary file beside the target, which replaces the target only when
// every write succeeded, so a failed save never leaves a half-written scan file behind.
class AMBERMILL_API CArchiveWriter {
  public:
    CArchiveWriter() = default;
    ~CArchiveWriter();
    CArchiveWriter(const CArchiveWriter&) = delete;
    CArchiveWriter& operator=(const CArchiveWriter&) = delete;

    // False with Error() set when the file cannot be created.
    bool Open(const std::filesystem::path& path);

    void WriteU8(std::uint8_t nValue);
    void WriteU16(std::uint16_t nValue);
    void WriteI16(std::int16_t nValue) { WriteU16(static_cast<std::uint16_t>(nValue)); }
    void WriteU32(std::uint32_t nValue);
    void WriteI32(std::int32_t nValue) { WriteU32(static_cast<std::uint32_t>(nValue)); }
    void WriteFlag(bool bValue) { WriteU32(bValue ? 1u : 0u); }
    void WriteString(std::string_view strText);

    // Bytes written so far, and their CRC-32.
    std::uint64_t BytesWritten() const { return m_nWritten; }
    std::uint32_t Crc32() const { return m_crc.Value(); }

    // Flushes, closes and moves the file into place. False with Error() set when any write
    // failed; the target is then left as it was.
    bool Close();
    const std::string& Error() const { return m_strError; }

  private:
    void Put(const void* pData, std::size_t nSize);
    void Flush();
    void Abandon();

    std::FILE* m_pFile = nullptr;
    std::filesystem::path m_target;
    std::filesystem::path m_temporary;
    std::vector<std::uint8_t> m_vecBuffer;
    std::string m_strError;
    CCrc32 m_crc;
    std::uint64_t m_nWritten = 0;
};
