// engine/format2000/CSysColumnsReader.h
#pragma once

#include <cstdint>
#include <optional>

#include "common/ByteView.h"
#include "engine/core/SDamage.h"
#include "engine/format2000/SCatalogCounters.h"

class CSQLServerEngine;

// syscolumns row layout read by the engine (offsets from the row start).
inline constexpr std::size_t kSysColumnsTypeStatOffset = 9;  // typestat: bit 0 set = NOT NULL
inline constexpr std::uint8_t kTypeStatNotNull = 0x01;

// Reads syscolumns rows into the tables' column lists.
class CSysColumnsReader {
  public:
    CSysColumnsReader(CSQLServerEngine& engine, SCatalogCounters& counters)
        : m_engine(engine), m_counters(counters) {}
    // What the row lost when it cannot be read (std::nullopt when it was read, or is not a
    // row this reader wants).
    std::optional<SDamage> ReadRow(const CByteView& dataArea, std::uint16_t nRowOffset);

  private:
    CSQLServerEngine& m_engine;
    SCatalogCounters& m_counters;
};
