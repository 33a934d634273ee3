// engine/format2000/CSysCommentsReader.h
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "common/ByteView.h"
#include "engine/core/SDamage.h"

class CSchemaCollector;
class CSQLServerEngine;
class CTextPointerReader;

// Reads syscomments rows: the definition texts of views, procedures, rules, triggers and
// functions, the texts of defaults, and for the schema collector the texts of check constraints
// and of computed columns (rows of the table itself, numbered by column id). Chunks are collected
// during the walk and joined in (number, colid) order by Finish(), so a text whose rows are
// stored out of order, or a default that spans several rows, comes out whole.
class CSysCommentsReader {
  public:
    CSysCommentsReader(CSQLServerEngine& engine, CTextPointerReader& textReader,
                       CSchemaCollector& collector)
        : m_engine(engine), m_textReader(textReader), m_collector(collector) {}

    // What the row lost when it cannot be read (std::nullopt when it was read, or is not a
    // row this reader wants).
    std::optional<SDamage> ReadRow(const CByteView& dataArea, std::uint16_t nRowOffset);
    // Joins the collected chunks into the objects' texts and the defaults.
    void Finish();

  private:
    struct SChunk {
        std::uint16_t nNumber = 0;
        std::uint16_t nColId = 0;
        std::size_t nSequence = 0;  // order met, to keep equal (number, colid) stable
        std::string strText;
    };
    enum class EOwner { Object, Default, Constraint, ComputedColumn };

    CSQLServerEngine& m_engine;
    CTextPointerReader& m_textReader;
    CSchemaCollector& m_collector;
    // By object key; a computed column's chunks by "<table key>:<column id>".
    std::map<std::string, std::vector<SChunk>> m_mapChunks;
    std::map<std::string, EOwner> m_mapOwners;
    std::vector<std::string> m_vecOrder;  // keys in the order first met
    std::size_t m_nSequence = 0;
};
