// engine/format2000/CSysIndexesReader.h
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "common/ByteView.h"

class CSchemaCollector;

// Reads the sysindexes rows of user tables (name, status, index number and key columns) into the
// schema collector. The row: id at 4, status at 8, indid at 18, keycnt at 28; variable columns
// keys (one 32-byte entry per key column) and name.
class CSysIndexesReader {
  public:
    explicit CSysIndexesReader(CSchemaCollector& collector) : m_collector(collector) {}

    void ReadRow(const CByteView& dataArea, std::uint16_t nRowOffset);

    // The column ids of the key proper from a keys value: entries whose flags word is set are the
    // row locator the server appends (the clustering key or the row id) and are left out.
    static std::vector<std::uint16_t> KeyColumns(std::span<const std::byte> keys,
                                                 std::size_t nMaxEntries);

  private:
    CSchemaCollector& m_collector;
};
