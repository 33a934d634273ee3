// engine/format2000/CSysObjectsReader.h
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/ByteView.h"
#include "engine/core/SDamage.h"
#include "engine/format2000/CSchemaCollector.h"
#include "engine/format2000/SCatalogCounters.h"

class CSQLServerEngine;

// What a sysobjects row is recovered as, by its whole two-character type code.
enum class EObjectClass { Table, View, Procedure, Rule, Trigger, Function, Ignored };

// Reads sysobjects rows: names the tables found by the page scan, creates tables without data
// pages and the views, procedures, rules, triggers and functions, and hands the key, check and
// foreign key constraints of tables to the schema collector; prunes the table map at the end.
class CSysObjectsReader {
  public:
    CSysObjectsReader(CSQLServerEngine& engine, SCatalogCounters& counters,
                      CSchemaCollector& collector)
        : m_engine(engine), m_counters(counters), m_collector(collector) {}

    // One row; dataArea starts at page byte 96 and nRowOffset counts from there.
    // What the row lost when it cannot be read (std::nullopt when it was read, or is not a
    // row this reader wants).
    std::optional<SDamage> ReadRow(const CByteView& dataArea, std::uint16_t nRowOffset);

    // Keeps only user tables: id 200 or more, with columns and a name.
    static void PruneTables(CSQLServerEngine& engine);

    static EObjectClass Classify(char chFirst, char chSecond);
    // The constraint a type code stands for ("PK", "UQ", "C ", "F "), or nullopt.
    static std::optional<CSchemaCollector::EConstraintKind> ConstraintKind(char chFirst,
                                                                           char chSecond);

  private:
    CSQLServerEngine& m_engine;
    SCatalogCounters& m_counters;
    CSchemaCollector& m_collector;
};

// Shared by the sysobjects and systypes readers: the single variable column (the name) of a
// catalog row. Returns the name bytes' [start, length) within the data area, or nullopt when the
// row is damaged. nNameEndRaw is the stored end offset; its low byte alone is used only when the
// full value cannot be right (the name would run past the page).
struct SNameSpan {
    std::size_t nStart = 0;
    std::size_t nLength = 0;
};
std::optional<SNameSpan> LocateSingleName(const CByteView& dataArea, std::size_t nRow,
                                          std::size_t nFixedEnd, std::size_t nColumnCount);

// The damage of a catalog row that cannot be read: "the sysobjects row is skipped: <why>".
SDamage CatalogRowDamage(const char* pszTable, const std::string& strWhy);
