// engine/format2000/CSysTypesReader.h
#pragma once

#include <cstdint>

#include "common/ByteView.h"

class CSQLServerEngine;

// Reads systypes rows into the user data types of the catalog.
class CSysTypesReader {
  public:
    explicit CSysTypesReader(CSQLServerEngine& engine) : m_engine(engine) {}
    void ReadRow(const CByteView& dataArea, std::uint16_t nRowOffset);

  private:
    CSQLServerEngine& m_engine;
};
