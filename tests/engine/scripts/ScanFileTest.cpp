// tests/engine/scripts/ScanFileTest.cpp
// Scan files: every saved member comes back, the layout is the documented one, and damaged files
// (truncated, inconsistent counts, the committed fuzz corpus and its mutants) are refused with
// CArchiveError instead of crashing or allocating beyond the file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "common/ArchiveReader.h"
#include "common/Crc32.h"
#include "common/ExecutionLog.h"
#include "engine/binding/ScanFileOpener.h"
#include "engine/format2000/CSQLServer2000.h"
#include "engine/scripts/CScanFile.h"
#include "support/RecoveryHelpers.h"
#include "support/TestFiles.h"

namespace {
std::span<const std::byte> AsBytes(const std::string& str) {
    return std::as_bytes(std::span(str.data(), str.size()));
}

// A catalog with every saved member set to something other than its default.
void FillCatalog(CSQLServerEngine& engine) {
    engine.m_strDatabaseName = "Shop";
    engine.m_strFileName = "/data/shop.mdf";
    auto pType = std::make_unique<CUserType>();
    pType->m_strName = "Zip";
    pType->m_nBaseType = 175;
    pType->m_nLength = 5;
    pType->m_nPrecision = 3;
    pType->m_nScale = 1;
    pType->m_nValue1 = -7;
    pType->m_nValue2 = 99;
    engine.m_mapUserTypes.Set("257", std::move(pType));

    auto pDefault = std::make_unique<CIndexInfo>();
    pDefault->m_nValue = 12;
    pDefault->m_arrFlags = {true, false, true, false, false, true, false, false, true};
    pDefault->m_nObjectId = 2001;
    pDefault->m_strName = "DefZero";
    pDefault->m_strText = "CREATE DEFAULT DefZero AS 0";
    engine.m_mapDefaults.Set("2001", std::move(pDefault));

    auto pTable = std::make_unique<CTable>();
    pTable->m_strName = "Order Lines]";
    pTable->m_strSaved1 = "s1";
    pTable->m_strSaved2 = std::string(300, 'z');  // 16-bit length form
    pTable->m_nSaved1 = 5;
    pTable->m_nObjectId = 977;
    pTable->m_nColumns = 2;
    pTable->m_nBitColumns = 1;
    pTable->m_nAllColumns = 3;
    pTable->m_nAllVarColumns = 1;
    pTable->m_nSaved2 = -3;
    pTable->m_nVarColumns = 1;
    CColumnInfo id;
    id.m_strName = "Id";
    id.m_strType = "int";
    id.m_strUserType = "int";
    id.m_nOrder = 1;
    id.m_nOffset = 4;
    id.m_nLength = 4;
    id.m_bNullable = false;
    CColumnInfo note;
    note.m_strName = "Note";
    note.m_strType = "varchar";
    note.m_strUserType = "varchar";
    note.m_strDefault = "('x')";
    note.m_strFormula = "f";
    note.m_nOrder = 2;
    note.m_nOffset = -1;
    note.m_nLength = 40;
    note.m_nPrecision = 1;
    note.m_nScale = 2;
    note.m_nBitPos = 3;
    note.m_bDeleted = 1;
    pTable->m_vecColumns = {id, note};
    CVarColumn var;
    var.m_strName = "Note";
    var.m_strExtra = "e";
    var.m_strType = "varchar";
    var.m_nOrder = 2;
    var.m_nLength = 40;
    var.m_nExtra = 17;
    var.m_nOffset = -1;
    pTable->m_vecVarColumns = {var};
    auto pIndex = std::make_unique<CIndexInfo>();
    pIndex->m_strName = "PK_Order";
    pIndex->m_arrFlags[0] = true;
    pTable->m_mapIndexes.Set("1", std::move(pIndex));
    pTable->m_vecVarColumnTypes = {{"-1", "varchar"}, {"4", "int"}};
    pTable->m_vecExtentPages = {8, 9};
    pTable->m_vecPages = {120, 121, 4000000000u};
    engine.m_mapObjects.Set("977", std::move(pTable));

    auto object = [](const char* pszName, const char* pszText) {
        auto p = std::make_unique<CViewStoredProc>();
        p->m_strName = pszName;
        p->m_nNumber = 1;
        p->m_nColId = 2;
        p->m_strText = pszText;
        return p;
    };
    engine.m_mapViews.Set("10", object("v1", "CREATE VIEW v1 AS SELECT 1"));
    engine.m_mapProcedures.Set("11", object("p1", "CREATE PROC p1 AS SELECT 1"));
    engine.m_mapRules.Set("12", object("r1", "CREATE RULE r1 AS @x > 0"));
    engine.m_mapTriggers.Set("13", object("t1", "CREATE TRIGGER t1 ON x FOR INSERT AS SELECT 1"));
    engine.m_mapFunctions.Set(
        "14", object("f1", "CREATE FUNCTION f1() RETURNS int AS BEGIN RETURN 1 END"));
}

std::string SaveToString(CSQLServerEngine& engine, const TestFiles::CTempDir& dir) {
    std::string strError;
    EXPECT_TRUE(engine.SaveScan((dir / "s.str").string(), strError)) << strError;
    return TestFiles::ReadFile(dir / "s.str");
}

// The checksum trailer a scan file of these bytes ends with.
std::string Trailer(const std::string& strContent) {
    std::string strTrailer = std::string("\x0f") + CScanFile::kTrailerSignature;
    auto put = [&](std::uint32_t n) {
        for (int i = 0; i < 4; ++i)
            strTrailer.push_back(static_cast<char>((n >> (8 * i)) & 0xFF));
    };
    put(static_cast<std::uint32_t>(strContent.size()));
    put(0);
    put(CCrc32::Of(AsBytes(strContent)));
    return strTrailer;
}

// The bytes before the trailer.
std::string Content(const std::string& strFile) {
    return strFile.substr(0, strFile.size() - CScanFile::kTrailerSize);
}

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> vecFiles;
    for (const auto& entry : std::filesystem::directory_iterator(
             std::filesystem::path(AMBERMILL_FUZZ_CORPUS_DIR) / "scanfile")) {
        if (entry.is_regular_file())
            vecFiles.push_back(TestFiles::ReadFile(entry.path()));
    }
    return vecFiles;
}
}  // namespace

