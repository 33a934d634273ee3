// tests/engine/scripts/TableScriptTest.cpp
// CREATE TABLE text (sizes, precision, defaults, NOT NULL, bracketing), where bound defaults go,
// and the same statements executed through ODBC on SQLite registered as "SQL SERVER".
#include <gtest/gtest.h>

#include "common/ExecutionLog.h"
#include "common/ScriptFile.h"
#include "engine/format2000/CSQLServer2000.h"
#include "engine/scripts/CConstraintScript.h"
#include "engine/scripts/CTableScript.h"
#include "engine/scripts/SqlText.h"
#include "engine/scripts/SqliteOdbc.h"
#include "support/RecoveryHelpers.h"
#include "support/TestFiles.h"

namespace {
CColumnInfo Column(const std::string& strName, const std::string& strType, std::uint16_t nLength,
                   bool bNullable = true, std::string strDefault = "") {
    CColumnInfo column;
    column.m_strName = strName;
    column.m_strType = strType;
    column.m_strUserType = strType;
    column.m_nLength = nLength;
    column.m_bNullable = bNullable;
    column.m_strDefault = std::move(strDefault);
    return column;
}

CTable Table(const std::string& strName, std::vector<CColumnInfo> vecColumns) {
    CTable table;
    table.m_strName = strName;
    table.m_vecColumns = std::move(vecColumns);
    table.m_nColumns = static_cast<std::int32_t>(table.m_vecColumns.size());
    return table;
}
}  // namespace

TEST(TableScript, DeclaresSizesPrecisionDefaultsAndNullability) {
    auto pEngine = CreateSQLServer2000Engine();
    CColumnInfo price = Column("Price", "decimal", 9);
    price.m_nPrecision = 18;
    price.m_nScale = 2;
    CColumnInfo zip = Column("Zip", "char", 5);
    zip.m_strUserType = "Zip";  // a user data type keeps its name and gets no size
    CTable table =
        Table("T", {Column("a", "int", 4, false), Column("b", "varchar", 10, true, "('x')"), price,
                    Column("w", "nvarchar", 101), Column("n", "nchar", 20),
                    Column("big", "varchar", 8001), Column("edge", "varbinary", 8000), zip});
    EXPECT_EQ(CTableScript::Build(*pEngine, table).strCreate,
              "CREATE TABLE [T] ([a] [int] NOT NULL,[b] [varchar](10) default ('x'),[Price] "
              "[decimal](18,2),"
              "[w] [nvarchar](50),[n] [nchar](10),[big] [varchar](max),[edge] "
              "[varbinary](8000),[Zip] [Zip])\r\n");

    // Brackets inside names are doubled, so a name cannot close its identifier early.
    CTable odd = Table("a]b; DROP TABLE x--", {Column("c]", "int", 4)});
    EXPECT_EQ(CTableScript::Build(*pEngine, odd).strCreate,
              "CREATE TABLE [a]]b; DROP TABLE x--] ([c]]] [int])\r\n");
    EXPECT_EQ(CTableScript::Build(*pEngine, Table("E", {})).strCreate, "CREATE TABLE [E] ()\r\n");
}

