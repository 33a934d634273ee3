// engine/format2005/CPage.cpp
#include "engine/format2005/CPage.h"

#include <algorithm>
#include <bit>

namespace format2005 {

std::optional<SPageId> ReadPageId(const CByteView& view, std::size_t nOffset) {
    auto nPage = view.U32(nOffset);
    auto nFile = nOffset <= SIZE_MAX - 4 ? view.U16(nOffset + 4) : std::nullopt;
    if (!nPage || !nFile)
        return std::nullopt;
    return SPageId{*nPage, *nFile};
}

CPage::CPage(const CPage& other) : m_nNumber(other.m_nNumber) {
    std::copy(other.m_bytes.begin(), other.m_bytes.end(), m_arrBytes.begin());
}

CPage& CPage::operator=(const CPage& other) {
    if (this != &other) {
        std::copy(other.m_bytes.begin(), other.m_bytes.end(), m_arrBytes.begin());
        m_bytes = m_arrBytes;
        m_nNumber = other.m_nNumber;
    }
    return *this;
}

std::span<std::byte> CPage::Buffer() {
    if (m_bytes.data() != m_arrBytes.data()) {
        std::copy(m_bytes.begin(), m_bytes.end(), m_arrBytes.begin());
        m_bytes = m_arrBytes;
    }
    return m_arrBytes;
}

EPageCheck CPage::Borrow(std::span<const std::byte> bytes, std::uint32_t nPage) {
    if (bytes.size() != kPageSize) {
        m_nNumber = nPage;
        return EPageCheck::Unreadable;
    }
    m_bytes = bytes;
    return Check(nPage);
}

EPageCheck CPage::Load(const CDataFileReader& reader, std::uint32_t nPage) {
    m_nNumber = nPage;
    m_bytes = m_arrBytes;
    if (!reader.ReadPage(nPage, m_arrBytes))
        return EPageCheck::Unreadable;
    return Check(nPage);
}

EPageCheck CPage::Check(std::uint32_t nPage) {
    m_nNumber = nPage;
    if (HeaderVersion() != kHeaderVersion)
        return EPageCheck::NotFormatted;
    SPageId own = OwnId();
    if (own.nPage != nPage || own.nFile != 1)
        return EPageCheck::Stray;
    RestoreTornBits();
    return EPageCheck::Ok;
}

bool CPage::BelongsToUnit(std::uint64_t nUnit) const {
    if (UnitId() == nUnit)
        return true;
    // SQL Server 2000 wrote the object id and index id 0 on the data pages of a clustered table;
    // an upgrade leaves such pages as they were until they are rewritten.
    const auto nUnitObject = static_cast<std::uint32_t>(nUnit >> 16);
    const auto nUnitIndex = static_cast<std::uint16_t>(nUnit >> 48);
    return (nUnit & 0xFFFF) == 0 && nUnitIndex == 1 && IndexId() == 0 && ObjectId() == nUnitObject;
}

void CPage::RestoreTornBits() {
    if ((Flags() & kFlagTornBits) == 0)
        return;
    Buffer();  // a borrowed page's bytes are not this page's to change
    const std::uint32_t nBits = *View().U32(kTornBitsOffset);
    // Sector 0 holds the saved bits themselves; sector s keeps bits 2s and 2s+1.
    for (std::size_t s = 1; s < kPageSize / kSectorSize; ++s) {
        const std::size_t nPos = s * kSectorSize + kSectorSize - 1;
        const auto nSaved = static_cast<std::uint8_t>((nBits >> (2 * s)) & 0x3);
        const auto nByte = static_cast<std::uint8_t>(m_arrBytes[nPos]);
        m_arrBytes[nPos] = static_cast<std::byte>((nByte & 0xFC) | nSaved);
    }
}

std::uint32_t CPage::ComputeChecksum(std::span<const std::byte> page) {
    // Per sector, the XOR of its 32-bit words (the checksum field counting as zero), rotated left
    // by 15 minus the sector number, XORed together.
    CByteView view(page);
    std::uint32_t nChecksum = 0;
    const std::size_t nSectors = page.size() / kSectorSize;
    for (std::size_t s = 0; s < nSectors; ++s) {
        std::uint32_t nSector = 0;
        for (std::size_t w = 0; w < kSectorSize / 4; ++w) {
            const std::size_t nOffset = s * kSectorSize + 4 * w;
            if (nOffset == kTornBitsOffset)
                continue;
            nSector ^= *view.U32(nOffset);
        }
        nChecksum ^= std::rotl(nSector, static_cast<int>(15 - s));
    }
    return nChecksum;
}

bool CPage::ChecksumMismatch() const {
    if ((Flags() & kFlagChecksum) == 0)
        return false;
    return ComputeChecksum(m_bytes) != *View().U32(kTornBitsOffset);
}

}  // namespace format2005
