// engine/format2000/CSysColumnsReader.h
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "common/ByteView.h"
#include "engine/core/SDamage.h"
#include "engine/format2000/SCatalogCounters.h"

class CSchemaCollector;
class CSQLServerEngine;

// syscolumns row layout read by the engine (offsets from the row start).
inline constexpr std::size_t kSysColumnsTypeStatOffset = 9;  // typestat: bit 0 set = NOT NULL
inline constexpr std::uint8_t kTypeStatNotNull = 0x01;

// colstat: bit 0x0001 an identity column, bit 0x0004 a computed column.
inline constexpr std::size_t kSysColumnsColStatOffset = 22;
inline constexpr std::uint16_t kColStatIdentity = 0x0001;
inline constexpr std::uint16_t kColStatComputed = 0x0004;

// Reads syscolumns rows into the tables' column lists, with the identity seed and increment from
// the row's autoval value and the expression of a computed column from the schema collector
// (syscomments is read before syscolumns); tells the collector each column's id.
class CSysColumnsReader {
  public:
    CSysColumnsReader(CSQLServerEngine& engine, SCatalogCounters& counters,
                      CSchemaCollector& collector)
        : m_engine(engine), m_counters(counters), m_collector(collector) {}
    // What the row lost when it cannot be read (std::nullopt when it was read, or is not a
    // row this reader wants).
    std::optional<SDamage> ReadRow(const CByteView& dataArea, std::uint16_t nRowOffset);

    struct SIdentity {
        std::int64_t nSeed = 1;
        std::int64_t nIncrement = 1;
    };
    // Seed and increment from an autoval value: the last value used, the seed and the increment,
    // each as wide as the column (decimal and numeric as a sign byte and magnitude), then one
    // status byte. nullopt when the value does not have that shape or does not fit 64 bits.
    static std::optional<SIdentity> DecodeIdentity(std::span<const std::byte> autoval,
                                                   bool bDecimal);

  private:
    CSQLServerEngine& m_engine;
    SCatalogCounters& m_counters;
    CSchemaCollector& m_collector;
};