TEST(ScanFile, EverySavedMemberComesBack) {
    TestFiles::CTempDir dir;
    auto pSource = CreateSQLServer2000Engine();
    FillCatalog(*pSource);
    std::string strBytes = SaveToString(*pSource, dir);

    auto pLoaded = CreateSQLServer2000Engine();
    CScanFile::LoadImage(*pLoaded, AsBytes(strBytes));
    EXPECT_EQ(pLoaded->m_strDatabaseName, "Shop");
    EXPECT_EQ(pLoaded->m_strFileName, "/data/shop.mdf");
    EXPECT_EQ(pLoaded->m_nTables, 1);
    EXPECT_EQ(pLoaded->m_nFunctions, 1);

    const CUserType& type = *pLoaded->m_mapUserTypes.Find("257");
    EXPECT_EQ(type.m_strName, "Zip");
    EXPECT_EQ(std::tie(type.m_nBaseType, type.m_nLength, type.m_nPrecision, type.m_nScale,
                       type.m_nValue1, type.m_nValue2),
              std::make_tuple(std::uint8_t{175}, std::uint16_t{5}, std::uint8_t{3}, std::uint8_t{1},
                              -7, 99));
    const CIndexInfo& def = *pLoaded->m_mapDefaults.Find("2001");
    EXPECT_EQ(def.m_nValue, 12);
    EXPECT_EQ(def.m_arrFlags, pSource->m_mapDefaults.Find("2001")->m_arrFlags);
    EXPECT_EQ(def.m_strText, "CREATE DEFAULT DefZero AS 0");

    const CTable& source = *pSource->m_mapObjects.Find("977");
    const CTable& table = *pLoaded->m_mapObjects.Find("977");
    EXPECT_EQ(table.m_strName, source.m_strName);
    EXPECT_EQ(table.m_strSaved2, source.m_strSaved2);
    EXPECT_EQ(
        std::tie(table.m_nSaved1, table.m_nObjectId, table.m_nColumns, table.m_nBitColumns,
                 table.m_nAllColumns, table.m_nAllVarColumns, table.m_nSaved2, table.m_nVarColumns),
        std::tie(source.m_nSaved1, source.m_nObjectId, source.m_nColumns, source.m_nBitColumns,
                 source.m_nAllColumns, source.m_nAllVarColumns, source.m_nSaved2,
                 source.m_nVarColumns));
    ASSERT_EQ(table.m_vecColumns.size(), 2u);
    const CColumnInfo& c = table.m_vecColumns[1];
    EXPECT_EQ(std::tie(c.m_strName, c.m_strDefault, c.m_strFormula),
              std::make_tuple("Note", "('x')", "f"));
    EXPECT_EQ(std::tie(c.m_nOrder, c.m_nOffset, c.m_nLength, c.m_nPrecision, c.m_nScale,
                       c.m_nBitPos, c.m_bDeleted),
              std::make_tuple(std::uint16_t{2}, std::int16_t{-1}, std::uint16_t{40},
                              std::uint8_t{1}, std::uint8_t{2}, std::uint8_t{3}, 1));
    EXPECT_FALSE(table.m_vecColumns[0].m_bNullable);
    EXPECT_TRUE(c.m_bNullable);
    ASSERT_EQ(table.m_vecVarColumns.size(), 1u);
    EXPECT_EQ(table.m_vecVarColumns[0].m_nExtra, 17);
    EXPECT_EQ(table.m_vecVarColumns[0].m_strExtra, "e");
    EXPECT_EQ(table.m_mapIndexes.Find("1")->m_strName, "PK_Order");
    EXPECT_EQ(table.m_vecVarColumnTypes, source.m_vecVarColumnTypes);
    EXPECT_EQ(table.m_vecExtentPages, source.m_vecExtentPages);
    EXPECT_EQ(table.m_vecPages, source.m_vecPages);

    EXPECT_EQ(pLoaded->m_mapTriggers.Find("13")->m_strText,
              "CREATE TRIGGER t1 ON x FOR INSERT AS SELECT 1");
    EXPECT_EQ(pLoaded->m_mapViews.Find("10")->m_nObjectId, 10);
    EXPECT_EQ(pLoaded->m_mapRules.Find("12")->m_nColId, 2);

    // Saving the loaded catalog again gives the same bytes.
    TestFiles::CTempDir dir2;
    EXPECT_EQ(SaveToString(*pLoaded, dir2), strBytes);
}

