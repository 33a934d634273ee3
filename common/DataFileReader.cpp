// common/DataFileReader.cpp
#include "common/DataFileReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

CDataFileReader::CDataFileReader(const std::string& strPath) {
    m_fd = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) {
        m_strError = std::strerror(errno);
        return;
    }
    struct stat st {};
    if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        m_strError = S_ISDIR(st.st_mode) ? "is a directory" : "not a regular file";
        ::close(m_fd);
        m_fd = -1;
        return;
    }
    m_nFileSize = static_cast<std::uint64_t>(st.st_size);
}

CDataFileReader::~CDataFileReader() {
    if (m_fd >= 0)
        ::close(m_fd);
}

std::uint32_t CDataFileReader::PageCount() const {
    std::uint64_t nPages = m_nFileSize / kPageSize;
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(nPages, UINT32_MAX));
}

std::size_t CDataFileReader::ReadAt(std::uint64_t nOffset, std::span<std::byte> buffer) const {
    if (m_fd < 0)
        return 0;
    std::size_t nDone = 0;
    while (nDone < buffer.size()) {
        ssize_t n = ::pread(m_fd, buffer.data() + nDone, buffer.size() - nDone,
                            static_cast<off_t>(nOffset + nDone));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        nDone += static_cast<std::size_t>(n);
    }
    return nDone;
}

bool CDataFileReader::ReadPage(std::uint32_t nPage, std::span<std::byte> buffer) const {
    if (buffer.size() != kPageSize)
        return false;
    std::uint64_t nOffset = static_cast<std::uint64_t>(nPage) * kPageSize;
    if (ReadAt(nOffset, buffer) == kPageSize)
        return true;
    std::fill(buffer.begin(), buffer.end(), std::byte{0});
    return false;
}
