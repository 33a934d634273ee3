// engine/format2000/CSysReferencesReader.cpp
#include "engine/format2000/CSysReferencesReader.h"

#include <vector>

#include "engine/format2000/CCatalogRow.h"
#include "engine/format2000/CSchemaCollector.h"

namespace {
constexpr std::size_t kConstraintIdOffset = 4;
constexpr std::size_t kTableIdOffset = 8;
constexpr std::size_t kReferencedIdOffset = 12;
constexpr std::size_t kKeyCountOffset = 18;
constexpr std::size_t kForeignColumns = 0;
constexpr std::size_t kReferencedColumns = 1;
constexpr std::int16_t kMaxKeyColumns = 16;
constexpr std::uint8_t kRecordTypeMask = 0x0E;

std::vector<std::uint16_t> ColumnIds(std::span<const std::byte> bytes, std::size_t nCount) {
    const CByteView view(bytes);
    std::vector<std::uint16_t> vecIds;
    for (std::size_t i = 0; i < nCount; ++i) {
        auto nId = view.U16(2 * i);
        if (!nId)
            break;
        vecIds.push_back(*nId);
    }
    return vecIds;
}
}  // namespace

void CSysReferencesReader::ReadRow(const CByteView& dataArea, std::uint16_t nRowOffset) {
    const std::size_t nRow = nRowOffset;
    auto nRecord = dataArea.U8(nRow);
    auto nConstraintId = dataArea.I32(nRow + kConstraintIdOffset);
    auto nTableId = dataArea.I32(nRow + kTableIdOffset);
    auto nReferencedId = dataArea.I32(nRow + kReferencedIdOffset);
    auto nKeyCount = dataArea.I16(nRow + kKeyCountOffset);
    if (!nRecord || !nConstraintId || !nTableId || !nReferencedId || !nKeyCount)
        return;
    if ((*nRecord & kRecordTypeMask) != 0 || *nKeyCount <= 0 || *nKeyCount > kMaxKeyColumns)
        return;
    const CCatalogRow row(dataArea, nRow);
    auto foreign = row.Variable(kForeignColumns);
    auto referenced = row.Variable(kReferencedColumns);
    if (!foreign || !referenced)
        return;
    CSchemaCollector::SReference reference;
    reference.nConstraintId = *nConstraintId;
    reference.nTableId = *nTableId;
    reference.nReferencedId = *nReferencedId;
    const auto nCount = static_cast<std::size_t>(*nKeyCount);
    reference.vecColumns = ColumnIds(*foreign, nCount);
    reference.vecReferencedColumns = ColumnIds(*referenced, nCount);
    // Both sides have keycnt columns; a short value means a damaged row, not a shorter key.
    if (reference.vecColumns.size() != nCount || reference.vecReferencedColumns.size() != nCount)
        return;
    m_collector.AddReference(std::move(reference));
}
