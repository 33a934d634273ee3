// fuzz/FuzzEntries.cpp
#include "fuzz/FuzzEntries.h"

#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/ScriptFile.h"
#include "engine/core/CDamageLog.h"
#include "engine/core/CDataPage.h"
#include "engine/core/CRecoveryMonitor.h"
#include "engine/format2000/CSQLServer2000.h"
#include "engine/format2000/CSchemaCollector.h"
#include "engine/format2000/CSysColumnsReader.h"
#include "engine/format2000/CSysCommentsReader.h"
#include "engine/format2000/CSysIndexesReader.h"
#include "engine/format2000/CSysObjectsReader.h"
#include "engine/format2000/CSysReferencesReader.h"
#include "engine/format2000/CSysTypesReader.h"
#include "engine/records/CExportContext.h"
#include "engine/records/CGridCursor.h"
#include "engine/records/CRowDecoder.h"
#include "engine/records/CTextPointerReader.h"
#include "engine/records/CTypeTable.h"
#include "fixtures/CDataFileBuilder.h"
#include "fixtures/ValueEncoding.h"

namespace {
// A table with a column of every type, fixed ones first, as the catalog would lay it out.
CTable MakeFixedCatalog() {
    CTable table;
    table.m_strName = "Fuzz";
    table.m_nObjectId = 1000;
    const std::uint8_t arrFixed[] = {36,  48,  52,  56,  58,  59,  60,  61,  62,
                                     104, 106, 108, 122, 127, 173, 175, 189, 239};
    const std::uint8_t arrVariable[] = {34, 35, 99, 165, 167, 231, 98};
    std::int16_t nOffset = 4;
    std::uint16_t nOrder = 1;
    for (std::uint8_t nType : arrFixed) {
        CColumnInfo column;
        column.m_strName = "f" + std::to_string(nOrder);
        column.m_strType = column.m_strUserType = CTypeTable::TypeName(nType);
        column.m_nLength =
            nType == 106 || nType == 108 ? 17 : (nType == 48 || nType == 104 ? 1 : 8);
        column.m_nPrecision = 38;
        column.m_nScale = 4;
        column.m_nOrder = nOrder++;
        column.m_nOffset = nOffset;
        nOffset = static_cast<std::int16_t>(nOffset + column.m_nLength);
        table.m_vecColumns.push_back(column);
        if (nType == 104)
            ++table.m_nBitColumns;
    }
    std::int16_t nVar = -1;
    for (std::uint8_t nType : arrVariable) {
        CColumnInfo column;
        column.m_strName = "v" + std::to_string(nOrder);
        column.m_strType = column.m_strUserType = CTypeTable::TypeName(nType);
        column.m_nLength = 100;
        column.m_nOrder = nOrder++;
        column.m_nOffset = nVar--;
        table.SetVarColumnType(std::to_string(column.m_nOffset), column.m_strType);
        table.m_vecColumns.push_back(column);
        ++table.m_nVarColumns;
        ++table.m_nAllVarColumns;
    }
    table.m_nColumns = table.m_nAllColumns = static_cast<std::int32_t>(table.m_vecColumns.size());
    return table;
}

// A small file with something of everything the readers read: fixed and variable columns of many
// types, NULLs, ghost rows and freed slots, large values in every layout, a user type, a bound
// default, views and a procedure long enough for several syscomments chunks.
std::vector<std::byte> MakeRecoveryBase() {
    using namespace fixtures;
    CDataFileBuilder builder("FuzzDb");
    const std::uint16_t nZip = builder.AddUserType("Zip", kTypeChar, 5);
    const std::uint32_t nDefault =
        builder.AddObject("D", "DF_Note", "create default DF_Note as 'n/a'");
    SColumnSpec zip{"Zip", kTypeChar, 5};
    zip.nUserTypeId = nZip;
    SColumnSpec note{"Note", kTypeVarChar, 40};
    note.nDefaultId = nDefault;
    const std::uint32_t nPeople = builder.AddTable("People", {{"Id", kTypeInt, 4, 0, 0, false},
                                                              {"Name", kTypeVarChar, 30},
                                                              {"Wide", kTypeNVarChar, 40},
                                                              {"Born", kTypeDatetime, 8},
                                                              {"Small", kTypeSmallDatetime, 4},
                                                              {"Paid", kTypeMoney, 8},
                                                              {"Rate", kTypeDecimal, 9, 18, 4},
                                                              {"Flag", kTypeBit, 1},
                                                              {"Score", kTypeFloat, 8},
                                                              zip,
                                                              note});
    for (int i = 0; i < 40; ++i) {
        const ERowState eState = i % 9 == 4   ? ERowState::kGhost
                                 : i % 9 == 7 ? ERowState::kFreedSlot
                                              : ERowState::kLive;
        builder.AddRow(
            nPeople,
            {EncodeInt32(i), EncodeVarchar("name " + std::to_string(i)),
             i % 5 == 0 ? Value() : Value(EncodeNVarchar("wide")),
             EncodeDatetime(2000 + i % 7, 1 + i % 12, 1 + i % 28, i % 24, i % 60, 0, 0),
             EncodeSmallDatetime(static_cast<std::uint16_t>(36000 + i), 90),
             EncodeMoney(i * 12345 - 99),
             EncodeDecimal(i % 2 == 1, std::uint64_t{1234567u} + static_cast<std::uint64_t>(i), 9),
             EncodeBit(i % 2 == 0), EncodeFloat(i * 0.5), EncodeChar("12345", 5),
             i % 4 == 0 ? Value() : Value(EncodeVarchar("it's"))},
            eState);
    }
    const std::uint32_t nDocs = builder.AddTable("Docs", {{"Id", kTypeInt, 4, 0, 0, false},
                                                          {"Body", kTypeText, 16},
                                                          {"Wide", kTypeNText, 16},
                                                          {"Blob", kTypeImage, 16},
                                                          {"Guid", kTypeUniqueIdentifier, 16}});
    builder.SetTextLayout(nDocs, 1, ETextLayout::kTextTree);
    builder.SetTextLayout(nDocs, 2, ETextLayout::kInRowRoot);
    builder.SetTextLayout(nDocs, 3, ETextLayout::kLinkedRoot);
    for (int i = 0; i < 6; ++i) {
        std::vector<std::byte> vecBlob(static_cast<std::size_t>(100 + i * 3000), std::byte{0x5A});
        builder.AddRow(nDocs,
                       {EncodeInt32(i), EncodeVarchar(std::string(200 + i * 4000, 'x')),
                        EncodeNVarchar("text " + std::to_string(i)), EncodeVarbinary(vecBlob),
                        EncodeGuid({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
                                    static_cast<std::uint8_t>(i)})});
    }
    builder.AddObject("V", "vPeople", "CREATE VIEW vPeople AS SELECT Id, Name FROM People");
    std::string strProcedure = "CREATE PROCEDURE spLong AS\r\n";
    for (int i = 0; i < 150; ++i)
        strProcedure += "SELECT " + std::to_string(i) + " -- a line of the procedure\r\n";
    builder.AddObject("P", "spLong", strProcedure);
    builder.AddObject("TR", "trPeople", "CREATE TRIGGER trPeople ON People FOR INSERT AS RETURN",
                      nPeople);
    return builder.Build();
}

CSQLServer2000& Engine() {
    // One engine for the whole run: constructing one per input would mostly test the log writer.
    static CSQLServer2000 engine;
    return engine;
}
}  // namespace