// The later formats: a schema, (max) sizes, the fractional digits of the 2008 times, computed
// columns by their definition; objects of another schema than dbo land in it.
TEST(TableScript, LaterFormatsDeclareSchemaMaxTimesAndComputedColumns) {
    CColumnInfo notes = Column("Notes", "nvarchar", 0xFFFF);
    notes.m_bMax = true;
    CColumnInfo at = Column("At", "datetime2", 8, false);
    at.m_nScale = 7;
    CColumnInfo local = Column("Local", "datetimeoffset", 10);
    local.m_nScale = 3;
    CColumnInfo total = Column("Total", "int", 4);
    total.m_strFormula = "([Qty]*[Price])";
    CColumnInfo node = Column("Node", "clr", 892);
    node.m_strUserType = "hierarchyid";
    CTable table = Table("Lines", {notes, at, local, total, node, Column("Day", "date", 3)});
    table.m_strSchema = "Sales";
    const CTableScript::SStatement statement = CTableScript::Build(table, nullptr);
    EXPECT_EQ(statement.strCreate,
              "CREATE TABLE [Sales].[Lines] ([Notes] [nvarchar](max),[At] [datetime2](7) NOT "
              "NULL,[Local] [datetimeoffset](3),[Total] AS ([Qty]*[Price]),[Node] "
              "[hierarchyid],[Day] [date])\r\n");
    EXPECT_EQ(statement.strSchema, "IF SCHEMA_ID('Sales') IS NULL EXEC('CREATE SCHEMA [Sales]')");
    // Every later statement names the table as CREATE TABLE did: a table outside the default
    // schema is not found by its bare name, so its identity values and rules would be lost.
    EXPECT_EQ(CTableScript::IdentityInsert(table, true), "SET IDENTITY_INSERT [Sales].[Lines] ON");
    table.m_vecKeys.push_back(CKeyConstraint{"PK_Lines", 0, true, false, {{"Day", true}}});
    table.m_vecIndexes.push_back(
        CTableIndex{"IX_Lines_At", 2, false, false, false, {{"At", false}}});
    CForeignKey key;
    key.m_strName = "FK_Lines_Days";
    key.m_vecColumns = {"Day"};
    key.m_strReferencedTable = "Days";
    key.m_strReferencedSchema = "Calendar";
    key.m_vecReferencedColumns = {"Day"};
    table.m_vecForeignKeys.push_back(key);
    EXPECT_EQ(CConstraintScript::TableStatements(table).vecStatements,
              (std::vector<std::string>{"ALTER TABLE [Sales].[Lines] ADD CONSTRAINT [PK_Lines] "
                                        "PRIMARY KEY NONCLUSTERED ([Day] DESC)",
                                        "CREATE INDEX [IX_Lines_At] ON [Sales].[Lines] ([At])"}));
    EXPECT_EQ(CConstraintScript::ForeignKeyStatements(table).vecStatements,
              std::vector<std::string>{"ALTER TABLE [Sales].[Lines] ADD CONSTRAINT "
                                       "[FK_Lines_Days] FOREIGN KEY ([Day]) REFERENCES "
                                       "[Calendar].[Days] ([Day])"});
    table.m_strSchema = "dbo";
    EXPECT_TRUE(CTableScript::Build(table, nullptr).strSchema.empty());
    // A (max) Unicode literal is not cut to 4000 characters.
    EXPECT_EQ(SColumnFormat::Of(notes).strConvert, "CONVERT(nvarchar(max),0x");

    EXPECT_EQ(
        SqlText::WithSchema("/* made by hand */\r\nCREATE   PROCEDURE GetAll AS SELECT 1", "Sales"),
        "/* made by hand */\r\nCREATE   PROCEDURE [Sales].[GetAll] AS SELECT 1");
    EXPECT_EQ(SqlText::WithSchema("create view [Top Ten]] x] as select 1", "Sales"),
              "create view [Sales].[Top Ten]] x] as select 1");
    EXPECT_EQ(SqlText::WithSchema("CREATE VIEW Sales.v AS SELECT 1", "Sales"),
              "CREATE VIEW Sales.v AS SELECT 1");
    EXPECT_EQ(SqlText::WithSchema("CREATE VIEW [x] . [v] AS SELECT 1", "Sales"),
              "CREATE VIEW [x] . [v] AS SELECT 1");
    EXPECT_EQ(SqlText::WithSchema("CREATE VIEW v AS SELECT 1", "dbo"), "CREATE VIEW v AS SELECT 1");
}

