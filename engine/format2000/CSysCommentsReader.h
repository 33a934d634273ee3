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

class CSQLServerEngine;
class CTextPointerReader;

// Reads syscomments rows: the definition texts of views, procedures, rules, triggers and
// functions, and the texts of defaults. Chunks are collected during the walk and joined in
// (number, colid) order by Finish(), so a text whose rows are stored out of order, or a default
// that spans several rows, comes out whole.
class CSysCommentsReader {
  public:
    CSysCommentsReader(CSQLServerEngine& engine, CTextPointerReader& textReader)
        : m_engine(engine), m_textReader(textReader) {}

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
    enum class EOwner { Object, Default };

    CSQLServerEngine& m_engine;
    CTextPointerReader& m_textReader;
    std::map<std::string, std::vector<SChunk>> m_mapChunks;  // by object key
    std::map<std::string, EOwner> m_mapOwners;
    std::vector<std::string> m_vecOrder;  // keys in the order first met
    std::size_t m_nSequence = 0;
};
