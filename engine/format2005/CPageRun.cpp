// engine/format2005/CPageRun.cpp
#include "engine/format2005/CPageRun.h"

namespace format2005 {

void CPageRun::Prepare(const CDataFileReader& reader, const std::vector<std::uint32_t>& vecPages,
                       std::size_t nIndex) {
    if (nIndex >= vecPages.size() || Find(vecPages[nIndex]))
        return;
    const std::uint32_t nFirst = vecPages[nIndex];
    const std::uint32_t nFilePages = reader.PageCount();
    if (nFirst >= nFilePages) {
        Clear();
        return;
    }
    std::size_t nCount = 1;
    while (nCount < kMaxPages && nIndex + nCount < vecPages.size() &&
           vecPages[nIndex + nCount] == nFirst + nCount && nFirst + nCount < nFilePages)
        ++nCount;
    m_vecBytes.resize(nCount * kPageSize);
    const std::size_t nRead =
        reader.ReadAt(static_cast<std::uint64_t>(nFirst) * kPageSize, m_vecBytes);
    m_nFirst = nFirst;
    m_nPages = nRead / kPageSize;
}

std::optional<std::span<const std::byte>> CPageRun::Find(std::uint32_t nPage) const {
    if (nPage < m_nFirst || nPage - m_nFirst >= m_nPages)
        return std::nullopt;
    return std::span<const std::byte>(m_vecBytes)
        .subspan(static_cast<std::size_t>(nPage - m_nFirst) * kPageSize, kPageSize);
}

}  // namespace format2005
