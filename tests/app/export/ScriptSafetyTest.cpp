// tests/app/export/ScriptSafetyTest.cpp
// Text from a data file must never become a statement of its own when a script bundle is run:
// scripts go through a batch splitter written the way osql and sqlcmd split, and every value is
// read back from the statements. Also the export's other safety nets: a refused batch sent again
// statement by statement, and two exports in the same second.
#include <gtest/gtest.h>

#include <cctype>

#include "app/export/job/CBundleNames.h"
#include "app/export/job/CExportJob.h"
#include "app/export/job/IExportObserver.h"
#include "common/ExecutionLog.h"
#include "engine/records/CExportContext.h"
#include "engine/scripts/SqlText.h"
#include "engine/scripts/SqliteOdbc.h"
#include "fixtures/CDataFileBuilder.h"
#include "fixtures/ValueEncoding.h"
#include "support/RecoveryHelpers.h"
#include "support/TestFiles.h"

namespace fs = std::filesystem;
using namespace fixtures;

namespace {
class CQuietObserver : public IExportObserver {
  public:
    void OnMessage(const std::string&) override {}
    void OnProgress(int, int, int) override {}
    void OnTableDone(const std::string&, std::int64_t, std::int64_t) override {}
};

std::string Lower(std::string strText) {
    for (char& ch : strText)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    return strText;
}

// What the runners do with a script: lines end at LF (a CR before it belongs to the line end); a
// line that holds "go" alone, with blanks around it or a count after it, ends a batch; a line
// starting with ':' or "!!" is a command of the runner. The batches keep their text as it stands
// in the script; commands are counted.
struct SSplit {
    std::vector<std::string> vecBatches;
    int nCommands = 0;
};
SSplit SplitLikeTheRunners(const std::string& strScript) {
    SSplit split;
    std::string strBatch;
    std::size_t nStart = 0;
    while (nStart < strScript.size()) {
        std::size_t nEnd = strScript.find('\n', nStart);
        nEnd = nEnd == std::string::npos ? strScript.size() : nEnd + 1;
        const std::string strRaw = strScript.substr(nStart, nEnd - nStart);
        nStart = nEnd;
        std::string strLine = strRaw;
        while (!strLine.empty() && (strLine.back() == '\n' || strLine.back() == '\r'))
            strLine.pop_back();
        std::string strTrimmed = strLine;
        strTrimmed.erase(0, strTrimmed.find_first_not_of(" \t"));
        strTrimmed.erase(strTrimmed.find_last_not_of(" \t") + 1);
        const std::string strLow = Lower(strTrimmed);
        const bool bGo =
            strLow == "go" || (strLow.rfind("go ", 0) == 0 &&
                               strLow.find_first_not_of(" 0123456789", 3) == std::string::npos);
        if (bGo) {
            split.vecBatches.push_back(strBatch);
            strBatch.clear();
            continue;
        }
        if (strTrimmed.rfind(':', 0) == 0 || strTrimmed.rfind("!!", 0) == 0 || strLow == "exit" ||
            strLow == "quit")
            ++split.nCommands;
        strBatch += strRaw;
    }
    if (strBatch.find_first_not_of(" \t\r\n") != std::string::npos)
        split.vecBatches.push_back(strBatch);
    return split;
}

// The values of "Insert into [T] (...)  values(v1,v2,...)" as the server evaluates them: numbers,
// quoted strings with doubled quotes, CHAR(n) and '+' between them.
std::vector<std::string> Values(const std::string& strBatch) {
    std::vector<std::string> vecValues;
    std::size_t nPos = strBatch.find("values(");
    if (nPos == std::string::npos)
        return vecValues;
    nPos += 7;
    std::string strValue;
    for (;;) {
        if (strBatch[nPos] == '\'') {
            for (++nPos;; ++nPos) {
                if (strBatch[nPos] == '\'') {
                    if (strBatch[nPos + 1] != '\'')
                        break;
                    ++nPos;
                }
                strValue.push_back(strBatch[nPos]);
            }
            ++nPos;
        } else if (strBatch.compare(nPos, 5, "CHAR(") == 0) {
            const std::size_t nClose = strBatch.find(')', nPos);
            strValue.push_back(static_cast<char>(std::stoi(strBatch.substr(nPos + 5))));
            nPos = nClose + 1;
        } else {
            const std::size_t nEnd = strBatch.find_first_of(",)+", nPos);
            strValue += strBatch.substr(nPos, nEnd - nPos);
            nPos = nEnd;
        }
        const char ch = strBatch[nPos++];
        if (ch == '+')
            continue;
        vecValues.push_back(strValue);
        strValue.clear();
        if (ch == ')')
            return vecValues;
    }
}

const std::vector<std::string> kTrickyValues{
    "plain",
    "line one\r\ngo\r\nline two",
    "x\n  GO  \ny",
    "repeat\r\ngo 2\r\n",
    "include\r\n:r evil.sql\r\n",
    "shell\n!!rm -rf /tmp/x\nafter",
    "stop\r\nexit\r\nafter",
    "blank lines\r\n\r\n\tgo\t\r\n",
    "go\r\nat the start it is no line of its own",
    "it's\r\nGo\r\n'quoted'",
    "ends in a line break\r\n",
    "\r\ngo",
    "going on\r\ngoal\r\ngo-kart is a word, go_ too",
};
}  // namespace

