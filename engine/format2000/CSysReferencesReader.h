// engine/format2000/CSysReferencesReader.h
#pragma once

#include <cstdint>

#include "common/ByteView.h"

class CSchemaCollector;

// Reads sysreferences rows (one per foreign key) into the schema collector: constid at 4,
// fkeyid at 8, rkeyid at 12, keycnt at 18, then the variable columns forkeys and refkeys, each
// the 16-bit column ids of the key in key order.
class CSysReferencesReader {
  public:
    explicit CSysReferencesReader(CSchemaCollector& collector) : m_collector(collector) {}

    void ReadRow(const CByteView& dataArea, std::uint16_t nRowOffset);

  private:
    CSchemaCollector& m_collector;
};
