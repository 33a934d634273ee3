// engine/core/CPageScanner.cpp
#include "engine/core/CPageScanner.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

#include "common/DataFileReader.h"
#include "common/ExecutionLog.h"
#include "engine/core/CDataPage.h"
#include "engine/core/CFormatProbe.h"
#include "engine/core/CPageCheck.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/records/CSlotWalker.h"

namespace {
constexpr std::uint64_t kDatabaseNameOffset = 9 * kPageSize + 148;  // boot page, byte 148
constexpr std::size_t kDatabaseNameBytes = 500;

// Waits for the listener's acknowledgement of the last hand-over; false on a stop request.
bool AwaitAck(CEngineStatus& status) {
    if (!status.m_hPageAck->Wait(&status.m_bCancel))
        return false;
    status.m_hPageAck->Reset();
    return true;
}
}  // namespace

bool CPageScanner::ReadAllPages(bool bFileDataPages) {
    CEngineStatus& status = *m_engine.m_pStatus;
    CDataFileReader reader(m_engine.m_strFileName);
    const std::uint32_t nPages = reader.PageCount();
    status.m_nTotalPages = nPages;
    status.m_nPagesRead = 0;
    status.m_hPageAck->Reset();
    status.m_hPageRead->Reset();
    if (reader.IsOpen()) {
        if (auto tail = CFormatProbe::TailDamage(reader.FileSize()))
            m_engine.m_damage.Report(*tail);
    }
    CPageCheck check(&m_engine.m_damage);

    const std::uint32_t nPagesPerRun =
        std::clamp<std::uint32_t>(status.m_nPagesPerHandshake, 1, kMaxPagesPerRun);
    // Reads stay at 1 MiB whatever the hand-shake pace: larger buffers fall out of the cache.
    const std::uint32_t nPagesPerRead = std::min(nPagesPerRun, kPagesPerRead);
    std::vector<std::byte> chunk(static_cast<std::size_t>(nPagesPerRead) * kPageSize);
    // Consecutive pages mostly belong to one object: the last one found is tried first.
    std::unordered_map<std::int32_t, CTable*> mapCache;
    std::int32_t nLastObjectId = 0;
    CTable* pLastTable = nullptr;
    auto fileDataPage = [&](std::int32_t nObjectId, std::uint32_t nPage) {
        if (!pLastTable || nObjectId != nLastObjectId) {
            CTable*& pTable = mapCache[nObjectId];
            if (!pTable) {
                std::string strKey = ObjectKey(nObjectId);
                pTable = m_engine.m_mapObjects.Find(strKey);
                if (!pTable) {
                    auto pNew = std::make_unique<CTable>();
                    pNew->m_nObjectId = nObjectId;
                    pTable = &m_engine.m_mapObjects.Set(strKey, std::move(pNew));
                }
            }
            nLastObjectId = nObjectId;
            pLastTable = pTable;
        }
        pLastTable->m_vecPages.push_back(nPage);
    };
    bool bStopped = false;
    bool bAwaitingAck = false;
    for (std::uint32_t nFirst = 0; nFirst < nPages; nFirst += nPagesPerRun) {
        std::uint32_t nCount = std::min(nPagesPerRun, nPages - nFirst);
        for (std::uint32_t nDone = 0; nDone < nCount; nDone += nPagesPerRead) {
            std::uint32_t nChunkPages = std::min(nPagesPerRead, nCount - nDone);
            std::span<std::byte> buffer(chunk.data(),
                                        static_cast<std::size_t>(nChunkPages) * kPageSize);
            std::uint32_t nChunkFirst = nFirst + nDone;
            std::size_t nRead =
                reader.ReadAt(static_cast<std::uint64_t>(nChunkFirst) * kPageSize, buffer);
            for (std::uint32_t i = 0; i < nChunkPages && bFileDataPages; ++i) {
                if ((static_cast<std::size_t>(i) + 1) * kPageSize > nRead)
                    break;  // short read: nothing to file
                CByteView page(buffer.subspan(static_cast<std::size_t>(i) * kPageSize, kPageSize));
                check.Inspect(page, nChunkFirst + i);
                if (*page.U8(kPageTypeOffset) == kDataPageType)
                    fileDataPage(*page.I32(kObjectIdOffset), nChunkFirst + i);
            }
        }
        // The next run is read while the listener counts this one; a slow listener still paces
        // the scan, one run behind.
        if (bAwaitingAck && !AwaitAck(status)) {
            bStopped = true;
            break;
        }
        status.m_nPagesRead = nFirst + nCount;
        status.m_hPageRead->Set();
        bAwaitingAck = true;
    }
    if (!bStopped && bAwaitingAck && !AwaitAck(status))
        bStopped = true;
    status.m_bPagesDone = true;
    status.m_hPageRead->Set();
    return !bStopped && reader.IsOpen();
}

