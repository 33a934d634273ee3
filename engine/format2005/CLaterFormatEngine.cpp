// engine/format2005/CLaterFormatEngine.cpp
#include "engine/format2005/CLaterFormatEngine.h"

#include <array>

#include "common/AppPaths.h"
#include "common/ExecutionLog.h"
#include "common/SettingsFile.h"
#include "engine/core/CPageScanner.h"
#include "engine/format2005/CLaterRowSource.h"
#include "engine/format2005/CModelBuilder.h"
#include "engine/format2005/CSlotWalker.h"
#include "engine/records/CGridCursor.h"
#include "engine/records/RealFormat.h"
#include "engine/scripts/CObjectScript.h"
#include "engine/scripts/CScanFile.h"
#include "engine/scripts/CTableScript.h"
#include "engine/scripts/CUserTypeScript.h"

namespace format2005 {
namespace {
void Log(std::string_view strMessage) {
    CExecutionLog::WriteLog(0, 0, std::string(strMessage), false);
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
    : m_format(*CFormatTable::ByFormat(eFormat)),
      m_recordExtractor(*this, [this](const CTable& table, const SRowSourceOptions& options) {
          return MakeRowSource(table, options);
      }) {
    ResetCatalog();
    CExecutionLog::InitLogHeader();
    CExecutionLog::SetLogFolder();
    Log(m_format.strFormatLabel);
    m_pStatus->m_hSysTabEvent->Reset();
    m_pStatus->m_hTableExtractedEvent->Reset();
    m_pStatus->m_hExportReady->Reset();
}

CLaterFormatEngine::~CLaterFormatEngine() {
    // A stop request ends every wait of the engine's threads, so joining here cannot hang.
    m_pStatus->m_bCancel = true;
    m_pStatus->m_bStop = true;
    JoinThreads();
}

void CLaterFormatEngine::JoinThreads() {
    m_recoveryThread.Join();
    m_recordExtractor.WaitForRecordThread();
}

std::string CLaterFormatEngine::FormatVersion() const {
    return std::string(m_format.strVersionText);
}

bool CLaterFormatEngine::StartRecovery() {
    return m_recoveryThread.Start([this] { RecoverSQLServerMDF(); });
}

void CLaterFormatEngine::Report(const CDamageList& damage) {
    std::lock_guard lock(m_mutexDamage);
    for (const SDamage& record : damage.Records()) {
        // A page walked again (a grid page shown twice) reports the same damage again.
        auto key = std::make_tuple(static_cast<int>(record.eKind), record.nPage, record.nSlot,
                                   record.nObjectId, record.strDetail);
        if (!m_setReported.insert(std::move(key)).second)
            continue;
        m_damage.Add(record.eKind, record.nPage, record.nSlot, record.nObjectId, record.nBytes,
                     record.strDetail);
        CExecutionLog::WriteLog(1, 0, CDamageList::Describe(record), true);
    }
}

CDamageList CLaterFormatEngine::Damage() const {
    std::lock_guard lock(m_mutexDamage);
    return m_damage;
}

unsigned CLaterFormatEngine::RecoverSQLServerMDF() {
    CEngineStatus& status = *m_pStatus;
    m_bRecoveryComplete = false;
    m_vecMissingSystemTables.clear();
    auto stopped = [&] {
        // The catalog stays as far as it got: every object in the maps is whole.
        CExecutionLog::WriteLog(0, 0, "Recovery stopped", false);
        return 1u;
    };

    ResetCatalog();
    std::string strName = GetDatabaseName();
    status.SetDatabaseName(strName);
    m_strDatabaseName = strName;

    Log("Read All Pages");
    // Pages are found through the catalog's allocation units, not filed by their headers.
    if (!CPageScanner(*this).ReadAllPages(false) && status.m_bCancel)
        return stopped();

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
        return stopped();

    Log("Gathering datatypes and objects");
    if (pReader)
        CModelBuilder(pReader->Catalog(), *this).AddObjects();
    Log("Waiting For Event after reading the objects.");
    if (!status.CatalogHandshake())
        return stopped();
    Log("Event recieved");

    Log("Gathering view, stored procedures,triggers etc");
    Log("Reading column information");
    if (pReader)
        CModelBuilder(pReader->Catalog(), *this).AddTextsAndColumns();
    Log("Waiting For Event after reading column information.");
    if (!status.CatalogHandshake())
        return stopped();
    Log("Event recieved");

    // Each table's data pages in reading order: the places the grid pages by, and what marks a
    // table as holding records.
    if (pReader) {
        for (const auto& [strKey, pTable] : m_mapObjects) {
            if (status.m_bCancel)
                return stopped();
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
    PublishCounts();
    if (!status.CatalogHandshake())
        return stopped();

    Log("Parse Complete");
    m_bRecoveryComplete = true;
    return 1;
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
    return std::make_unique<CLaterRowSource>(pReader, *pSource, table, options,
                                             [this](const CDamageList& damage) { Report(damage); });
}

std::unique_ptr<CGridCursor> CLaterFormatEngine::OpenGridCursor(const CTable& table,
                                                                bool bFollowBinaryPointers) {
    return std::make_unique<CGridCursor>(
        table, CGridCursor::SOptions{m_strFileName, m_bRecoverDeleted, bFollowBinaryPointers,
                                     [this](const CTable& t, const SRowSourceOptions& options) {
                                         return MakeRowSource(t, options);
                                     }});
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
        m_recordExtractor.DeliverRow(row, table, vecFormats);
}

std::uint16_t CLaterFormatEngine::DecodeRecordForExport(std::span<const std::byte>, std::uint16_t,
                                                        CTable&, COdbcConnection*, std::string&,
                                                        bool&) {
    // The batched export reads this format through its row source (GenerateTableQueries); a row
    // handed over as page bytes has no place in a batch here.
    return 0;
}

void CLaterFormatEngine::StartRecordThread() {
    m_recordExtractor.StartRecordThread();
}

void CLaterFormatEngine::ResetCatalog() {
    ClearTablesAndObjects();
}

void CLaterFormatEngine::GenerateUserTypeQueries() {
    CUserTypeScript::Generate(*this);
}

bool CLaterFormatEngine::SaveScan(const std::string& strPath, std::string& strError) {
    return CScanFile::Save(*this, strPath, strError);
}

void CLaterFormatEngine::LoadScan(CArchiveReader& archive) {
    CScanFile::Load(*this, archive);
}

void CLaterFormatEngine::GenerateTableQueries(CTable* pTable) {
    if (!pTable)
        return;
    CExportContext context = m_recordExtractor.OneTableContext(pTable);
    if (context.m_bExportRecords) {
        // Set once, never cleared here: the setting holds for the rest of the export.
        if (CSettingsFile::ReadValue(CAppPaths::SettingsFile(), "Avoid_Duplicate") == "1")
            m_recordExtractor.m_bAvoidDuplicate = true;
        context.m_bAvoidDuplicate = m_recordExtractor.m_bAvoidDuplicate;
    }
    CTableScript::Generate(*this, context);
}

void CLaterFormatEngine::GenerateTableQueries(CTable* pTable, COdbcConnection* pDatabase) {
    if (!pTable)
        return;
    CExportContext context = m_recordExtractor.ConnectionContext(pTable, pDatabase);
    CTableScript::Generate(*this, context);
}

void CLaterFormatEngine::GenerateTableQueries(CTable* pTable, CExportContext& context) {
    if (!pTable)
        return;
    context.m_fnRowSource = [this](const CTable& table, const SRowSourceOptions& options) {
        return MakeRowSource(table, options);
    };
    CSQLServerEngine::GenerateTableQueries(pTable, context);
}

void CLaterFormatEngine::GenerateViewQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::View);
}
void CLaterFormatEngine::GenerateStoredProcQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::Procedure);
}
void CLaterFormatEngine::GenerateRulesQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::Rule);
}
void CLaterFormatEngine::GenerateTriggerQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::Trigger);
}
void CLaterFormatEngine::GenerateFunctionQueries(CViewStoredProc* p) {
    CObjectScript::Generate(*this, p, EObjectKind::Function);
}

std::string CLaterFormatEngine::FormatReal(std::uint32_t nBits) {
    return FormatRealBits(nBits);
}

}  // namespace format2005
