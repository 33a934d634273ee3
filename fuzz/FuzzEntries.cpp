// fuzz/FuzzEntries.cpp
#include "fuzz/FuzzEntries.h"

#include <algorithm>
#include <cstring>

#include "engine/catalog/CSysColumnsReader.h"
#include "engine/catalog/CSysCommentsReader.h"
#include "engine/catalog/CSysObjectsReader.h"
#include "engine/catalog/CSysTypesReader.h"
#include "engine/core/CDataPage.h"
#include "engine/core/CSQLServer2000.h"
#include "engine/records/CTextPointerReader.h"

namespace {
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
    CSysObjectsReader objects(engine, counters);
    CSysTypesReader types(engine);
    CSysColumnsReader columns(engine, counters);
    CTextPointerReader textReader(engine.m_strFileName);
    CSysCommentsReader comments(engine, textReader);

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
    }
    comments.Finish();
    CSysObjectsReader::PruneTables(engine);
    return 0;
}
