// engine/format2000/CSQLServer2000.cpp
#include "engine/format2000/CSQLServer2000.h"

#include "common/ExecutionLog.h"
#include "engine/binding/EngineFactories.h"
#include "engine/core/CPageScanner.h"
#include "engine/format2000/CSchemaCollector.h"
#include "engine/format2000/CSysColumnsReader.h"
#include "engine/format2000/CSysCommentsReader.h"
#include "engine/format2000/CSysIndexesReader.h"
#include "engine/format2000/CSysObjectsReader.h"
#include "engine/format2000/CSysReferencesReader.h"
#include "engine/format2000/CSysTypesReader.h"
#include "engine/records/CTextPointerReader.h"
#include "engine/scripts/CFolderScripts.h"

namespace {
void Log(std::string_view strMessage) {
    CExecutionLog::WriteLog(0, 0, std::string(strMessage), false);
}
}  // namespace

std::unique_ptr<CSQLServerEngine> CreateSQLServer2000Engine() {
    return std::make_unique<CSQLServer2000>();
}

CSQLServer2000::CSQLServer2000() : CEngineBase(EEngineFormat::SQL2000) {}

CSQLServer2000::~CSQLServer2000() {
    StopAndJoin();
}

unsigned CSQLServer2000::RecoverSQLServerMDF() {
    CEngineStatus& status = *m_pStatus;
    m_counters = SCatalogCounters{};
    BeginRecovery();

    CPageScanner scanner(*this);
    // The boot page's name, or the file's base name when the boot page is damaged.
    const std::string strName = scanner.CheckFixedPages();
    status.SetDatabaseName(strName);
    m_strDatabaseName = strName;

    Log("Read All Pages");
    if (!scanner.ReadAllPages() && status.m_bCancel)
        return RecoveryStopped();

    auto readTable = [&](const char* pszKey, const std::string& strNotFound,
                         const CPageScanner::RowCheck& fn) {
        if (!scanner.WalkSystemTableRows(pszKey, strNotFound, fn) && !status.m_bCancel) {
            m_vecMissingSystemTables.push_back(pszKey);
        }
    };

    Log("Gathering datatypes");
    CSysTypesReader typesReader(*this);
    readTable("4", "Could not find systypes table",
              [&](const CByteView& d, std::uint16_t n) { return typesReader.ReadRow(d, n); });
    if (status.m_bCancel)
        return RecoveryStopped();

    // Keys, constraints, indexes and column ids gathered on the way, applied after pruning.
    CSchemaCollector schema;

    Log("Reading sysobjects");
    CSysObjectsReader objectsReader(*this, m_counters, schema);
    readTable("1", "Could not find Sysobjects table",
              [&](const CByteView& d, std::uint16_t n) { return objectsReader.ReadRow(d, n); });
    if (status.m_bCancel)
        return RecoveryStopped();
    Log("Reading sysobjects completed.");
    Log("Waiting For Event after reading sysobjects.");
    if (!status.CatalogHandshake())
        return RecoveryStopped();
    Log("Event recieved");

    Log("Gathering view, stored procedures,triggers etc");
    CTextPointerReader textReader(m_strFileName);
    CSysCommentsReader commentsReader(*this, textReader, schema);
    readTable("6", "Could not find syscomments table",
              [&](const CByteView& d, std::uint16_t n) { return commentsReader.ReadRow(d, n); });
    commentsReader.Finish();
    if (status.m_bCancel)
        return RecoveryStopped();

    Log("Reading column information");
    CSysColumnsReader columnsReader(*this, m_counters, schema);
    readTable("3", "Could not find syscolumns table",
              [&](const CByteView& d, std::uint16_t n) { return columnsReader.ReadRow(d, n); });
    if (status.m_bCancel)
        return RecoveryStopped();
    // Indexes and foreign keys are no phase of their own in the execution log. A file without
    // sysindexes keeps its tables and loses their keys and indexes, which the error log says; a
    // file without a sysreferences page simply has no foreign keys.
    CSysIndexesReader indexesReader(schema);
    if (!scanner.WalkSystemTableRows(
            "2", [&](const CByteView& d, std::uint16_t n) { indexesReader.ReadRow(d, n); }) &&
        !status.m_bCancel) {
        CExecutionLog::WriteLog(1, 0, "Could not find sysindexes table", true);
    }
    CSysReferencesReader referencesReader(schema);
    scanner.WalkSystemTableRows(
        "14", [&](const CByteView& d, std::uint16_t n) { referencesReader.ReadRow(d, n); });
    if (status.m_bCancel)
        return RecoveryStopped();
    Log("Waiting For Event after reading column information.");
    if (!status.CatalogHandshake())
        return RecoveryStopped();
    Log("Event recieved");

    CSysObjectsReader::PruneTables(*this);
    schema.Apply(*this);
    return FinishRecovery();
}

std::string CSQLServer2000::GetDatabaseName() {
    return CPageScanner(*this).GetDatabaseName();
}

void CSQLServer2000::ReadExtent(std::uint32_t nExtent, const std::string& strObjectId) {
    CPageScanner(*this).ReadExtent(nExtent, strObjectId);
}

void CSQLServer2000::GenerateQueries(std::string strFolder) {
    CFolderScripts::GenerateQueries(*this, strFolder);
}
void CSQLServer2000::GenerateTableInsertQueries(std::string strFolder) {
    CFolderScripts::GenerateTableInsertQueries(*this, strFolder);
}