TEST(ScanFile, HeaderAndSectionsFollowTheLayout) {
    TestFiles::CTempDir dir;
    auto pEngine = CreateSQLServer2000Engine();
    pEngine->m_strDatabaseName = "db";
    pEngine->m_strFileName = "f";
    auto pView = std::make_unique<CViewStoredProc>();
    pView->m_strName = "v";
    pView->m_nNumber = 1;
    pView->m_nColId = 2;
    pView->m_strText = "T";
    pEngine->m_mapViews.Set("10", std::move(pView));
    const std::string strExpected = std::string(
                                        "\x08varnholt\x04"
                                        "2000\x02"
                                        "db\x01"
                                        "f",
                                        19) +
                                    std::string(12, '\0') + std::string("\x01\x00\x00\x00", 4) +
                                    std::string(16, '\0') +
                                    std::string(
                                        "\x02"
                                        "10\x01v\x01\x00\x02\x00\x01T",
                                        11);
    EXPECT_EQ(SaveToString(*pEngine, dir), strExpected + Trailer(strExpected));
}

TEST(ScanFile, RecoveredSampleSurvivesASaveAndLoad) {
    TestFiles::CTempDir dir;
    auto pRecovered = TestRecovery::Recover(TestFiles::SamplePath());
    ASSERT_TRUE(pRecovered);
    std::string strBytes = SaveToString(*pRecovered, dir);
    auto pLoaded = CreateSQLServer2000Engine();
    CScanFile::LoadImage(*pLoaded, AsBytes(strBytes));
    ASSERT_EQ(pLoaded->m_mapObjects.Count(), pRecovered->m_mapObjects.Count());
    auto it = pLoaded->m_mapObjects.begin();
    for (const auto& [strKey, pTable] : pRecovered->m_mapObjects) {
        EXPECT_EQ(it->first, strKey);
        EXPECT_EQ(it->second->m_strName, pTable->m_strName);
        EXPECT_EQ(it->second->m_vecPages, pTable->m_vecPages);
        EXPECT_EQ(it->second->m_vecColumns.size(), pTable->m_vecColumns.size());
        ++it;
    }
    EXPECT_EQ(pLoaded->m_mapProcedures.Count(), pRecovered->m_mapProcedures.Count());
    EXPECT_EQ(pLoaded->m_mapDefaults.Count(), pRecovered->m_mapDefaults.Count());
    EXPECT_EQ(pLoaded->m_mapUserTypes.Count(), pRecovered->m_mapUserTypes.Count());
}

TEST(ScanFile, DamagedFilesAreRefusedWithOneError) {
    TestFiles::CTempDir dir;
    auto pSource = CreateSQLServer2000Engine();
    FillCatalog(*pSource);
    const std::string strGood = SaveToString(*pSource, dir);
    auto pEngine = CreateSQLServer2000Engine();

    // Every truncation into the content, at every byte. A cut inside the trailer leaves the
    // content whole: it is read as a file written without a trailer.
    for (std::size_t n = 0; n < strGood.size(); ++n) {
        if (n < strGood.size() - CScanFile::kTrailerSize) {
            EXPECT_THROW(CScanFile::LoadImage(*pEngine, AsBytes(strGood.substr(0, n))),
                         CArchiveError)
                << n;
        } else {
            CScanFile::LoadImage(*pEngine, AsBytes(strGood.substr(0, n)));
            EXPECT_EQ(pEngine->m_strDatabaseName, "Shop") << n;
        }
    }
    // A wrong signature, another engine's version, text that is no scan file at all.
    std::string strWrongSignature = strGood;
    strWrongSignature[1] = 'V';
    EXPECT_THROW(CScanFile::LoadImage(*pEngine, AsBytes(strWrongSignature)), CArchiveError);
    std::string strOtherVersion = strGood;
    strOtherVersion[13] = '5';
    EXPECT_THROW(CScanFile::LoadImage(*pEngine, AsBytes(strOtherVersion)), CArchiveError);
    EXPECT_THROW(CScanFile::LoadImage(*pEngine, AsBytes("just some text\n")), CArchiveError);

    // A table count of two billion in a small file fails at the header, before any table (the
    // trailer, which would catch it first, is left out).
    std::string strHuge = Content(strGood);
    const std::size_t nCounts = 9 + 5 + 5 + 15;  // signature, version, "Shop", "/data/shop.mdf"
    strHuge.replace(nCounts + 8, 4, std::string("\x00\x00\x00\x78", 4));
    try {
        CScanFile::LoadImage(*pEngine, AsBytes(strHuge));
        FAIL() << "huge count accepted";
    } catch (const CArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find("tables"), std::string::npos) << error.what();
    }
}

