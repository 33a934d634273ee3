// engine/core/CFormatProbe.cpp
#include "engine/core/CFormatProbe.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "common/DataFileReader.h"
#include "engine/core/CDataPage.h"
#include "engine/core/CPageCheck.h"
#include "engine/core/CPageScanner.h"

namespace {
constexpr std::uint32_t kFileHeaderPage = 0;
constexpr std::uint32_t kBootPage = 9;
constexpr std::uint8_t kFileHeaderPageType = 15;
constexpr std::uint8_t kBootPageType = 13;
constexpr std::size_t kVersionOffset = 100;
constexpr std::size_t kDatabaseNameOffset = 148;  // UTF-16 name, kDatabaseNameBytes long
constexpr std::size_t kDatabaseNameBytes = 500;
constexpr std::size_t kMaxDatabaseName = 128;
constexpr std::uint32_t kPagesPerRead = 128;

// A name the server could have stored: not empty, not longer than an identifier, no control
// character. Anything else is what a damaged boot page reads as.
bool ReadableName(const std::string& strName) {
    return !strName.empty() && strName.size() <= kMaxDatabaseName &&
           std::none_of(strName.begin(), strName.end(), [](char ch) {
               const auto n = static_cast<unsigned char>(ch);
               return n < 0x20 || n == 0x7F;
           });
}

SDamage FixedPageDamage(EDamageKind eKind, std::uint32_t nPage, std::string strDetail) {
    SDamage damage;
    damage.eKind = eKind;
    damage.nPage = nPage;
    damage.strDetail = std::move(strDetail);
    return damage;
}

// True when some page of the file has a page header that names it. Stops at the first one, so
// a data file costs one page; only a file of something else is read to its end.
bool AnyPlausiblePage(const CDataFileReader& reader) {
    std::vector<std::byte> chunk(static_cast<std::size_t>(kPagesPerRead) * kPageSize);
    const std::uint32_t nPages = reader.PageCount();
    for (std::uint32_t nFirst = 0; nFirst < nPages; nFirst += kPagesPerRead) {
        const std::uint32_t nCount = std::min(kPagesPerRead, nPages - nFirst);
        const std::size_t nRead = reader.ReadAt(static_cast<std::uint64_t>(nFirst) * kPageSize,
                                                std::span(chunk).first(nCount * kPageSize));
        for (std::uint32_t i = 0; (i + 1) * kPageSize <= nRead; ++i) {
            CByteView page(std::span<const std::byte>(chunk).subspan(i * kPageSize, kPageSize));
            if (CPageCheck::Plausible(page, nFirst + i))
                return true;
        }
        if (nRead < nCount * kPageSize)
            break;
    }
    return false;
}
}  // namespace

EEngineFormat CFormatProbe::FormatOfVersion(std::uint16_t nVersion) {
    const SFormatInfo* pInfo = CFormatTable::ByStamp(nVersion);
    return pInfo ? pInfo->eFormat : EEngineFormat::Unknown;
}

std::string CFormatProbe::FormatName(EEngineFormat eFormat) {
    return CFormatTable::VersionText(eFormat);
}

std::optional<SDamage> CFormatProbe::TailDamage(std::uint64_t nFileSize) {
    const std::uint64_t nTail = nFileSize % kPageSize;
    if (nTail == 0)
        return std::nullopt;
    const std::uint64_t nPage = nFileSize / kPageSize;
    SDamage damage =
        FixedPageDamage(EDamageKind::FileTruncated,
                        static_cast<std::uint32_t>(std::min<std::uint64_t>(nPage, UINT32_MAX)),
                        "the file ends " + std::to_string(nTail) + " bytes into page " +
                            std::to_string(nPage) + "; those bytes are not read");
    damage.nBytes = nTail;
    return damage;
}