TEST(SqlText, RunnerCommandLinesAreRecognisedAndBrokenOutOfQuotes) {
    for (const char* pszLine : {"go", "GO", "  go  ", "\tGo", "go 2", "go--x", ":r a.sql", "!!ls",
                                " exit", "quit", "reset", "ED", ":setvar x 1"}) {
        EXPECT_TRUE(SqlText::IsRunnerCommand(pszLine)) << pszLine;
    }
    for (const char* pszLine :
         {"", "  ", "going", "goal", "go_", "x go", "select 1", "edit", "exits", "'go'"}) {
        EXPECT_FALSE(SqlText::IsRunnerCommand(pszLine)) << pszLine;
    }
    std::string strOut;
    SqlText::AppendQuoted("a\r\ngo\r\nb", strOut, true);
    EXPECT_EQ(strOut, "'a'+CHAR(13)+CHAR(10)+'go\r\nb'");
    strOut.clear();
    SqlText::AppendQuoted("a\r\ngo\r\nb", strOut, false);
    EXPECT_EQ(strOut, "'a\r\ngo\r\nb'") << "statements sent over a connection stay as they are";
    strOut.clear();
    SqlText::AppendQuoted("it's\nfine", strOut, true);
    EXPECT_EQ(strOut, "'it''s\nfine'");
    EXPECT_EQ(SqlText::Bracket("a\r\ngo]x"), "[a__go]]x]");
}

TEST(ScriptSafety, NoValueOrNameOfADataFileSplitsABatch) {
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    CDataFileBuilder builder("Lines");
    const std::uint32_t nTable =
        builder.AddTable("a\r\ngo\r\nxyz", {{"Id", kTypeInt, 4, 0, 0, false},
                                            {"Note\r\ngo", kTypeVarChar, 200},
                                            {"Fixed", kTypeChar, 60}});
    for (std::size_t i = 0; i < kTrickyValues.size(); ++i) {
        builder.AddRow(nTable,
                       {EncodeInt32(static_cast<std::int32_t>(i)), EncodeVarchar(kTrickyValues[i]),
                        EncodeChar(kTrickyValues[i].substr(0, 60), 60)});
    }
    auto pEngine = TestRecovery::BuildAndRecover(builder, dir.Path());
    ASSERT_EQ(pEngine->m_mapObjects.Count(), 1u);

    CQuietObserver observer;
    SExportOptions options;
    options.outputParent = dir / "out";
    const CExportJob::SResult result = CExportJob(*pEngine, options, observer).Run();
    ASSERT_TRUE(result.bComplete) << result.strError;
    EXPECT_EQ(result.vecRenamed,
              (std::vector<std::string>{
                  "table 'a\\r\\ngo\\r\\nxyz' is written as [a__go__xyz]",
                  "column of table [a__go__xyz] 'Note\\r\\ngo' is written as [Note__go]"}));

    const std::string strScript =
        TestFiles::ReadFile(result.bundleFolder / "Tables" / "a__go__xyz.sql");
    const SSplit split = SplitLikeTheRunners(strScript);
    EXPECT_EQ(split.nCommands, 0) << strScript;
    ASSERT_EQ(split.vecBatches.size(), 1 + kTrickyValues.size()) << strScript;
    EXPECT_EQ(split.vecBatches[0].rfind("CREATE TABLE [a__go__xyz] ([Id] [int] NOT NULL,"
                                        "[Note__go] [varchar](200),",
                                        0),
              0u)
        << split.vecBatches[0];
    for (std::size_t i = 0; i < kTrickyValues.size(); ++i) {
        const std::vector<std::string> vecValues = Values(split.vecBatches[1 + i]);
        ASSERT_EQ(vecValues.size(), 3u) << split.vecBatches[1 + i];
        EXPECT_EQ(vecValues[0], std::to_string(i));
        EXPECT_EQ(vecValues[1], kTrickyValues[i]) << split.vecBatches[1 + i];
        std::string strFixed = kTrickyValues[i].substr(0, 60);
        strFixed.resize(60, ' ');
        EXPECT_EQ(vecValues[2], strFixed);
    }
    for (const char* pszScript : {"CreateDatabaseQuery.sql", "UserDefinedDatatypes.sql"}) {
        const SSplit other =
            SplitLikeTheRunners(TestFiles::ReadFile(result.bundleFolder / pszScript));
        EXPECT_EQ(other.nCommands, 0) << pszScript;
    }
}