// The opener tells the cases apart that the front ends word differently, and never hands out
// an engine that did not load whole.
TEST(ScanFile, OpenerNamesWhyAFileWasRefused) {
    TestFiles::CTempDir dir;
    auto pSource = CreateSQLServer2000Engine();
    FillCatalog(*pSource);
    const std::string strGood = SaveToString(*pSource, dir);
    std::string strOtherVersion = Content(strGood);
    strOtherVersion.replace(10, 4, "1999");
    std::string strFlipped = strGood;
    strFlipped[40] ^= 0x20;
    struct SCase {
        const char* pszName;
        std::string strBytes;
        EScanOpenError eError;
    };
    const SCase cases[] = {
        {"good.str", strGood, EScanOpenError::None},
        {"text.str", "this is a text file\n", EScanOpenError::NotScanFile},
        {"empty.str", "", EScanOpenError::NotScanFile},
        {"version.str", strOtherVersion, EScanOpenError::UnknownVersion},
        {"truncated.str", strGood.substr(0, strGood.size() - 40), EScanOpenError::Damaged},
        {"flipped.str", strFlipped, EScanOpenError::Damaged},
    };
    for (const SCase& c : cases) {
        TestFiles::WriteFile(dir / c.pszName, c.strBytes);
        SScanOpenResult result = OpenScanFileChecked((dir / c.pszName).string());
        EXPECT_EQ(result.eError, c.eError) << c.pszName << ": " << result.strError;
        EXPECT_EQ(result.pEngine != nullptr, c.eError == EScanOpenError::None) << c.pszName;
        if (c.eError != EScanOpenError::None) {
            EXPECT_NE(result.strError.find(c.pszName), std::string::npos) << result.strError;
        }
    }
    EXPECT_EQ(OpenScanFileChecked((dir / "missing.str").string()).eError,
              EScanOpenError::Unreadable);
    SScanOpenResult good = OpenScanFileChecked((dir / "good.str").string());
    ASSERT_TRUE(good.pEngine);
    EXPECT_EQ(good.pEngine->m_strDatabaseName, "Shop");
    EXPECT_EQ(good.pEngine->FormatVersion(), "2000");
}

TEST(ScanFile, FuzzCorpusAndItsMutantsNeverCrash) {
    auto vecSeeds = CorpusFiles();
    ASSERT_GE(vecSeeds.size(), 3u);
    std::mt19937 random(77);
    auto pEngine = CreateSQLServer2000Engine();
    // The mutations are spread over the corpus, so a larger corpus does not make a slower test.
    const int nRounds = std::max(10, 1200 / static_cast<int>(vecSeeds.size()));
    for (const std::string& strSeed : vecSeeds) {
        // The valid seeds load; the damaged ones are refused.
        try {
            CScanFile::LoadImage(*pEngine, AsBytes(strSeed));
        } catch (const CArchiveError&) {
        }
        for (int nRound = 0; nRound < nRounds; ++nRound) {
            std::string strMutant = strSeed;
            const int nFlips = 1 + static_cast<int>(random() % 6);
            for (int i = 0; i < nFlips && !strMutant.empty(); ++i) {
                strMutant[random() % strMutant.size()] = static_cast<char>(random());
            }
            if (nRound % 5 == 0 && !strMutant.empty())
                strMutant.resize(random() % strMutant.size());
            // What the fuzz target does with each input.
            try {
                CScanFile::LoadImage(*pEngine, AsBytes(strMutant));
            } catch (const CArchiveError&) {
            }
        }
    }
}

// A scan file ends with a CRC-32 of everything before it: any changed byte is caught, a file
// without the trailer still loads, and sections a later version adds between the content and the
// trailer are covered too.
TEST(ScanFile, TheChecksumTrailerCatchesEveryChangedByte) {
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    auto pSource = CreateSQLServer2000Engine();
    FillCatalog(*pSource);
    const std::string strGood = SaveToString(*pSource, dir);
    const std::string strContent = Content(strGood);
    ASSERT_EQ(strGood.substr(strContent.size()), Trailer(strContent));
    auto pEngine = CreateSQLServer2000Engine();
    for (std::size_t n = 0; n < strContent.size(); ++n) {
        std::string strChanged = strGood;
        strChanged[n] = static_cast<char>(strChanged[n] ^ 0x01);
        try {
            CScanFile::LoadImage(*pEngine, AsBytes(strChanged));
            ADD_FAILURE() << "a changed byte " << n << " was loaded";
        } catch (const CArchiveError& error) {
            // The signature and version are checked by the trailer as well.
            EXPECT_NE(std::string(error.what()).find("checksum"), std::string::npos)
                << n << ": " << error.what();
        }
    }
    // Written before scan files carried a trailer.
    CScanFile::LoadImage(*pEngine, AsBytes(strContent));
    EXPECT_EQ(pEngine->m_mapObjects.Count(), 1u);
    // A section a later version adds after the content, with its own tag, under the trailer.
    const std::string strExtended = strContent + std::string(
                                                     "\x06KEYS01\x03"
                                                     "abc",
                                                     11);
    CScanFile::LoadImage(*pEngine, AsBytes(strExtended + Trailer(strExtended)));
    EXPECT_EQ(pEngine->m_mapObjects.Count(), 1u);
    EXPECT_EQ(pEngine->m_mapViews.Count(), 1u);
    // The right trailer after bytes it does not count: the file was extended.
    try {
        CScanFile::LoadImage(*pEngine, AsBytes(strContent + "x" + Trailer(strContent)));
        ADD_FAILURE() << "an extended file was loaded";
    } catch (const CArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find("cut or extended"), std::string::npos)
            << error.what();
    }
}

