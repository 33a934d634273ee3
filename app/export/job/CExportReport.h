// app/export/job/CExportReport.h
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Records exported (and statements failed) per table, saved as CSV: one line per table with the
// name, the exported count and the failed count; fields are quoted as RFC 4180 requires.
class CExportReport {
  public:
    struct SRow {
        std::string strName;
        std::int64_t nExported = 0;
        std::int64_t nFailed = 0;
    };

    void Add(SRow row) { m_vecRows.push_back(std::move(row)); }
    const std::vector<SRow>& Rows() const { return m_vecRows; }
    std::int64_t TotalExported() const;
    std::int64_t TotalFailed() const;

    std::string Csv() const;
    // A field as RFC 4180 wants it: quoted, with quotes doubled, when it holds a comma, a quote,
    // CR or LF.
    static std::string CsvField(const std::string& strField);
    // Writes Csv() to the file; false with strError set when it cannot be written completely.
    bool Write(const std::filesystem::path& path, std::string& strError) const;

  private:
    std::vector<SRow> m_vecRows;
};
