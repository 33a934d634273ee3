// fuzz/FuzzEntries.cpp
#include "fuzz/FuzzEntries.h"

#include <algorithm>
#include <cstring>

#include "engine/core/CDataPage.h"
#include "engine/format2000/CSQLServer2000.h"
#include "engine/format2000/CSchemaCollector.h"
#include "engine/format2000/CSysColumnsReader.h"
#include "engine/format2000/CSysCommentsReader.h"
#include "engine/format2000/CSysIndexesReader.h"
#include "engine/format2000/CSysObjectsReader.h"
#include "engine/format2000/CSysReferencesReader.h"
#include "engine/format2000/CSysTypesReader.h"
#include "engine/records/CRowDecoder.h"
#include "engine/records/CTextPointerReader.h"
#include "engine/records/CTypeTable.h"

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
