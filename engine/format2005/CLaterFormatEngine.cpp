// engine/format2005/CLaterFormatEngine.cpp
#include "engine/format2005/CLaterFormatEngine.h"

#include <array>

#include "common/ExecutionLog.h"
#include "engine/core/CPageScanner.h"
#include "engine/format2005/CLaterRowSource.h"
#include "engine/format2005/CModelBuilder.h"
#include "engine/format2005/CSlotWalker.h"

namespace format2005 {
namespace {
void Log(std::string_view strMessage) {
    CExecutionLog::WriteLog(0, 0, std::string(strMessage), false);
}

// The reader's record in the terms every front end reads.
::SDamage ToSinkDamage(const SDamage& record) {
    ::SDamage damage;
    switch (record.eKind) {
        case EDamage::PageUnreadable:
        case EDamage::ChainLoop:
        case EDamage::ChainTooLong:
        case EDamage::TableNotRead:
            damage.eKind = EDamageKind::UnreadablePage;
            break;
        case EDamage::PageNotFormatted:
            damage.eKind = EDamageKind::PageHeader;
            break;
        case EDamage::StrayPage:
            damage.eKind = EDamageKind::StrayPage;
            break;
        case EDamage::PageOfOtherUnit:
        case EDamage::PageNotAllocated:
        case EDamage::PageWrongType:
        case EDamage::PageNotInChain:
            damage.eKind = EDamageKind::ForeignPage;
            break;
        case EDamage::ChecksumMismatch:
            damage.eKind = EDamageKind::TornPage;
            break;
        case EDamage::SlotOutsidePage:
            damage.eKind = EDamageKind::SlotOutsidePage;
            break;
        case EDamage::RecordDamaged:
        case EDamage::RecordUnexpected:
        case EDamage::ForwardingBroken:
            damage.eKind = EDamageKind::RowRejected;
            break;
        case EDamage::LobUnreadable:
        case EDamage::LobTruncated:
            damage.eKind = EDamageKind::LargeValue;
            break;
        case EDamage::CatalogMissing:
        case EDamage::CatalogRowDamaged:
        case EDamage::LayoutMissing:
            damage.eKind = EDamageKind::CatalogRow;
            break;
        case EDamage::ValueNotDecoded:
        case EDamage::ValueCorrupt:
            damage.eKind = EDamageKind::ValueCorrupt;
            break;
    }
    if (record.nPage != kNoPage)
        damage.nPage = record.nPage;
    if (record.nSlot >= 0 && record.nSlot <= 0xFFFF)
        damage.nSlot = static_cast<std::uint16_t>(record.nSlot);
    if (record.nObjectId != 0)
        damage.nObjectId = record.nObjectId;
    damage.nBytes = record.nBytes;
    damage.strDetail = std::string(CDamageList::KindText(record.eKind)) +
                       (record.strDetail.empty() ? "" : ": " + record.strDetail);
    return damage;
}

const char* OpenFailure(EOpenResult eResult) {
    switch (eResult) {
        case EOpenResult::CannotOpen:
            return "The data file cannot be opened";
        case EOpenResult::NotADataFile:
            return "No boot page: not a data file";
        case EOpenResult::CatalogUnreadable:
            return "The catalog could not be read: no allocation unit was found";
        case EOpenResult::Ok:
            break;
    }
    return "";
}
}  // namespace

CLaterFormatEngine::CLaterFormatEngine(EEngineFormat eFormat)
    : CEngineBase(eFormat, [this](const CTable& table, const SRowSourceOptions& options) {
          return MakeRowSource(table, options);
      }) {}

CLaterFormatEngine::~CLaterFormatEngine() {
    StopAndJoin();
}

void CLaterFormatEngine::Report(const CDamageList& damage, IDamageSink* pWalkSink) {
    if (pWalkSink == &(this->m_damage))
        pWalkSink = nullptr;
    if (pWalkSink != nullptr) {
        for (const SDamage& record : damage.Records())
            pWalkSink->Report(ToSinkDamage(record));
    }
    std::lock_guard lock(m_mutexDamage);
    for (const SDamage& record : damage.Records()) {
        // A page walked again (a grid page shown twice) reports the same damage again.
        auto key = std::make_tuple(static_cast<int>(record.eKind), record.nPage, record.nSlot,
                                   record.nObjectId, record.strDetail);
        if (!m_setReported.insert(std::move(key)).second)
            continue;
        m_laterDamage.Add(record.eKind, record.nPage, record.nSlot, record.nObjectId, record.nBytes,
                          record.strDetail);
        // The sink writes the error log line.
        CSQLServerEngine::m_damage.Report(ToSinkDamage(record));
    }
}

CDamageList CLaterFormatEngine::Damage() const {
    std::lock_guard lock(m_mutexDamage);
    return m_laterDamage;
}

unsigned CLaterFormatEngine::RecoverSQLServerMDF() {
    CEngineStatus& status = *m_pStatus;
    BeginRecovery();

    Log("Read All Pages");
    // Pages are found through the catalog's allocation units, not filed by their headers.
    if (!CPageScanner(*this).ReadAllPages(false) && status.m_bCancel)
        return RecoveryStopped();

    Log("Reading the catalog");
    auto pReader = std::make_shared<CDatabaseReader>();
    const EOpenResult eOpen = pReader->Open(m_strFileName);
    Report(pReader->CatalogDamage());
    for (const SDamage& record : pReader->CatalogDamage().Records()) {
        if (record.eKind == EDamage::CatalogMissing && record.nObjectId != 0)
            m_vecMissingSystemTables.push_back(std::to_string(record.nObjectId));
    }
    if (eOpen != EOpenResult::Ok) {
        std::string strWhy = OpenFailure(eOpen);
        if (eOpen == EOpenResult::CannotOpen)
            strWhy += ": " + pReader->Error();
        CExecutionLog::WriteLog(1, 0, strWhy, true);
        pReader.reset();
    } else {
        std::lock_guard lock(m_mutexReader);
        m_pReader = pReader;
    }
    if (status.m_bCancel)
        return RecoveryStopped();

    Log("Gathering datatypes and objects");
    if (pReader)
        CModelBuilder(pReader->Catalog(), *this).AddObjects();
    Log("Waiting For Event after reading the objects.");
    if (!status.CatalogHandshake())
        return RecoveryStopped();
    Log("Event recieved");

    Log("Gathering view, stored procedures,triggers etc");
    Log("Reading column information");
    if (pReader)
        CModelBuilder(pReader->Catalog(), *this).AddTextsAndColumns();
    Log("Waiting For Event after reading column information.");
    if (!status.CatalogHandshake())
        return RecoveryStopped();
    Log("Event recieved");

    // Each table's data pages in reading order: the places the grid pages by, and what marks a
    // table as holding records.
    if (pReader) {
        for (const auto& [strKey, pTable] : m_mapObjects) {
            if (status.m_bCancel)
                return RecoveryStopped();
            const STable* pSource = pReader->Catalog().FindTable(pTable->m_nObjectId);
            if (pSource == nullptr || !pTable->m_strRowsNotRead.empty()) {
                if (!pTable->m_strRowsNotRead.empty())
                    CExecutionLog::WriteLog(
                        1, 0, pTable->m_strName + ": " + pTable->m_strRowsNotRead, true);
                continue;
            }
            CDamageList damage;
            pTable->m_vecPages = pReader->DataPages(*pSource, damage);
            Report(damage);
        }
    }
    return FinishRecovery();
}

std::string CLaterFormatEngine::GetDatabaseName() {
    // The boot page keeps the name as UTF-16 padded with blanks.
    CDataFileReader reader(m_strFileName);
    CPage page;
    CBootPage boot;
    if (page.Load(reader, kBootPage) != EPageCheck::Ok || !boot.Parse(page))
        return CPageScanner(*this).GetDatabaseName();
    return boot.DatabaseName();
}

std::shared_ptr<const CDatabaseReader> CLaterFormatEngine::Reader() {
    std::lock_guard lock(m_mutexReader);
    if (m_pReader && m_pReader->Path() == m_strFileName)
        return m_pReader;
    auto pReader = std::make_shared<CDatabaseReader>();
    const EOpenResult eOpen = pReader->Open(m_strFileName);
    if (eOpen != EOpenResult::Ok) {
        CExecutionLog::WriteLog(
            1, 0, std::string(OpenFailure(eOpen)) + " (" + m_strFileName + "): " + pReader->Error(),
            true);
        return nullptr;
    }
    m_pReader = std::move(pReader);
    return m_pReader;
}

std::unique_ptr<CRowSource> CLaterFormatEngine::MakeRowSource(const CTable& table,
                                                              const SRowSourceOptions& options) {
    if (!table.m_strRowsNotRead.empty())
        return nullptr;
    std::shared_ptr<const CDatabaseReader> pReader = Reader();
    if (!pReader)
        return nullptr;
    const STable* pSource = pReader->Catalog().FindTable(table.m_nObjectId);
    if (pSource == nullptr) {
        CExecutionLog::WriteLog(1, 0,
                                table.m_strName + ": the data file's catalog has no table of id " +
                                    std::to_string(table.m_nObjectId),
                                true);
        return nullptr;
    }
    return std::make_unique<CLaterRowSource>(
        pReader, *pSource, table, options,
        [this, pSink = options.pDamage](const CDamageList& damage) { Report(damage, pSink); });
}

void CLaterFormatEngine::DecodeRecord(std::span<const std::byte> pageData, std::uint16_t nRowOffset,
                                      CTable& table) {
    // The record is read from a page rebuilt around the data area: the layout of the table's
    // first partition places its columns.
    std::shared_ptr<const CDatabaseReader> pReader = Reader();
    const STable* pSource = pReader ? pReader->Catalog().FindTable(table.m_nObjectId) : nullptr;
    if (pSource == nullptr || pSource->vecPartitions.empty() ||
        pageData.size() > kPageSize - kHeaderSize)
        return;
    std::array<std::byte, kPageSize> arrPage{};
    std::copy(pageData.begin(), pageData.end(), arrPage.begin() + kHeaderSize);
    CRecord record;
    if (record.Parse(CByteView(arrPage), kHeaderSize + std::size_t{nRowOffset}) != ERecordCheck::Ok)
        return;
    const ERecordType eType = record.Type();
    if (eType != ERecordType::Primary && eType != ERecordType::Forwarded &&
        !(eType == ERecordType::GhostData && m_bRecoverDeleted))
        return;
    CDamageList damage;
    CAllocationMaps maps(pReader->File(), damage);
    CLobReader lob(pReader->File(), maps);
    const SPartition& partition = pSource->vecPartitions.front();
    std::vector<std::uint64_t> vecUnits;
    for (std::uint64_t nUnit : {partition.nLobUnit, partition.nOverflowUnit}) {
        if (nUnit != 0)
            vecUnits.push_back(nUnit);
    }
    lob.SetUnits(std::move(vecUnits));
    SRawRow raw;
    CRowDecoder(*pSource, partition, lob).Decode(record, kNoPage, 0, raw, damage);
    raw.bGhost = eType == ERecordType::GhostData;
    Report(damage);
    SDecodedRow row;
    CValueConverter(*pSource).Convert(raw, row);
    std::vector<SColumnFormat> vecFormats;
    for (const CColumnInfo& column : table.m_vecColumns)
        vecFormats.push_back(SColumnFormat::Of(column));
    if (vecFormats.size() == row.vecValues.size())
        RecordExtractor().DeliverRow(row, table, vecFormats);
}

std::uint16_t CLaterFormatEngine::DecodeRecordForExport(std::span<const std::byte>, std::uint16_t,
                                                        CTable&, COdbcConnection*, std::string&,
                                                        bool&) {
    // The batched export reads this format through its row source (GenerateTableQueries); a row
    // handed over as page bytes has no place in a batch here.
    return 0;
}

}  // namespace format2005
