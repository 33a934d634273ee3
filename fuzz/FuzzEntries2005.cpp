// fuzz/FuzzEntries2005.cpp
#include "fuzz/FuzzEntries2005.h"

#include <algorithm>
#include <vector>

#include "engine/format2005/CBootPage.h"
#include "engine/format2005/CIamChain.h"
#include "engine/format2005/CRowDecoder.h"
#include "engine/format2005/CSlotWalker.h"
#include "engine/format2005/CTypeInfo.h"
#include "engine/format2005/CValueConverter.h"
#include "engine/format2005/CatalogRows.h"

using namespace format2005;

namespace {
// A table with a column of every type: fixed ones side by side from offset 4, then the variable
// ones, NULL bits in column order.
STable EveryTypeTable() {
    struct SSpec {
        std::uint8_t nType;
        std::int16_t nLength;
        std::uint8_t nScale;
    };
    const std::vector<SSpec> vecFixed{{kTypeTinyInt, 1, 0},
                                      {kTypeSmallInt, 2, 0},
                                      {kTypeInt, 4, 0},
                                      {kTypeBigInt, 8, 0},
                                      {kTypeBit, 1, 0},
                                      {kTypeDateTime, 8, 3},
                                      {kTypeMoney, 8, 4},
                                      {kTypeDecimal, 9, 2},
                                      {kTypeUniqueIdentifier, 16, 0},
                                      {kTypeDate, 3, 0},
                                      {kTypeTime, 5, 7},
                                      {kTypeDateTime2, 8, 7},
                                      {kTypeDateTimeOffset, 10, 7},
                                      {kTypeChar, 10, 0},
                                      {kTypeNChar, 10, 0},
                                      {kTypeReal, 4, 0},
                                      {kTypeFloat, 8, 0},
                                      {kTypeSmallDateTime, 4, 0},
                                      {kTypeSmallMoney, 4, 4},
                                      {kTypeTimestamp, 8, 0},
                                      {kTypeBinary, 6, 0}};
    const std::vector<SSpec> vecVariable{{kTypeVarChar, 100, 0},  {kTypeNVarChar, -1, 0},
                                         {kTypeVarBinary, -1, 0}, {kTypeText, 16, 0},
                                         {kTypeNText, 16, 0},     {kTypeImage, 16, 0},
                                         {kTypeXml, -1, 0},       {kTypeSqlVariant, 8016, 0},
                                         {kTypeClr, -1, 0},       {kTypeNumeric, 9, 2}};
    STable table;
    table.nObjectId = 1;
    SPartition partition;
    std::int16_t nOffset = 4;
    std::uint16_t nBit = 0;
    auto Add = [&](const SSpec& spec, std::int16_t nLeafOffset) {
        SColumn column;
        column.nColumnId = static_cast<std::int32_t>(table.vecColumns.size() + 1);
        column.strName = "c" + std::to_string(column.nColumnId);
        column.nTypeId = spec.nType;
        column.strType = CTypeInfo::Name(spec.nType);
        column.nLength = spec.nLength;
        column.nPrecision = 18;
        column.nScale = spec.nScale;
        table.vecColumns.push_back(column);
        partition.vecPlaces.push_back({true, nLeafOffset, ++nBit, 0});
    };
    for (const SSpec& spec : vecFixed) {
        Add(spec, nOffset);
        nOffset = static_cast<std::int16_t>(nOffset + spec.nLength);
    }
    std::int16_t nVariable = 0;
    for (const SSpec& spec : vecVariable)
        Add(spec, static_cast<std::int16_t>(-++nVariable));
    table.vecPartitions.push_back(partition);
    return table;
}
}  // namespace

int FuzzDataPage2005(const std::uint8_t* pData, std::size_t nSize) {
    static const STable s_table = EveryTypeTable();
    CPage page;
    auto buffer = page.Buffer();
    std::fill(buffer.begin(), buffer.end(), std::byte{0});
    std::transform(pData, pData + std::min(nSize, buffer.size()), buffer.begin(),
                   [](std::uint8_t n) { return static_cast<std::byte>(n); });
    // Taken as the page it claims to be, so the header checks pass whenever the version byte does.
    page.Check(page.OwnId().nPage);

    CBootPage boot;
    boot.Parse(page);
    std::vector<std::uint32_t> vecPages;
    CIamChain::ReadIamPage(page, vecPages);

    // No file behind the page: every large value ends as unreadable.
    CDataFileReader noFile("/dev/null");
    CDamageList damage;
    CAllocationMaps maps(noFile, damage);
    CLobReader lob(noFile, maps);
    CRowDecoder decoder(s_table, s_table.vecPartitions[0], lob);
    SRawRow row;
    const CValueConverter converter(s_table);
    SDecodedRow typed;
    CSlotWalker::Walk(page, 1, damage, [&](std::uint16_t nSlot, const CRecord& record) {
        CatalogRows::AllocUnit(record);
        CatalogRows::Rowset(record);
        CatalogRows::Object(record);
        CatalogRows::Column(record);
        CatalogRows::Type(record);
        CatalogRows::Index(record);
        CatalogRows::IndexColumn(record);
        CatalogRows::ClassObject(record);
        CatalogRows::RsCol(record);
        CatalogRows::HobtColumn(record);
        CatalogRows::RowsetColumn(record);
        CatalogRows::ObjectValue(record);
        decoder.Decode(record, page.Number(), nSlot, row, damage);
        for (std::size_t i = 0; i < row.vecValues.size(); ++i)
            CValueConverter::GridText(s_table.vecColumns[i], row.vecValues[i]);
        // The walk of a table's rows decodes straight into typed values.
        decoder.Decode(record, page.Number(), nSlot, converter, typed, damage);
    });
    return 0;
}
