// engine/format2000/CSysTypesReader.h
#pragma once

#include <cstdint>
#include <optional>

#include "common/ByteView.h"
#include "engine/core/SDamage.h"

class CSQLServerEngine;

// Reads systypes rows into the user data types of the catalog.
class CSysTypesReader {
  public:
    explicit CSysTypesReader(CSQLServerEngine& engine) : m_engine(engine) {}
    // What the row lost when it cannot be read (std::nullopt when it was read, or is not a
    // row this reader wants).
    std::optional<SDamage> ReadRow(const CByteView& dataArea, std::uint16_t nRowOffset);

  private:
    CSQLServerEngine& m_engine;
};