bool CPageScanner::WalkSystemTableRows(const std::string& strKey, const std::string& strNotFound,
                                       const RowCheck& fnCheck) {
    const CTable* pTable = m_engine.m_mapObjects.Find(strKey);
    if (!pTable) {
        CExecutionLog::WriteLog(1, 0, strNotFound, true);
        return false;
    }
    CExecutionLog::WriteLog(0, 0, "Found : " + std::to_string(pTable->m_vecPages.size()), false);
    return WalkRows(*pTable, fnCheck);
}

bool CPageScanner::WalkSystemTableRows(const std::string& strKey, const RowReader& fnReader) {
    const CTable* pTable = m_engine.m_mapObjects.Find(strKey);
    if (!pTable)
        return false;
    return WalkRows(*pTable, [&](const CByteView& dataArea, std::uint16_t nRowOffset) {
        fnReader(dataArea, nRowOffset);
        return std::optional<SDamage>{};
    });
}

bool CPageScanner::WalkRows(const CTable& table, const RowCheck& fnCheck) {
    CSlotWalker walker(EWalkPolicy::SystemTable, m_engine.m_strFileName);
    walker.ReportTo(&m_engine.m_damage);
    const SWalkResult result = walker.Walk(
        table.m_vecPages, table.m_nObjectId, &m_engine.m_pStatus->m_bCancel,
        [&](const SSlotVisit& visit) {
            if (std::optional<SDamage> damage = fnCheck(visit.dataArea, visit.nRowOffset)) {
                damage->nPage = visit.nPage;
                damage->nSlot = static_cast<std::uint16_t>(visit.nSlot);
                if (!damage->nObjectId)
                    damage->nObjectId = visit.nObjectId;
                m_engine.m_damage.Report(*damage);
            }
            return SSlotStep{};
        });
    return result.eEnd != EWalkEnd::StopRequested;
}

bool CPageScanner::ReadSystemTableRows(const std::string& strKey, const std::string& strNotFound,
                                       const RowReader& fnReader) {
    return WalkSystemTableRows(strKey, strNotFound,
                               [&](const CByteView& dataArea, std::uint16_t nRowOffset) {
                                   fnReader(dataArea, nRowOffset);
                                   return std::optional<SDamage>{};
                               });
}

std::string CPageScanner::CheckFixedPages() {
    CFormatProbe::SResult fixed;
    {
        CDataFileReader reader(m_engine.m_strFileName);
        if (!reader.IsOpen())
            return m_engine.GetDatabaseName();
        CFormatProbe::ReadFixedPages(reader, m_engine.m_strFileName, fixed);
    }
    for (const SDamage& damage : fixed.vecDamage)
        m_engine.m_damage.Report(damage);
    return fixed.bNameFromFile ? fixed.strDatabaseName : m_engine.GetDatabaseName();
}

void CPageScanner::ReadExtent(std::uint32_t nExtent, const std::string& strObjectId) {
    if (strObjectId == "1" || strObjectId == "2" || strObjectId == "3" || strObjectId == "6")
        return;
    CTable* pTable = m_engine.m_mapObjects.Find(strObjectId);
    if (!pTable)
        return;
    CDataFileReader reader(m_engine.m_strFileName);
    // Extent numbers are held in 16 bits, as the interface always did.
    const std::uint32_t nFirst = static_cast<std::uint16_t>(nExtent * 8);
    CDataPage page;
    for (std::uint32_t nPage = nFirst; nPage < nFirst + 8; ++nPage) {
        if (page.Read(reader, nPage) && page.Type() == kDataPageType)
            pTable->m_vecExtentPages.push_back(nPage);
    }
}

std::string CPageScanner::DecodeDatabaseName(const CByteView& bytes) {
    std::string strName;
    bool bPreviousZero = false;
    for (std::size_t i = 0; i < bytes.Size(); ++i) {
        std::uint8_t n = *bytes.U8(i);
        if (n == ' ')
            break;
        if (n == 0) {
            if (bPreviousZero)
                break;
            bPreviousZero = true;
            continue;
        }
        bPreviousZero = false;
        strName.push_back(static_cast<char>(n));
    }
    return strName;
}

std::string CPageScanner::GetDatabaseName() {
    CDataFileReader reader(m_engine.m_strFileName);
    std::vector<std::byte> bytes(kDatabaseNameBytes);
    std::size_t nRead = reader.ReadAt(kDatabaseNameOffset, bytes);
    return DecodeDatabaseName(CByteView(std::span<const std::byte>(bytes).first(nRead)));
}
