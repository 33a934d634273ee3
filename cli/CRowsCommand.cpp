// cli/CRowsCommand.cpp
#include "cli/CRowsCommand.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "cli/CCliOptions.h"
#include "cli/CInterruptGuard.h"
#include "cli/CJsonWriter.h"
#include "cli/CRecoveredSource.h"
#include "cli/ExitCodes.h"
#include "common/DataFileReader.h"
#include "common/ScriptFile.h"
#include "engine/core/CSQLServer2000.h"

namespace {
constexpr std::size_t kMaxTextWidth = 60;

std::string Lower(std::string s) {
    for (char& ch : s)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return s;
}

std::size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> vecRow(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        vecRow[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t nDiagonal = vecRow[0];
        vecRow[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            std::size_t nAbove = vecRow[j];
            vecRow[j] = std::min(
                {vecRow[j] + 1, vecRow[j - 1] + 1, nDiagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            nDiagonal = nAbove;
        }
    }
    return vecRow[b.size()];
}

enum class EFormat { Text, Json, Csv };

// Prints rows as they arrive, so that --all holds one grid page at a time.
class CRowPrinter {
  public:
    CRowPrinter(EFormat eFormat, const CTable& table, bool bMarkDeleted)
        : m_eFormat(eFormat), m_table(table), m_bMarkDeleted(bMarkDeleted) {}

    void Begin() {
        if (m_eFormat == EFormat::Json) {
            std::string strHead =
                "{\"table\":" + CJsonWriter::Escape(m_table.m_strName) + ",\"columns\":[";
            for (std::size_t i = 0; i < m_table.m_vecColumns.size(); ++i) {
                if (i)
                    strHead += ",";
                strHead += CJsonWriter::Escape(m_table.m_vecColumns[i].m_strName);
            }
            strHead += "],\"rows\":[";
            std::fputs(strHead.c_str(), stdout);
        } else if (m_eFormat == EFormat::Csv) {
            std::string strLine;
            for (std::size_t i = 0; i < m_table.m_vecColumns.size(); ++i) {
                if (i)
                    strLine += ",";
                strLine += CRowsCommand::CsvField(m_table.m_vecColumns[i].m_strName);
            }
            if (m_bMarkDeleted)
                strLine += strLine.empty() ? "deleted" : ",deleted";
            strLine += "\r\n";
            std::fwrite(strLine.data(), 1, strLine.size(), stdout);
        }
    }

    void Page(const std::vector<SRecordRow>& vecRows) {
        if (m_eFormat == EFormat::Json) {
            for (const SRecordRow& row : vecRows) {
                std::string strLine = m_nRows++ ? ",[" : "[";
                for (std::size_t i = 0; i < row.vecValues.size(); ++i) {
                    if (i)
                        strLine += ",";
                    strLine += CJsonWriter::Escape(row.vecValues[i]);
                }
                strLine += "]";
                std::fwrite(strLine.data(), 1, strLine.size(), stdout);
                m_vecDeleted.push_back(row.bDeleted);
            }
        } else if (m_eFormat == EFormat::Csv) {
            for (const SRecordRow& row : vecRows) {
                std::string strLine;
                for (std::size_t i = 0; i < row.vecValues.size(); ++i) {
                    if (i)
                        strLine += ",";
                    strLine += CRowsCommand::CsvField(row.vecValues[i]);
                }
                if (m_bMarkDeleted)
                    strLine += row.bDeleted ? ",1" : ",0";
                strLine += "\r\n";
                std::fwrite(strLine.data(), 1, strLine.size(), stdout);
            }
        } else {
            PrintText(vecRows);
        }
    }

    void End() {
        if (m_eFormat == EFormat::Json) {
            std::string strTail = "],\"deleted\":[";
            for (std::size_t i = 0; i < m_vecDeleted.size(); ++i) {
                if (i)
                    strTail += ",";
                strTail += m_vecDeleted[i] ? "true" : "false";
            }
            strTail += "]}\n";
            std::fwrite(strTail.data(), 1, strTail.size(), stdout);
        }
        std::fflush(stdout);
    }

  private:
    static std::string Cell(const std::string& strValue) {
        std::string strCell;
        for (char ch : strValue)
            strCell.push_back(ch == '\n' || ch == '\r' || ch == '\t' ? ' ' : ch);
        if (strCell.size() > kMaxTextWidth)
            strCell = strCell.substr(0, kMaxTextWidth - 3) + "...";
        return strCell;
    }

    void PrintText(const std::vector<SRecordRow>& vecRows) {
        // Widths grow with the rows seen so far; the header is printed with the first page.
        const std::size_t nColumns = m_table.m_vecColumns.size();
        if (m_vecWidths.empty()) {
            m_vecWidths.resize(nColumns);
            for (std::size_t i = 0; i < nColumns; ++i)
                m_vecWidths[i] = Cell(m_table.m_vecColumns[i].m_strName).size();
        }
        std::vector<std::vector<std::string>> vecCells;
        vecCells.reserve(vecRows.size());
        for (const SRecordRow& row : vecRows) {
            auto& cells = vecCells.emplace_back();
            for (std::size_t i = 0; i < row.vecValues.size() && i < nColumns; ++i) {
                cells.push_back(Cell(row.vecValues[i]));
                m_vecWidths[i] = std::max(m_vecWidths[i], cells.back().size());
            }
        }
        auto printLine = [&](const std::vector<std::string>& cells, const char* pszMark) {
            std::string strLine;
            if (m_bMarkDeleted)
                strLine += pszMark;
            for (std::size_t i = 0; i < cells.size(); ++i) {
                if (i)
                    strLine += "  ";
                strLine += cells[i];
                if (i + 1 < cells.size())
                    strLine.append(m_vecWidths[i] - cells[i].size(), ' ');
            }
            strLine += "\n";
            std::fwrite(strLine.data(), 1, strLine.size(), stdout);
        };
        if (!m_bHeaderDone) {
            std::vector<std::string> vecHeader;
            for (const CColumnInfo& column : m_table.m_vecColumns)
                vecHeader.push_back(Cell(column.m_strName));
            printLine(vecHeader, "   ");
            m_bHeaderDone = true;
        }
        for (std::size_t r = 0; r < vecCells.size(); ++r)
            printLine(vecCells[r], vecRows[r].bDeleted ? "D  " : "   ");
    }

    EFormat m_eFormat;
    const CTable& m_table;
    bool m_bMarkDeleted;
    std::size_t m_nRows = 0;
    std::vector<bool> m_vecDeleted;
    std::vector<std::size_t> m_vecWidths;
    bool m_bHeaderDone = false;
};

// One run of the engine's record thread procedure; the rows of that grid page. The 2000 engine
// runs it on this thread: nothing else happens meanwhile, and a thread per 500 rows costs more
// than the rows.
std::vector<SRecordRow> RunGridPage(CSQLServerEngine& engine) {
    CEngineStatus& status = *engine.m_pStatus;
    status.m_bTableDone = false;
    if (auto* p2000 = dynamic_cast<CSQLServer2000*>(&engine)) {
        p2000->RecordExtractor().RecoverTableRecordThread();
    } else {
        engine.StartRecordThread();
        status.m_bTableDone.wait(false);
    }
    return status.TakeRows();
}

int PrintStatements(CSQLServerEngine& engine, CTable& table) {
    // The statement walk writes a script file exactly as the export does; it goes to a private
    // temporary file first so that stdout is never truncated or reopened.
    char szPath[] = "/tmp/ambermill-rows-XXXXXX";
    int fd = ::mkstemp(szPath);
    if (fd < 0) {
        std::fprintf(stderr, "ambermill-cli rows: cannot create a temporary file\n");
        return kExitFailure;
    }
    ::close(fd);
    const std::filesystem::path path(szPath);
    CScriptFile file;
    if (!file.Create(path)) {
        std::filesystem::remove(path);
        std::fprintf(stderr, "ambermill-cli rows: cannot create a temporary file\n");
        return kExitFailure;
    }
    CEngineStatus& status = *engine.m_pStatus;
    engine.m_hTableFile = &file;
    engine.m_bDirectExport = false;
    engine.m_bRecordExportRunning = true;
    status.m_pCurrentTable = &table;
    status.m_bStop = false;
    status.m_nFailedRecords = 0;
    {
        CInterruptGuard guard(status.m_bStop);
        RunGridPage(engine);
    }
    engine.m_bRecordExportRunning = false;
    engine.m_hTableFile = nullptr;
    bool bWritten = file.Close();
    std::ifstream in(path, std::ios::binary);
    char szBuffer[65536];
    while (in.read(szBuffer, sizeof szBuffer) || in.gcount() > 0) {
        std::fwrite(szBuffer, 1, static_cast<std::size_t>(in.gcount()), stdout);
    }
    std::fflush(stdout);
    std::filesystem::remove(path);
    if (CInterruptGuard::Interrupted())
        return kExitInterrupted;
    if (!bWritten || status.m_nFailedRecords > 0) {
        std::fprintf(stderr, "ambermill-cli rows: %d statements could not be written\n",
                     status.m_nFailedRecords.load());
        return kExitFailure;
    }
    return kExitOk;
}
}  // namespace

const char* CRowsCommand::Help() {
    return "usage: ambermill-cli rows FILE TABLE [--page N | --all] [--deleted] [--json | --csv | "
           "--sql]\n"
           "                          [--data PATH] [--no-progress]\n"
           "  Prints the records of TABLE (a name or an object id) as the record grid shows them:\n"
           "  one page of 500 rows (--page N for the Nth page, default 1), or every row (--all).\n"
           "  --deleted adds deleted (ghost) rows and marks them. --json and --csv print the same\n"
           "  values as JSON or RFC 4180 CSV; --sql prints the INSERT statements of the whole "
           "table\n"
           "  as the script export writes them. --data names the data file of a scan file.\n";
}

std::string CRowsCommand::CsvField(const std::string& strValue) {
    if (strValue.find_first_of(",\"\r\n") == std::string::npos)
        return strValue;
    std::string strField = "\"";
    for (char ch : strValue) {
        if (ch == '"')
            strField.push_back('"');
        strField.push_back(ch);
    }
    strField.push_back('"');
    return strField;
}

CTable* CRowsCommand::FindTable(CSQLServerEngine& engine, const std::string& strWanted) {
    for (auto& [strKey, pTable] : engine.m_mapObjects) {
        if (pTable->m_strName == strWanted)
            return pTable.get();
    }
    if (!strWanted.empty() && std::all_of(strWanted.begin(), strWanted.end(), ::isdigit)) {
        for (auto& [strKey, pTable] : engine.m_mapObjects) {
            if (strKey == strWanted)
                return pTable.get();
        }
    }
    CTable* pFound = nullptr;
    for (auto& [strKey, pTable] : engine.m_mapObjects) {
        if (Lower(pTable->m_strName) != Lower(strWanted))
            continue;
        if (pFound)
            return nullptr;  // ambiguous without the exact case
        pFound = pTable.get();
    }
    return pFound;
}

std::vector<std::string> CRowsCommand::CloseNames(const CSQLServerEngine& engine,
                                                  const std::string& strWanted) {
    std::vector<std::pair<std::size_t, std::string>> vecScored;
    const std::string strLowWanted = Lower(strWanted);
    for (const auto& [strKey, pTable] : engine.m_mapObjects) {
        const std::string strLow = Lower(pTable->m_strName);
        std::size_t nDistance = EditDistance(strLowWanted, strLow);
        bool bContains = !strLowWanted.empty() && (strLow.find(strLowWanted) != std::string::npos ||
                                                   strLowWanted.find(strLow) != std::string::npos);
        if (bContains || nDistance <= std::max<std::size_t>(2, strLowWanted.size() / 3)) {
            vecScored.emplace_back(bContains ? 0 : nDistance, pTable->m_strName);
        }
    }
    std::sort(vecScored.begin(), vecScored.end());
    std::vector<std::string> vecNames;
    for (std::size_t i = 0; i < vecScored.size() && i < 5; ++i)
        vecNames.push_back(vecScored[i].second);
    return vecNames;
}

int CRowsCommand::Run(const std::vector<std::string>& vecArgs) {
    CCliOptions options(vecArgs, {"all", "deleted", "json", "csv", "sql", "help", "no-progress"},
                        {"page", "data"});
    if (options.Has("help")) {
        std::fputs(Help(), stdout);
        return kExitOk;
    }
    auto usage = [](const std::string& strError) {
        std::fprintf(stderr, "ambermill-cli rows: %s\n%s", strError.c_str(), Help());
        return kExitBadInput;
    };
    if (!options.Ok())
        return usage(options.Error());
    if (options.Positionals().size() != 2)
        return usage("expected FILE and TABLE");
    int nFormats = options.Has("json") + options.Has("csv") + options.Has("sql");
    if (nFormats > 1)
        return usage("choose one of --json, --csv and --sql");
    if (options.Has("all") && options.Has("page"))
        return usage("--page and --all exclude each other");
    if (options.Has("sql") && options.Has("page"))
        return usage("--sql prints the whole table; --page does not apply");
    long nPage = 1;
    if (auto strPage = options.Value("page")) {
        char* pEnd = nullptr;
        nPage = std::strtol(strPage->c_str(), &pEnd, 10);
        if (strPage->empty() || *pEnd != '\0' || nPage < 1)
            return usage("--page needs a page number from 1 on");
    }

    auto opened = CRecoveredSource::Open(options.Positionals()[0], options.Value("data"),
                                         !options.Has("no-progress"));
    if (!opened.pSource) {
        std::fprintf(stderr, "ambermill-cli: %s\n", opened.strError.c_str());
        return opened.nExitCode;
    }
    CSQLServerEngine& engine = opened.pSource->Engine();
    const std::string& strWanted = options.Positionals()[1];
    CTable* pTable = FindTable(engine, strWanted);
    if (pTable == nullptr) {
        std::string strMessage =
            "ambermill-cli rows: no table '" + strWanted + "' in " + options.Positionals()[0];
        auto vecClose = CloseNames(engine, strWanted);
        if (!vecClose.empty()) {
            strMessage += "; did you mean:";
            for (const std::string& strName : vecClose)
                strMessage += " " + strName;
        } else {
            strMessage += " (ambermill-cli catalog FILE lists the tables)";
        }
        std::fprintf(stderr, "%s\n", strMessage.c_str());
        return kExitBadInput;
    }
    if (!CDataFileReader(engine.m_strFileName).IsOpen()) {
        std::fprintf(stderr, "ambermill-cli rows: the data file '%s' cannot be read%s\n",
                     engine.m_strFileName.c_str(),
                     opened.pSource->FromScanFile() ? " (name it with --data PATH)" : "");
        return kExitBadInput;
    }

    engine.m_bRecoverDeleted = options.Has("deleted");
    if (options.Has("sql"))
        return PrintStatements(engine, *pTable);

    CEngineStatus& status = *engine.m_pStatus;
    engine.m_bRecordExportRunning = false;
    status.m_pRecordTable = pTable;
    status.m_bCancel = false;
    engine.m_dqBookmarks.clear();
    engine.m_bPagingStarted = false;
    engine.m_bPageForward = true;

    EFormat eFormat = options.Has("json")  ? EFormat::Json
                      : options.Has("csv") ? EFormat::Csv
                                           : EFormat::Text;
    CRowPrinter printer(eFormat, *pTable, options.Has("deleted"));
    CInterruptGuard guard(status.m_bCancel);
    const bool bAll = options.Has("all");
    for (long nRun = 1;; ++nRun) {
        auto vecRows = RunGridPage(engine);
        if (CInterruptGuard::Interrupted()) {
            std::fflush(stdout);
            std::fprintf(stderr, "ambermill-cli rows: interrupted\n");
            return kExitInterrupted;
        }
        if (nRun == 1)
            printer.Begin();
        if (bAll || nRun == nPage)
            printer.Page(vecRows);
        if (!bAll && nRun == nPage)
            break;
        if (engine.m_bLastPage) {
            if (!bAll) {
                printer.End();
                std::fprintf(stderr,
                             "ambermill-cli rows: page %ld is past the last page (%ld) of %s\n",
                             nPage, nRun, pTable->m_strName.c_str());
                return kExitBadInput;
            }
            break;
        }
        engine.m_bPagingStarted = true;
        engine.m_bPageForward = true;
    }
    printer.End();
    return kExitOk;
}