TEST(ScanFile, KeysThatAreNoIdsAreRefusedAndTwiceUsedKeysReported) {
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    auto pSource = CreateSQLServer2000Engine();
    FillCatalog(*pSource);
    auto pSecond = std::make_unique<CViewStoredProc>();
    pSecond->m_strName = "v2";
    pSource->m_mapViews.Set("16", std::move(pSecond));
    const std::string strContent = Content(SaveToString(*pSource, dir));
    auto pEngine = CreateSQLServer2000Engine();
    // The views' keys are "10" and "16": the second becomes "1x", then "10" a second time.
    const std::size_t nKey =
        strContent.find(std::string("\x02"
                                    "16\x02v2",
                                    6));
    ASSERT_NE(nKey, std::string::npos);
    std::string strBadKey = strContent;
    strBadKey[nKey + 2] = 'x';
    try {
        CScanFile::LoadImage(*pEngine, AsBytes(strBadKey));
        ADD_FAILURE() << "a key that is no id was loaded";
    } catch (const CArchiveError& error) {
        EXPECT_NE(std::string(error.what()).find("the key of view entry 2 ('1x'"),
                  std::string::npos)
            << error.what();
    }
    std::string strTwice = strContent;
    strTwice[nKey + 2] = '0';
    CScanFile::LoadImage(*pEngine, AsBytes(strTwice));
    EXPECT_EQ(pEngine->m_mapViews.Count(), 1u);
    const std::vector<SDamage> vecDamage = pEngine->m_damage.Records();
    ASSERT_EQ(vecDamage.size(), 1u);
    EXPECT_EQ(vecDamage[0].eKind, EDamageKind::ScanFile);
    EXPECT_EQ(vecDamage[0].strDetail,
              "the scan file holds two view entries under the key 10; the later one is kept");
}

namespace {
// The bytes of a saved scan without its checksum trailer: what the tagged sections follow, and
// what loads as a file written before the trailer existed.
std::string SaveContent(CSQLServerEngine& engine, const TestFiles::CTempDir& dir) {
    return Content(SaveToString(engine, dir));
}
}  // namespace