std::map<std::int32_t, std::uint32_t> CFormatProbe::DataPagesPerObject(const std::string& strPath,
                                                                       IDamageSink* pDamage) {
    std::map<std::int32_t, std::uint32_t> mapDataPages;
    CDataFileReader reader(strPath);
    if (!reader.IsOpen())
        return mapDataPages;
    if (pDamage) {
        if (auto tail = TailDamage(reader.FileSize()))
            pDamage->Report(*tail);
    }
    CPageCheck check(pDamage);
    CDataPage page;
    for (std::uint32_t nPage = 0; nPage < reader.PageCount(); ++nPage) {
        if (!page.Read(reader, nPage))
            continue;
        check.Inspect(page.View(), nPage);
        if (page.Type() == kDataPageType)
            ++mapDataPages[page.ObjectId()];
    }
    return mapDataPages;
}

void CFormatProbe::ReadFixedPages(const CDataFileReader& reader, const std::string& strPath,
                                  SResult& result) {
    const std::uint32_t nPages = reader.PageCount();
    CDataPage header;
    if (nPages == 0 || !header.Read(reader, kFileHeaderPage) ||
        !CPageCheck::Plausible(header.View(), kFileHeaderPage) ||
        header.Type() != kFileHeaderPageType) {
        result.bHeaderPageDamaged = true;
        result.vecDamage.push_back(FixedPageDamage(
            EDamageKind::HeaderPage, kFileHeaderPage,
            "the file header page is damaged; nothing is read from it, nothing depends on it"));
    }

    CDataPage boot;
    const bool bHaveBoot = nPages > kBootPage && boot.Read(reader, kBootPage);
    if (!bHaveBoot || !CPageCheck::Plausible(boot.View(), kBootPage) ||
        boot.Type() != kBootPageType) {
        result.bBootPageDamaged = true;
        result.vecDamage.push_back(FixedPageDamage(
            EDamageKind::BootPage, kBootPage,
            bHaveBoot ? "the boot page is damaged: its version stamp and the database name may "
                        "not be readable"
                      : "the file ends before the boot page: there is no version stamp and no "
                        "database name"));
    }
    // A stamp that names a format is taken even from a damaged boot page: the bytes around it
    // may be all that was hit.
    result.nVersion = bHaveBoot ? *boot.View().U16(kVersionOffset) : 0;
    result.eFormat = FormatOfVersion(result.nVersion);
    std::string strName;
    if (bHaveBoot) {
        strName = CPageScanner::DecodeDatabaseName(
            CByteView(boot.Bytes().subspan(kDatabaseNameOffset, kDatabaseNameBytes)));
    }
    if (ReadableName(strName)) {
        result.strDatabaseName = strName;
        return;
    }
    result.bNameFromFile = true;
    result.strDatabaseName = std::filesystem::path(strPath).stem().string();
    result.vecDamage.push_back(
        FixedPageDamage(EDamageKind::DatabaseName, kBootPage,
                        "the database name cannot be read from the boot page; the file's name '" +
                            result.strDatabaseName + "' stands in"));
}

CFormatProbe::SResult CFormatProbe::Probe(const std::string& strPath) {
    SResult result;
    CDataFileReader reader(strPath);
    if (!reader.IsOpen()) {
        result.strError = "cannot open '" + strPath + "': " + reader.Error();
        return result;
    }
    result.nFileSize = reader.FileSize();
    result.nPages = reader.PageCount();
    result.nTailBytes = static_cast<std::uint32_t>(result.nFileSize % kPageSize);
    if (result.nFileSize == 0) {
        result.strError = "'" + strPath + "' is empty (0 bytes), not a data file";
        return result;
    }
    if (result.nPages == 0) {
        result.strError = "'" + strPath + "' is " + std::to_string(result.nFileSize) +
                          " bytes: too short to hold one 8192-byte page, not a data file";
        return result;
    }
    ReadFixedPages(reader, strPath, result);
    if (result.bHeaderPageDamaged && result.bBootPageDamaged && !AnyPlausiblePage(reader)) {
        result.strError =
            "'" + strPath + "' is not a SQL Server data file (no page of it has a page header)";
        result.vecDamage.clear();
        return result;
    }
    result.bOk = true;
    return result;
}