int FuzzDataPage(const std::uint8_t* pData, std::size_t nSize) {
    CDataPage page;
    std::memcpy(page.Buffer().data(), pData, std::min(nSize, kPageSize));
    page.RestoreTornBits();

    CSQLServer2000& engine = Engine();
    engine.ResetCatalog();
    engine.m_mapDefaults.Clear();
    engine.m_mapUserTypes.Clear();
    engine.m_strFileName =
        "/nonexistent/fuzz.mdf";  // text pointers lead nowhere: they read as empty
    SCatalogCounters counters;
    CSchemaCollector schema;
    CSysObjectsReader objects(engine, counters, schema);
    CSysTypesReader types(engine);
    CSysColumnsReader columns(engine, counters, schema);
    CTextPointerReader textReader(engine.m_strFileName);
    CSysCommentsReader comments(engine, textReader, schema);
    CSysIndexesReader indexes(schema);
    CSysReferencesReader references(schema);

    const CByteView dataArea = page.DataArea();
    for (std::uint32_t nSlot = 0; nSlot < std::min<std::uint32_t>(page.SlotCount(), 4096);
         ++nSlot) {
        auto nOffset = page.AcceptedRowOffset(nSlot);
        if (!nOffset)
            continue;
        auto nRow = static_cast<std::uint16_t>(*nOffset - kPageHeaderSize);
        types.ReadRow(dataArea, nRow);
        objects.ReadRow(dataArea, nRow);
        comments.ReadRow(dataArea, nRow);
        columns.ReadRow(dataArea, nRow);
        indexes.ReadRow(dataArea, nRow);
        references.ReadRow(dataArea, nRow);
    }
    comments.Finish();
    CSysObjectsReader::PruneTables(engine);
    schema.Apply(engine);

    // The same page as rows of a table with a column of every type, for the grid and for INSERTs.
    static CTable table = MakeFixedCatalog();
    engine.m_bRecoverDeleted = true;
    CRowDecoder statementDecoder(table, engine.m_strFileName, {true, true});
    SDecodedRow row;
    std::string strText;
    for (std::uint32_t nSlot = 0; nSlot < std::min<std::uint32_t>(page.SlotCount(), 4096);
         ++nSlot) {
        std::uint16_t nEntry = page.SlotEntry(nSlot);
        if (nEntry < kPageHeaderSize)
            continue;
        auto nRow = static_cast<std::uint16_t>(nEntry - kPageHeaderSize);
        engine.DecodeRecord(dataArea.Bytes(), nRow, table);
        if (statementDecoder.Decode(dataArea, nRow, row)) {
            // Every value through every formatter: none may read outside its value.
            const auto& vecFormats = statementDecoder.Formats();
            for (std::size_t i = 0; i < row.vecValues.size(); ++i) {
                strText.clear();
                CValueFormat::AppendGridText(row.vecValues[i], vecFormats[i], strText);
                CValueFormat::AppendSqlLiteral(row.vecValues[i], vecFormats[i], strText);
                CValueFormat::AppendDataText(row.vecValues[i], vecFormats[i].eType, strText);
            }
        }
    }
    engine.m_pStatus->ClearRows();
    return 0;
}