namespace {
// Identity and computed columns, a key, a check, a foreign key and two indexes on the table of
// FillCatalog.
void AddSchemaParts(CSQLServerEngine& engine) {
    CTable& table = *engine.m_mapObjects.Find("977");
    table.m_vecColumns[0].m_bIdentity = true;
    table.m_vecColumns[0].m_nIdentitySeed = -5000000000LL;  // needs all 64 bits
    table.m_vecColumns[0].m_nIdentityIncrement = -3;
    table.m_vecColumns[1].m_bComputed = true;
    table.m_vecKeys = {CKeyConstraint{"PK_Order", 978, true, true, {{"Id", false}}},
                       CKeyConstraint{"UQ", 979, false, false, {{"Note", true}, {"", false}}}};
    table.m_vecChecks = {CCheckConstraint{"CK_Id", 980, "([Id] > 0)", true}};
    CForeignKey key;
    key.m_strName = "FK_Self";
    key.m_nObjectId = 981;
    key.m_vecColumns = {"Id"};
    key.m_nReferencedObjectId = 977;
    key.m_strReferencedTable = "Order Lines]";
    key.m_vecReferencedColumns = {"Id"};
    key.m_eOnDelete = CForeignKey::EAction::Cascade;
    key.m_eOnUpdate = CForeignKey::EAction::SetNull;
    key.m_bDisabled = true;
    table.m_vecForeignKeys = {key};
    table.m_vecIndexes = {CTableIndex{"PK_Order", 1, true, true, true, {{"Id", false}}},
                          CTableIndex{"IX_Note", 2, false, false, false, {{"Note", true}}}};
}

void ExpectSameSchema(const CTable& loaded, const CTable& saved) {
    ASSERT_EQ(loaded.m_vecColumns.size(), saved.m_vecColumns.size());
    for (std::size_t i = 0; i < saved.m_vecColumns.size(); ++i) {
        const CColumnInfo& a = loaded.m_vecColumns[i];
        const CColumnInfo& b = saved.m_vecColumns[i];
        EXPECT_EQ(a.m_bIdentity, b.m_bIdentity) << b.m_strName;
        EXPECT_EQ(a.m_nIdentitySeed, b.m_nIdentitySeed) << b.m_strName;
        EXPECT_EQ(a.m_nIdentityIncrement, b.m_nIdentityIncrement) << b.m_strName;
        EXPECT_EQ(a.m_bComputed, b.m_bComputed) << b.m_strName;
    }
    ASSERT_EQ(loaded.m_vecKeys.size(), saved.m_vecKeys.size());
    for (std::size_t i = 0; i < saved.m_vecKeys.size(); ++i) {
        EXPECT_EQ(loaded.m_vecKeys[i].m_strName, saved.m_vecKeys[i].m_strName);
        EXPECT_EQ(loaded.m_vecKeys[i].m_nObjectId, saved.m_vecKeys[i].m_nObjectId);
        EXPECT_EQ(loaded.m_vecKeys[i].m_bPrimaryKey, saved.m_vecKeys[i].m_bPrimaryKey);
        EXPECT_EQ(loaded.m_vecKeys[i].m_bClustered, saved.m_vecKeys[i].m_bClustered);
        ASSERT_EQ(loaded.m_vecKeys[i].m_vecColumns.size(), saved.m_vecKeys[i].m_vecColumns.size());
        for (std::size_t c = 0; c < saved.m_vecKeys[i].m_vecColumns.size(); ++c) {
            EXPECT_EQ(loaded.m_vecKeys[i].m_vecColumns[c].m_strName,
                      saved.m_vecKeys[i].m_vecColumns[c].m_strName);
            EXPECT_EQ(loaded.m_vecKeys[i].m_vecColumns[c].m_bDescending,
                      saved.m_vecKeys[i].m_vecColumns[c].m_bDescending);
        }
    }
    ASSERT_EQ(loaded.m_vecChecks.size(), saved.m_vecChecks.size());
    for (std::size_t i = 0; i < saved.m_vecChecks.size(); ++i) {
        EXPECT_EQ(loaded.m_vecChecks[i].m_strName, saved.m_vecChecks[i].m_strName);
        EXPECT_EQ(loaded.m_vecChecks[i].m_strText, saved.m_vecChecks[i].m_strText);
        EXPECT_EQ(loaded.m_vecChecks[i].m_bDisabled, saved.m_vecChecks[i].m_bDisabled);
    }
    ASSERT_EQ(loaded.m_vecForeignKeys.size(), saved.m_vecForeignKeys.size());
    for (std::size_t i = 0; i < saved.m_vecForeignKeys.size(); ++i) {
        const CForeignKey& a = loaded.m_vecForeignKeys[i];
        const CForeignKey& b = saved.m_vecForeignKeys[i];
        EXPECT_EQ(a.m_strName, b.m_strName);
        EXPECT_EQ(a.m_vecColumns, b.m_vecColumns);
        EXPECT_EQ(a.m_nReferencedObjectId, b.m_nReferencedObjectId);
        EXPECT_EQ(a.m_strReferencedTable, b.m_strReferencedTable);
        EXPECT_EQ(a.m_vecReferencedColumns, b.m_vecReferencedColumns);
        EXPECT_EQ(a.m_eOnDelete, b.m_eOnDelete);
        EXPECT_EQ(a.m_eOnUpdate, b.m_eOnUpdate);
        EXPECT_EQ(a.m_bDisabled, b.m_bDisabled);
    }
    ASSERT_EQ(loaded.m_vecIndexes.size(), saved.m_vecIndexes.size());
    for (std::size_t i = 0; i < saved.m_vecIndexes.size(); ++i) {
        const CTableIndex& a = loaded.m_vecIndexes[i];
        const CTableIndex& b = saved.m_vecIndexes[i];
        EXPECT_EQ(a.m_strName, b.m_strName);
        EXPECT_EQ(a.m_nIndexId, b.m_nIndexId);
        EXPECT_EQ(a.m_bUnique, b.m_bUnique);
        EXPECT_EQ(a.m_bClustered, b.m_bClustered);
        EXPECT_EQ(a.m_bKeyIndex, b.m_bKeyIndex);
        ASSERT_EQ(a.m_vecColumns.size(), b.m_vecColumns.size());
        EXPECT_EQ(a.m_vecColumns[0].m_strName, b.m_vecColumns[0].m_strName);
        EXPECT_EQ(a.m_vecColumns[0].m_bDescending, b.m_vecColumns[0].m_bDescending);
    }
}

std::string U32(std::uint32_t n) {
    return std::string{static_cast<char>(n), static_cast<char>(n >> 8), static_cast<char>(n >> 16),
                       static_cast<char>(n >> 24)};
}

// A tagged section as a later build might append it.
std::string TaggedSection(const std::string& strTag, std::uint32_t nVersion,
                          const std::string& strBody) {
    return static_cast<char>(strTag.size()) + strTag + U32(nVersion) +
           U32(static_cast<std::uint32_t>(strBody.size())) + strBody;
}

bool HasKeys(const CSQLServerEngine& engine) {
    return !engine.m_mapObjects.Find("977")->m_vecKeys.empty();
}
}  // namespace

