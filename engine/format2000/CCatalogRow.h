// engine/format2000/CCatalogRow.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/ByteView.h"

// The variable-length part of one system-table row: after the fixed part come the column count,
// the null bitmap, the count of stored variable columns and their end offsets (from the row
// start), then their bytes. Every offset is checked against the page; a row whose header does
// not fit reads as invalid and every variable column of it as missing.
class CCatalogRow {
  public:
    // dataArea starts at page byte 96; nRow is the row's offset within it.
    CCatalogRow(const CByteView& dataArea, std::size_t nRow);

    bool Valid() const { return m_bValid; }
    std::size_t VariableCount() const { return m_nVariableCount; }
    // The bytes of variable column nIndex (0-based among the stored ones); std::nullopt when it
    // is not stored or its offsets leave the page or run backwards.
    std::optional<std::span<const std::byte>> Variable(std::size_t nIndex) const;

  private:
    CByteView m_dataArea;
    std::size_t m_nRow = 0;
    std::size_t m_nEndsAt = 0;  // row offset of the first end offset
    std::size_t m_nVariableCount = 0;
    bool m_bValid = false;
};
