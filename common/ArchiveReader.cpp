// common/ArchiveReader.cpp
#include "common/ArchiveReader.h"

#include <fstream>
#include <system_error>

#include "common/ByteView.h"

CArchiveReader::CArchiveReader(std::span<const std::byte> bytes) : m_bytes(bytes) {}

CArchiveReader::CArchiveReader(std::vector<std::byte> bytes)
    : m_vecOwned(std::move(bytes)), m_bytes(m_vecOwned) {}

CArchiveReader CArchiveReader::FromFile(const std::filesystem::path& path) {
    std::error_code ec;
    const auto nSize = std::filesystem::file_size(path, ec);
    if (ec)
        throw CArchiveError("cannot read '" + path.string() + "': " + ec.message());
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw CArchiveError("cannot open '" + path.string() + "'");
    std::vector<std::byte> bytes(static_cast<std::size_t>(nSize));
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (static_cast<std::uint64_t>(in.gcount()) != nSize)
        throw CArchiveError("cannot read '" + path.string() + "'");
    return CArchiveReader(std::move(bytes));
}

void CArchiveReader::Fail(const std::string& strWhat) const {
    throw CArchiveError(strWhat + " at byte " + std::to_string(m_nPosition) + " of " +
                        std::to_string(m_bytes.size()));
}

const std::byte* CArchiveReader::Take(std::size_t nCount, const char* pszWhat) {
    if (nCount > Remaining())
        Fail(std::string("file ends inside ") + pszWhat);
    const std::byte* p = m_bytes.data() + m_nPosition;
    m_nPosition += nCount;
    return p;
}

std::uint8_t CArchiveReader::ReadU8() {
    return static_cast<std::uint8_t>(*Take(1, "an 8-bit value"));
}

std::uint16_t CArchiveReader::ReadU16() {
    return static_cast<std::uint16_t>(CByteView({Take(2, "a 16-bit value"), 2}).Load(0, 2));
}

std::int16_t CArchiveReader::ReadI16() {
    return static_cast<std::int16_t>(ReadU16());
}

std::uint32_t CArchiveReader::ReadU32() {
    return static_cast<std::uint32_t>(CByteView({Take(4, "a 32-bit value"), 4}).Load(0, 4));
}

std::int32_t CArchiveReader::ReadI32() {
    return static_cast<std::int32_t>(ReadU32());
}

bool CArchiveReader::ReadFlag() {
    return ReadU32() != 0;
}

std::string CArchiveReader::ReadString() {
    std::uint32_t nLength = ReadU8();
    if (nLength == 0xFF) {
        nLength = ReadU16();
        // 0xFFFE announces a UTF-16 string, which this format never stores.
        if (nLength == 0xFFFE)
            Fail("unsupported wide string marker");
        if (nLength == 0xFFFF)
            nLength = ReadU32();
    }
    const std::byte* p = Take(nLength, "a string");
    return std::string(reinterpret_cast<const char*>(p), nLength);
}

std::uint32_t CArchiveReader::ReadCount(std::size_t nMinEntryBytes, const char* pszWhat) {
    const std::int32_t nCount = ReadI32();
    if (nCount < 0)
        Fail(std::string("negative count of ") + pszWhat);
    const std::size_t nMin = nMinEntryBytes == 0 ? 1 : nMinEntryBytes;
    if (static_cast<std::size_t>(nCount) > Remaining() / nMin) {
        Fail(std::to_string(nCount) + " " + pszWhat + " cannot fit in the rest of the file");
    }
    return static_cast<std::uint32_t>(nCount);
}