TEST(ScanFile, SchemaPartsRoundTripAfterTheCatalogAndOldFilesStillOpen) {
    TestFiles::CTempDir dir;
    auto pSource = CreateSQLServer2000Engine();
    FillCatalog(*pSource);
    const std::string strPlain = SaveContent(*pSource, dir);
    AddSchemaParts(*pSource);
    const std::string strWithSchema = SaveContent(*pSource, dir);
    // The catalog's bytes are unchanged; the parts follow as one tagged section.
    ASSERT_GT(strWithSchema.size(), strPlain.size());
    EXPECT_EQ(strWithSchema.substr(0, strPlain.size()), strPlain);
    EXPECT_EQ(strWithSchema.substr(strPlain.size(), 17),
              std::string("\x10") + CScanFile::kSchemaTag);

    auto pLoaded = CreateSQLServer2000Engine();
    CScanFile::LoadImage(*pLoaded, AsBytes(strWithSchema));
    ExpectSameSchema(*pLoaded->m_mapObjects.Find("977"), *pSource->m_mapObjects.Find("977"));

    // A file written before the section existed opens with no schema parts.
    CScanFile::LoadImage(*pLoaded, AsBytes(strPlain));
    EXPECT_FALSE(HasKeys(*pLoaded));
    // The sample as the build before keys were read saved it.
    CScanFile::LoadImage(
        *pLoaded, AsBytes(TestFiles::ReadFile(std::filesystem::path(AMBERMILL_FUZZ_CORPUS_DIR) /
                                              "scanfile" / "bookstore.str")));
    EXPECT_EQ(pLoaded->m_mapObjects.Count(), 5u);
    for (const auto& [strKey, pTable] : pLoaded->m_mapObjects)
        EXPECT_TRUE(pTable->m_vecKeys.empty() && pTable->m_vecIndexes.empty()) << strKey;

    // The recovered sample keeps its keys, checks, indexes and identity columns.
    auto pRecovered = TestRecovery::Recover(TestFiles::SamplePath());
    ASSERT_TRUE(pRecovered);
    CScanFile::LoadImage(*pLoaded, AsBytes(SaveContent(*pRecovered, dir)));
    for (const auto& [strKey, pTable] : pRecovered->m_mapObjects) {
        SCOPED_TRACE(pTable->m_strName);
        ExpectSameSchema(*pLoaded->m_mapObjects.Find(strKey), *pTable);
    }
}