const std::vector<std::byte>& FuzzRecoveryBaseFile() {
    static const std::vector<std::byte> vecBase = MakeRecoveryBase();
    return vecBase;
}

int FuzzRecovery(const std::uint8_t* pData, std::size_t nSize) {
    constexpr std::uint8_t kCut = 255;
    // The engine reads files by path; the file lives in memory where /dev/shm exists, and goes
    // when the process ends normally.
    struct SScratchFile {
        std::string strPath;
        ~SScratchFile() {
            std::error_code ec;
            std::filesystem::remove(strPath, ec);
        }
    };
    static const SScratchFile scratch{[] {
        const std::filesystem::path folder = std::filesystem::exists("/dev/shm")
                                                 ? "/dev/shm"
                                                 : std::filesystem::temp_directory_path();
        return (folder / ("ambermill-fuzz-" + std::to_string(::getpid()) + ".mdf")).string();
    }()};
    const std::string& strPath = scratch.strPath;
    std::vector<std::byte> vecFile = FuzzRecoveryBaseFile();
    const std::size_t nPages = vecFile.size() / kPageSize;
    for (std::size_t nPos = 0; nPos + 4 <= nSize;) {
        const std::uint8_t nPage = pData[nPos];
        const std::size_t nOffset = pData[nPos + 1] | (std::size_t{pData[nPos + 2]} << 8);
        const std::size_t nLength = std::min<std::size_t>(pData[nPos + 3], nSize - nPos - 4);
        nPos += 4;
        if (nPage == kCut) {
            // The file ends somewhere (in 64-byte steps), whole pages or not.
            vecFile.resize(std::min(vecFile.size(), nOffset * 64));
            continue;
        }
        const std::size_t nAt = (nPage % nPages) * kPageSize + nOffset % kPageSize;
        for (std::size_t i = 0; i < nLength && nAt + i < vecFile.size(); ++i)
            vecFile[nAt + i] = static_cast<std::byte>(pData[nPos + i]);
        nPos += nLength;
    }
    {
        std::ofstream out(strPath, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(vecFile.data()),
                  static_cast<std::streamsize>(vecFile.size()));
    }

    auto pEngine = std::make_unique<CSQLServer2000>();
    pEngine->m_strFileName = strPath;
    if (!CRecoveryMonitor(*pEngine).Run())
        return 0;
    CDamageLog damage;
    CScriptFile sink;
    sink.Create("/dev/null");
    for (auto& [strKey, pTable] : pEngine->m_mapObjects) {
        // The grid's walk over every page, deleted rows and binary values included.
        pEngine->m_bRecoverDeleted = true;
        auto pCursor = pEngine->OpenGridCursor(*pTable, true);
        std::string strText;
        for (bool bFirst = true;; bFirst = false) {
            pCursor->Page(
                bFirst ? SGridRequest::First() : SGridRequest::Next(),
                [&](const SDecodedRow& row) {
                    for (std::size_t i = 0; i < row.vecValues.size(); ++i) {
                        strText.clear();
                        CValueFormat::AppendGridText(row.vecValues[i], pCursor->Formats()[i],
                                                     strText);
                        CValueFormat::AppendDataText(row.vecValues[i], pCursor->Formats()[i].eType,
                                                     strText);
                    }
                },
                nullptr, &damage);
            if (pCursor->LastPage())
                break;
        }
        // The table's script and its batched export with freed slots followed, into nothing.
        CExportContext context;
        context.m_pTableFile = &sink;
        context.m_bRecoverDeleted = true;
        context.m_eWalk = CExportContext::EWalk::Batched;
        context.m_nBatchSize = 7;
        context.m_strFileName = strPath;
        context.m_pDamage = &damage;
        pEngine->GenerateTableQueries(pTable.get(), context);
    }
    (void)damage.Summary().Text();
    return 0;
}