TEST(ScriptSafety, TwoExportsInOneSecondGetTwoFolders) {
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    auto pEngine = TestRecovery::Recover(TestFiles::SamplePath());
    CQuietObserver observer;
    SExportOptions options;
    options.outputParent = dir / "out";
    options.bWithData = false;
    // The folder of this second exists already (an export a moment ago): the export takes the
    // next number instead of failing. A second that ticks over meanwhile is tried again.
    for (int nTry = 0; nTry < 3; ++nTry) {
        const std::string strName =
            CBundleNames::BundleFolderName(pEngine->m_strDatabaseName, CBundleNames::Now());
        fs::create_directories(options.outputParent / strName);
        const CExportJob::SResult result = CExportJob(*pEngine, options, observer).Run();
        ASSERT_TRUE(result.bComplete) << result.strError;
        if (result.bundleFolder.filename() == strName + "_2")
            return;
        EXPECT_NE(result.bundleFolder.filename(), strName);
    }
    FAIL() << "the clock moved on three times";
}

TEST(ScriptSafety, ARefusedBatchFailsOnlyTheRowsTheDriverRefuses) {
    if (!SqliteOdbc::Available())
        GTEST_SKIP() << "SQLite ODBC driver not installed";
    SqliteOdbc::Register();
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    // Row 57's NULL breaks the NOT NULL of its column: its batch is rolled back and sent again
    // statement by statement, and only that row fails.
    CDataFileBuilder builder("Batches");
    const std::uint32_t nTable = builder.AddTable(
        "Rows", {{"Id", kTypeInt, 4, 0, 0, false}, {"Name", kTypeVarChar, 20, 0, 0, true}});
    for (int i = 0; i < 250; ++i) {
        builder.AddRow(nTable, {i == 57 ? Value() : Value(EncodeInt32(i)),
                                EncodeVarchar("row " + std::to_string(i))});
    }
    auto pEngine = TestRecovery::BuildAndRecover(builder, dir.Path());
    CTable& table = *pEngine->m_mapObjects.begin()->second;

    COdbcConnection connection;
    connection.Open(SqliteOdbc::ConnectString(dir / "rows.db"));
    CExportContext context;
    context.m_bDirect = true;
    context.m_pConnection = &connection;
    context.m_eWalk = CExportContext::EWalk::Batched;
    context.m_nBatchSize = 100;
    context.m_strFileName = pEngine->m_strFileName;
    context.m_pTable = &table;
    context.m_bExportRecords = true;
    pEngine->GenerateTableQueries(&table, context);
    EXPECT_EQ(context.m_nExported, 249);
    EXPECT_EQ(context.m_nFailed, 1);
    EXPECT_EQ(SqliteOdbc::Query(dir / "rows.db", "SELECT COUNT(*), SUM(Id) FROM [Rows]"),
              (std::vector<std::string>{"249|" + std::to_string(249 * 250 / 2 - 57)}));
    const auto vecErrors = TestRecovery::LogMessages(dir / "logs" / "ErrorLog.log");
    const auto nRefusedRow = std::count_if(vecErrors.begin(), vecErrors.end(), [](const auto& s) {
        return s.find("NOT NULL") != std::string::npos && s.find("'row 57'") != std::string::npos;
    });
    EXPECT_EQ(nRefusedRow, 1) << "the refused row, with the driver's message";
    connection.Close();
}
