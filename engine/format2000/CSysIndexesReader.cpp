// engine/format2000/CSysIndexesReader.cpp
#include "engine/format2000/CSysIndexesReader.h"

#include "engine/catalog/CatalogText.h"
#include "engine/format2000/CCatalogRow.h"
#include "engine/format2000/CSchemaCollector.h"

namespace {
constexpr std::size_t kIdOffset = 4;
constexpr std::size_t kStatusOffset = 8;
constexpr std::size_t kIndexIdOffset = 18;
constexpr std::size_t kKeyCountOffset = 28;
constexpr std::size_t kKeysColumn = 0;  // variable columns: keys, name, statblob
constexpr std::size_t kNameColumn = 1;
// One entry of the keys value per key column: type (0..15), column id at 16, the column's
// offset in the index row at 18, its offset in the data row at 24 and a flags word at 30 that is
// 0 for a column the index was created on.
constexpr std::size_t kKeyEntrySize = 32;
constexpr std::size_t kKeyEntryColumnId = 16;
constexpr std::size_t kKeyEntryFlags = 30;
constexpr std::size_t kMaxKeyEntries = 34;      // keys is varbinary(1088)
constexpr std::uint8_t kRecordTypeMask = 0x0E;  // 0: a live primary record
constexpr std::int32_t kFirstUserObjectId = 200;
constexpr std::size_t kMaxNameBytes = 256;
}  // namespace

std::vector<std::uint16_t> CSysIndexesReader::KeyColumns(std::span<const std::byte> keys,
                                                         std::size_t nMaxEntries) {
    const CByteView view(keys);
    std::vector<std::uint16_t> vecColumns;
    const std::size_t nEntries = std::min(view.Size() / kKeyEntrySize, nMaxEntries);
    for (std::size_t i = 0; i < nEntries; ++i) {
        const std::size_t nAt = i * kKeyEntrySize;
        const auto nColumnId = *view.U16(nAt + kKeyEntryColumnId);
        const auto nFlags = *view.U16(nAt + kKeyEntryFlags);
        if (nFlags == 0 && nColumnId != 0)
            vecColumns.push_back(nColumnId);
    }
    return vecColumns;
}

void CSysIndexesReader::ReadRow(const CByteView& dataArea, std::uint16_t nRowOffset) {
    const std::size_t nRow = nRowOffset;
    auto nRecord = dataArea.U8(nRow);
    auto nTableId = dataArea.I32(nRow + kIdOffset);
    auto nStatus = dataArea.U32(nRow + kStatusOffset);
    auto nIndexId = dataArea.I16(nRow + kIndexIdOffset);
    auto nKeyCount = dataArea.I16(nRow + kKeyCountOffset);
    if (!nRecord || !nTableId || !nStatus || !nIndexId || !nKeyCount)
        return;
    if ((*nRecord & kRecordTypeMask) != 0 || *nTableId < kFirstUserObjectId)
        return;
    const CCatalogRow row(dataArea, nRow);
    auto name = row.Variable(kNameColumn);
    if (!name || name->empty() || name->size() > kMaxNameBytes)
        return;

    CSchemaCollector::SIndexRow index;
    index.nTableId = *nTableId;
    index.nIndexId = *nIndexId;
    index.nStatus = *nStatus;
    index.strName = CatalogText::Trim(CatalogText::LowBytes(*name));
    if (auto keys = row.Variable(kKeysColumn)) {
        const std::size_t nCount = *nKeyCount > 0 ? static_cast<std::size_t>(*nKeyCount) : 0;
        index.vecKeyColumns = KeyColumns(*keys, std::min(nCount, kMaxKeyEntries));
    }
    m_collector.AddIndex(std::move(index));
}
