// cli/CRowWriter.h
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "engine/catalog/CTable.h"
#include "engine/records/CValueFormat.h"
#include "engine/records/SDecodedRow.h"

// Writes the rows of one table as `ambermill-cli rows` prints them, row by row as they are
// decoded, so --all holds one buffer rather than the table:
//  - Text: aligned columns of the grid texts, a header with the first page, "D" before deleted
//    rows when they are shown.
//  - Json: {"table","columns","rows","deleted"}; values typed (numbers, ISO datetimes, "0x" hex,
//    null for NULL and for values that could not be read) or, with grid text, the grid's texts.
//  - Csv: RFC 4180 with a header line and CR LF line ends; typed values with NULL as an unquoted
//    NULL text (empty unless chosen) and an empty string as "", or the grid's texts.
class CRowWriter {
  public:
    enum class EFormat { Text, Json, Csv };
    struct SOptions {
        EFormat eFormat = EFormat::Text;
        bool bGridText = false;     // the texts the window shows instead of typed values
        bool bMarkDeleted = false;  // deleted rows are shown: mark them
        std::string strNull;        // typed CSV: the text of NULL
    };

    // REQUIRES: table, vecFormats and pOut outlive the writer.
    CRowWriter(const CTable& table, const std::vector<SColumnFormat>& vecFormats, SOptions options,
               std::FILE* pOut);

    void Begin();
    void Row(const SDecodedRow& row);
    // The end of a grid page: the text format aligns and prints its rows here.
    void EndPage();
    // strJsonMembers: further members of the JSON object ("\"damage\":[...]"), written before it
    // closes.
    void End(std::string_view strJsonMembers = {});

    // One CSV field as RFC 4180 writes it: quoted when it holds a comma, a quote, CR or LF.
    static std::string CsvField(std::string_view strValue);

  private:
    void AppendJsonRow(const SDecodedRow& row);
    void AppendCsvRow(const SDecodedRow& row);
    void AppendCsvValue(const CTypedValue& value, const SColumnFormat& format);
    void Flush(bool bAlways);
    void PrintTextPage();

    const CTable& m_table;
    const std::vector<SColumnFormat>& m_vecFormats;
    SOptions m_options;
    std::FILE* m_pOut;
    std::string m_strBuffer;
    std::string m_strScratch;
    std::size_t m_nRows = 0;
    std::vector<bool> m_vecDeleted;
    // Text format: the rows of the current page, and column widths grown over the pages so far.
    std::vector<std::vector<std::string>> m_vecPageCells;
    std::vector<bool> m_vecPageDeleted;
    std::vector<std::size_t> m_vecWidths;
    bool m_bHeaderDone = false;
};