TEST(ScanFile, UnknownSectionsAreSkippedAndUnreadableOnesEndTheWalk) {
    TestFiles::CTempDir dir;
    CExecutionLog::SetLogFolderForTesting(dir / "logs");
    auto pSource = CreateSQLServer2000Engine();
    FillCatalog(*pSource);
    const std::string strPlain = SaveContent(*pSource, dir);
    AddSchemaParts(*pSource);
    const std::string strSchema = SaveContent(*pSource, dir).substr(strPlain.size());
    auto pLoaded = CreateSQLServer2000Engine();
    auto load = [&](const std::string& strBytes) {
        CScanFile::LoadImage(*pLoaded, AsBytes(strBytes));
        return HasKeys(*pLoaded);
    };

    // Another build's section, and a later version of ours, are stepped over by their length.
    const std::string strOther = TaggedSection("ambermill.other", 1, std::string("\0\xff\x01", 3));
    EXPECT_TRUE(load(strPlain + strOther + strSchema));
    EXPECT_TRUE(load(strPlain + strSchema + strOther));
    std::string strLater = strSchema;
    strLater[17] = 2;  // version 2
    EXPECT_FALSE(load(strPlain + strLater));
    EXPECT_TRUE(load(strPlain + strLater + strSchema));

    // Bytes that are no section, a length beyond the file, a damaged body: the catalog opens,
    // what was read before stays, and nothing of a damaged body is applied.
    EXPECT_TRUE(load(strPlain + strSchema + "\x03xy"));
    EXPECT_FALSE(load(strPlain + TaggedSection(CScanFile::kSchemaTag, 1, "") + strSchema));
    EXPECT_EQ(pLoaded->m_mapObjects.Count(), 1u);
    for (std::size_t n = 1; n < strSchema.size(); ++n) {
        EXPECT_FALSE(load(strPlain + strSchema.substr(0, n))) << n;
        EXPECT_EQ(pLoaded->m_mapObjects.Find("977")->m_vecColumns.size(), 2u);
    }
    std::string strBadAction = strSchema;
    const std::size_t nAction = strBadAction.find("Order Lines]") + 12 + 4 + 3;
    strBadAction[nAction] = 9;  // no referential action has that number
    EXPECT_FALSE(load(strPlain + strBadAction));
    EXPECT_FALSE(pLoaded->m_mapObjects.Find("977")->m_vecColumns[0].m_bIdentity);
}
// The model parts of the later formats travel in a tagged section after the eight sections; a
// 2000 scan has none of them and keeps its exact bytes.
TEST(ScanFile, ModelAndSchemaSectionsCarrySchemasMaxIdentityAndRowsNotRead) {
    TestFiles::CTempDir dir;
    auto pPlain = CreateSQLServer2000Engine();
    FillCatalog(*pPlain);
    const std::string strPlain = SaveContent(*pPlain, dir);
    EXPECT_EQ(strPlain.find(CScanFile::kModelTag), std::string::npos);

    auto pSource = CreateSQLServer2005Engine();
    FillCatalog(*pSource);
    CTable& table = *pSource->m_mapObjects.Find("977");
    table.m_strSchema = "Sales";
    table.m_strRowsNotRead = "page compression: rows not read";
    table.m_vecColumns[0].m_bIdentity = true;
    table.m_vecColumns[0].m_nIdentitySeed = -5000000000LL;
    table.m_vecColumns[0].m_nIdentityIncrement = 7;
    table.m_vecColumns[1].m_bMax = true;
    pSource->m_mapProcedures.Find("11")->m_strSchema = "Sales";
    pSource->m_mapUserTypes.Find("257")->m_strSchema = "dbo";
    const std::string strBytes = SaveContent(*pSource, dir);
    // Everything before the section is what the design's layout gives.
    ASSERT_EQ(strBytes.compare(0, 8, strPlain, 0, 8), 0);

    auto pLoaded = CreateSQLServer2005Engine();
    CScanFile::LoadImage(*pLoaded, AsBytes(strBytes));
    const CTable& loaded = *pLoaded->m_mapObjects.Find("977");
    EXPECT_EQ(loaded.m_strSchema, "Sales");
    EXPECT_EQ(loaded.m_strRowsNotRead, "page compression: rows not read");
    EXPECT_TRUE(loaded.m_vecColumns[0].m_bIdentity);
    EXPECT_EQ(loaded.m_vecColumns[0].m_nIdentitySeed, -5000000000LL);
    EXPECT_EQ(loaded.m_vecColumns[0].m_nIdentityIncrement, 7);
    EXPECT_FALSE(loaded.m_vecColumns[0].m_bMax);
    EXPECT_TRUE(loaded.m_vecColumns[1].m_bMax);
    EXPECT_EQ(pLoaded->m_mapProcedures.Find("11")->m_strSchema, "Sales");
    EXPECT_EQ(pLoaded->m_mapViews.Find("10")->m_strSchema, "");
    EXPECT_EQ(pLoaded->m_mapUserTypes.Find("257")->m_strSchema, "dbo");

    // A section of a tag or version this build does not know is skipped by its length, and the
    // model section after it is still read.
    const std::size_t nModelAt = strBytes.find(CScanFile::kModelTag) - 1;
    const std::string strForeign = std::string(
                                       "\x10"
                                       "ambermill.future") +
                                   std::string(
                                       "\x01\0\0\0"
                                       "\x03\0\0\0"
                                       "xyz",
                                       11);
    // Identity travels in the schema section, which follows the model section.
    const std::size_t nSchemaAt = strBytes.find(CScanFile::kSchemaTag) - 1;
    ASSERT_GT(nSchemaAt, nModelAt);
    std::string strModel = strBytes.substr(nModelAt, nSchemaAt - nModelAt);
    std::string strOtherVersion = strModel;
    strOtherVersion[1 + std::strlen(CScanFile::kModelTag)] = '\x09';
    auto pSkipping = CreateSQLServer2005Engine();
    CScanFile::LoadImage(*pSkipping, AsBytes(strBytes.substr(0, nModelAt) + strForeign +
                                             strOtherVersion + strModel));
    EXPECT_EQ(pSkipping->m_mapObjects.Find("977")->m_strSchema, "Sales");

    // Bytes that are no section, a body cut short or a body that does not read: the catalog of
    // the eight sections loads, and none of the damaged body's parts is applied.
    std::string strBadBody = strModel;
    // A table count that cannot fit the body, in a section whose length is whole.
    strBadBody.replace(1 + std::strlen(CScanFile::kModelTag) + 8, 4, "\xff\xff\xff\x7f");
    for (const std::string& strAfter : {std::string("\xff\xff\xff\xff\xff", 5),
                                        strModel.substr(0, strModel.size() - 3), strBadBody}) {
        auto pReader = CreateSQLServer2005Engine();
        EXPECT_NO_THROW(
            CScanFile::LoadImage(*pReader, AsBytes(strBytes.substr(0, nModelAt) + strAfter)));
        ASSERT_NE(pReader->m_mapObjects.Find("977"), nullptr);
        EXPECT_EQ(pReader->m_mapObjects.Find("977")->m_strSchema, "");
        EXPECT_FALSE(pReader->m_mapObjects.Find("977")->m_vecColumns[0].m_bIdentity);
    }
}
