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
#include "cli/CDamageReport.h"
#include "cli/CInterruptGuard.h"
#include "cli/CRecoveredSource.h"
#include "cli/CRowWriter.h"
#include "cli/ExitCodes.h"
#include "common/DataFileReader.h"
#include "common/ScriptFile.h"
#include "engine/records/CGridCursor.h"

namespace {
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

int PrintStatements(CSQLServerEngine& engine, CTable& table, CDamageReport& damage) {
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
    status.m_recordDamage.Clear();
    {
        // The engine's record thread runs the walk; the program waits for its end.
        CInterruptGuard guard(status.m_bStop);
        status.m_bTableDone = false;
        engine.StartRecordThread();
        status.m_bTableDone.wait(false);
    }
    engine.m_bRecordExportRunning = false;
    engine.m_hTableFile = nullptr;
    damage.Add(status.m_recordDamage);
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
    return "usage: ambermill-cli rows FILE TABLE [--page N | --all] [--deleted]\n"
           "                          [--json | --csv [--null TEXT] | --sql] [--grid-text]\n"
           "                          [--damage] [--format F] [--data PATH] "
           "[--no-progress]\n"
           "  Prints the records of TABLE (a name or an object id) page by page as the record "
           "grid\n"
           "  pages them: one page of 500 rows (--page N for the Nth page, default 1), or every "
           "row\n"
           "  (--all). --deleted adds deleted (ghost) rows and marks them. The default output is\n"
           "  the grid's texts in aligned columns. --json and --csv (RFC 4180) print typed "
           "values:\n"
           "  numbers as numbers with their exact digits, datetimes in ISO 8601, GUIDs as text,\n"
           "  binary as 0x and hex digits, text as UTF-8, NULL (and values that could not be "
           "read)\n"
           "  as null in JSON and as an empty unquoted field in CSV (--null TEXT chooses another\n"
           "  text; an empty string is \"\"). --grid-text prints the texts the window shows "
           "instead.\n"
           "  --sql prints the INSERT statements of the whole table as the script export writes\n"
           "  them. --data names the data file of a scan file.\n"
           "  --format F   the engine (2000, 2005 or 2008) for a data file of an unknown version "
           "stamp.\n"
           "  Rows and values that cannot be read are left out or marked \"Corrupt\"; a summary "
           "line on\n"
           "  stderr counts them and --damage lists them (in --json as a \"damage\" array).\n"
           "  Exit 0, or 5 when the rows were printed but damage was found; 2 for unusable input, "
           "3\n"
           "  when nothing was recovered, 130 when interrupted.\n";
}

std::string CRowsCommand::CsvField(const std::string& strValue) {
    return CRowWriter::CsvField(strValue);
}

CTable* CRowsCommand::FindTable(CSQLServerEngine& engine, const std::string& strWanted) {
    for (auto& [strKey, pTable] : engine.m_mapObjects) {
        if (pTable->m_strName == strWanted ||
            (!pTable->m_strSchema.empty() &&
             pTable->m_strSchema + "." + pTable->m_strName == strWanted))
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
    CCliOptions options(
        vecArgs,
        {"all", "deleted", "json", "csv", "sql", "grid-text", "help", "no-progress", "damage"},
        {"page", "data", "null", "format"});
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
    if (options.Has("null") && (!options.Has("csv") || options.Has("grid-text")))
        return usage("--null applies to typed CSV output (--csv without --grid-text)");
    if (options.Has("sql") && options.Has("grid-text"))
        return usage("--sql prints statements; --grid-text does not apply");
    long nPage = 1;
    if (auto strPage = options.Value("page")) {
        char* pEnd = nullptr;
        nPage = std::strtol(strPage->c_str(), &pEnd, 10);
        if (strPage->empty() || *pEnd != '\0' || nPage < 1)
            return usage("--page needs a page number from 1 on");
    }

    std::optional<EEngineFormat> eFormat;
    std::string strFormatError;
    if (!CRecoveredSource::ParseFormat(options, eFormat, strFormatError))
        return usage(strFormatError);

    auto opened = CRecoveredSource::Open(options.Positionals()[0], options.Value("data"),
                                         !options.Has("no-progress"), eFormat);
    if (!opened.pSource) {
        std::fprintf(stderr, "ambermill-cli: %s\n", opened.strError.c_str());
        return opened.nExitCode;
    }
    if (opened.pSource->NothingRecovered()) {
        std::fprintf(stderr, "ambermill-cli: %s\n", opened.pSource->NothingRecoveredText().c_str());
        return kExitNothing;
    }
    CSQLServerEngine& engine = opened.pSource->Engine();
    CDamageReport damage;
    damage.Add(engine.m_damage);
    const bool bList = options.Has("damage");
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

    if (!pTable->m_strRowsNotRead.empty()) {
        // Listed with its columns, but no row of it can be shown: said, never an empty table.
        std::fprintf(stderr, "ambermill-cli rows: %s: %s\n", pTable->m_strName.c_str(),
                     pTable->m_strRowsNotRead.c_str());
        return kExitNothing;
    }
    engine.m_bRecoverDeleted = options.Has("deleted");
    if (options.Has("sql")) {
        const int nExit = PrintStatements(engine, *pTable, damage);
        return nExit == kExitInterrupted ? nExit : damage.Finish(nExit, bList);
    }

    CRowWriter::SOptions writerOptions;
    writerOptions.eFormat = options.Has("json")  ? CRowWriter::EFormat::Json
                            : options.Has("csv") ? CRowWriter::EFormat::Csv
                                                 : CRowWriter::EFormat::Text;
    // The aligned text is the grid's view; JSON and CSV are typed unless the grid's texts are
    // asked for.
    writerOptions.bGridText =
        options.Has("grid-text") || writerOptions.eFormat == CRowWriter::EFormat::Text;
    writerOptions.bMarkDeleted = options.Has("deleted");
    writerOptions.strNull = options.Value("null").value_or("");

    CEngineStatus& status = *engine.m_pStatus;
    status.m_bCancel = false;
    // A cursor of our own: the rows stream to stdout page by page, and binary values are read
    // when they are printed as data.
    std::unique_ptr<CGridCursor> pCursor = engine.OpenGridCursor(*pTable, !writerOptions.bGridText);
    static const std::vector<SColumnFormat> kNoFormats;
    CRowWriter writer(*pTable, pCursor ? pCursor->Formats() : kNoFormats, writerOptions, stdout);
    writer.Begin();
    const bool bJsonList = bList && writerOptions.eFormat == CRowWriter::EFormat::Json;
    auto end = [&] { writer.End(bJsonList ? damage.JsonMember() : std::string()); };
    if (!pCursor) {
        // This engine shows no records of its format.
        end();
        return damage.Finish(kExitOk, bList, bJsonList);
    }
    CInterruptGuard guard(status.m_bCancel);
    const bool bAll = options.Has("all");
    for (long nRun = 1;; ++nRun) {
        const bool bPrint = bAll || nRun == nPage;
        pCursor->Page(
            nRun == 1 ? SGridRequest::First() : SGridRequest::Next(),
            [&](const SDecodedRow& row) {
                if (bPrint)
                    writer.Row(row);
            },
            &status.m_bCancel, bPrint ? &damage.Log() : nullptr);
        if (CInterruptGuard::Interrupted()) {
            std::fflush(stdout);
            std::fprintf(stderr, "ambermill-cli rows: interrupted\n");
            return kExitInterrupted;
        }
        if (bPrint)
            writer.EndPage();
        if (!bAll && nRun == nPage)
            break;
        if (pCursor->LastPage()) {
            if (!bAll) {
                end();
                std::fprintf(stderr,
                             "ambermill-cli rows: page %ld is past the last page (%ld) of %s\n",
                             nPage, nRun, pTable->m_strName.c_str());
                return kExitBadInput;
            }
            break;
        }
    }
    end();
    return damage.Finish(kExitOk, bList, bJsonList);
}
