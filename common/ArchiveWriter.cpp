// common/ArchiveWriter.cpp
#include "common/ArchiveWriter.h"

#include <cerrno>
#include <cstring>
#include <span>
#include <system_error>

namespace {
constexpr std::size_t kBufferSize = 4096;
}  // namespace

CArchiveWriter::~CArchiveWriter() {
    Abandon();
}

bool CArchiveWriter::Open(const std::filesystem::path& path) {
    Abandon();
    m_strError.clear();
    m_target = path;
    m_temporary = path;
    m_temporary += ".part";
    m_pFile = std::fopen(m_temporary.c_str(), "wb");
    if (!m_pFile) {
        m_strError = "cannot create '" + path.string() + "': " + std::strerror(errno);
        return false;
    }
    m_vecBuffer.reserve(kBufferSize);
    return true;
}

void CArchiveWriter::Put(const void* pData, std::size_t nSize) {
    const auto* p = static_cast<const std::uint8_t*>(pData);
    m_crc.Update(std::as_bytes(std::span(p, nSize)));
    m_nWritten += nSize;
    m_vecBuffer.insert(m_vecBuffer.end(), p, p + nSize);
    if (m_vecBuffer.size() >= kBufferSize)
        Flush();
}

void CArchiveWriter::Flush() {
    if (m_vecBuffer.empty())
        return;
    if (m_pFile && m_strError.empty() &&
        std::fwrite(m_vecBuffer.data(), 1, m_vecBuffer.size(), m_pFile) != m_vecBuffer.size()) {
        m_strError = "cannot write '" + m_target.string() + "': " + std::strerror(errno);
    }
    m_vecBuffer.clear();
}

void CArchiveWriter::WriteU8(std::uint8_t nValue) {
    Put(&nValue, 1);
}

void CArchiveWriter::WriteU16(std::uint16_t nValue) {
    const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(nValue),
                                   static_cast<std::uint8_t>(nValue >> 8)};
    Put(bytes, 2);
}

void CArchiveWriter::WriteU32(std::uint32_t nValue) {
    const std::uint8_t bytes[4] = {
        static_cast<std::uint8_t>(nValue), static_cast<std::uint8_t>(nValue >> 8),
        static_cast<std::uint8_t>(nValue >> 16), static_cast<std::uint8_t>(nValue >> 24)};
    Put(bytes, 4);
}

void CArchiveWriter::WriteString(std::string_view strText) {
    const std::size_t nLength = strText.size();
    if (nLength > 0xFFFFFFFFu) {
        if (m_strError.empty())
            m_strError = "a string of " + std::to_string(nLength) + " bytes cannot be stored";
        return;
    }
    // 0xFFFE is kept out of the 16-bit form: readers take it as a wide-string marker.
    if (nLength < 0xFF) {
        WriteU8(static_cast<std::uint8_t>(nLength));
    } else if (nLength < 0xFFFE) {
        WriteU8(0xFF);
        WriteU16(static_cast<std::uint16_t>(nLength));
    } else {
        WriteU8(0xFF);
        WriteU16(0xFFFF);
        WriteU32(static_cast<std::uint32_t>(nLength));
    }
    Put(strText.data(), strText.size());
}

bool CArchiveWriter::Close() {
    if (!m_pFile) {
        if (m_strError.empty())
            m_strError = "scan file is not open";
        return false;
    }
    Flush();
    if (std::fflush(m_pFile) != 0 && m_strError.empty()) {
        m_strError = "cannot write '" + m_target.string() + "': " + std::strerror(errno);
    }
    if (std::fclose(m_pFile) != 0 && m_strError.empty()) {
        m_strError = "cannot write '" + m_target.string() + "': " + std::strerror(errno);
    }
    m_pFile = nullptr;
    std::error_code ec;
    if (m_strError.empty()) {
        std::filesystem::rename(m_temporary, m_target, ec);
        if (ec)
            m_strError = "cannot replace '" + m_target.string() + "': " + ec.message();
    }
    if (!m_strError.empty())
        std::filesystem::remove(m_temporary, ec);
    return m_strError.empty();
}

void CArchiveWriter::Abandon() {
    if (!m_pFile)
        return;
    std::fclose(m_pFile);
    m_pFile = nullptr;
    std::error_code ec;
    std::filesystem::remove(m_temporary, ec);
    m_vecBuffer.clear();
}