TEST(TableScript, FileModeWritesTheTableAndItsBoundDefaultsOnce) {
    TestFiles::CTempDir dir;
    auto pEngine = CreateSQLServer2000Engine();
    CScriptFile tableFile;
    CScriptFile defaultFile;
    ASSERT_TRUE(tableFile.Create(dir / "T.sql"));
    ASSERT_TRUE(defaultFile.Create(dir / "Default.sql"));
    pEngine->m_hTableFile = &tableFile;
    pEngine->m_hDefaultFile = &defaultFile;
    const std::string strDefault = "CREATE DEFAULT dbo.DefZero AS 0";
    CTable table = Table(
        "T", {Column("a", "int", 4, false, strDefault), Column("b", "int", 4, true, strDefault),
              Column("c", "int", 4, true, "create default lower AS 1")});
    pEngine->GenerateTableQueries(&table);
    tableFile.Close();
    defaultFile.Close();
    EXPECT_EQ(TestFiles::ReadFile(dir / "T.sql"),
              "CREATE TABLE [T] ([a] [int] NOT NULL,[b] [int],[c] [int])\r\n\r\ngo\r\n");
    EXPECT_EQ(TestFiles::ReadFile(dir / "Default.sql"),
              strDefault + "\r\ngo\r\ncreate default lower AS 1\r\ngo\r\n");

    // A stop request between columns abandons the table without output.
    ASSERT_TRUE(tableFile.Create(dir / "S.sql"));
    pEngine->m_pStatus->m_bStop = true;
    pEngine->GenerateTableQueries(&table);
    tableFile.Close();
    EXPECT_EQ(TestFiles::ReadFile(dir / "S.sql"), "");
    pEngine->m_hTableFile = nullptr;
    pEngine->m_hDefaultFile = nullptr;
}

TEST(TableScript, SampleTablesMatchTheGoldenScript) {
    auto pEngine = TestRecovery::Recover(TestFiles::SamplePath());
    ASSERT_TRUE(pEngine);
    std::string strText;
    for (const auto& [strKey, pTable] : pEngine->m_mapObjects)
        strText += CTableScript::Build(*pEngine, *pTable).strCreate;
    EXPECT_EQ(strText, TestFiles::GoldenText("bookstore_create_tables.sql", strText));
}

TEST(TableScript, DirectModeCreatesTablesThroughTheSqlServerDriverName) {
    if (!SqliteOdbc::Available())
        GTEST_SKIP() << "SQLite ODBC driver not installed";
    SqliteOdbc::Register();
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    COdbcConnection connection;
    connection.Open(SqliteOdbc::ConnectString(dir / "t.db"));
    auto pEngine = CreateSQLServer2000Engine();
    pEngine->m_bDirectExport = true;
    pEngine->m_pDatabase = &connection;

    CTable table = Table("Order Lines", {Column("Id", "int", 4, false),
                                         Column("Note", "varchar", 20, true, "('n/a')")});
    pEngine->GenerateTableQueries(&table);
    EXPECT_EQ(pEngine->m_pStatus->m_nFailedRecords, 0);
    connection.Execute("INSERT INTO [Order Lines] ([Id]) VALUES (1)");
    connection.Execute("INSERT INTO [Order Lines] ([Id],[Note]) VALUES (2,'x')");
    EXPECT_EQ(SqliteOdbc::Query(dir / "t.db", "SELECT Id, Note FROM [Order Lines] ORDER BY Id"),
              (std::vector<std::string>{"1|n/a", "2|x"}));

    // The second creation of the same table fails: logged with the driver's message and counted.
    pEngine->GenerateTableQueries(&table);
    EXPECT_EQ(pEngine->m_pStatus->m_nFailedRecords, 1);
    auto vecErrors = TestRecovery::LogMessages(dir / "logs" / "ErrorLog.log");
    ASSERT_FALSE(vecErrors.empty());
    EXPECT_NE(vecErrors.back().find("already exists"), std::string::npos) << vecErrors.back();

    // A failing batch reports the driver's message (SQLite takes one statement per execution).
    try {
        connection.Execute(
            "INSERT INTO [Order Lines] ([Id]) VALUES (3);INSERT INTO [Missing] VALUES (1);");
        FAIL() << "batch accepted";
    } catch (const COdbcError& error) {
        EXPECT_NE(std::string(error.what()).find("[SQLite]"), std::string::npos) << error.what();
    }
    pEngine->m_pDatabase = nullptr;
}

TEST(OdbcConnection, AConnectionThatCannotOpenCarriesTheDriverMessage) {
    SqliteOdbc::Register();
    COdbcConnection connection;
    try {
        connection.Open("DRIVER=No Such Driver;SERVER=x;UID=u;PWD=p");
        FAIL() << "opened";
    } catch (const COdbcError& error) {
        EXPECT_NE(std::string(error.what()).find("["), std::string::npos) << error.what();
    }
    EXPECT_FALSE(connection.IsOpen());
    EXPECT_THROW(connection.Execute("SELECT 1"), COdbcError);
}
