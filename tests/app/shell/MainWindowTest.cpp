// tests/app/shell/MainWindowTest.cpp
// The main window's commands driven as a user would: Load and Recover with the version question,
// the progress dialog with its counts and its Stop, and what Export and Save Scan allow when.
#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidgetItem>
#include <thread>

#include "GuiTestSupport.h"
#include "app/shell/CEngineSession.h"
#include "app/shell/CObjectTree.h"
#include "app/shell/CProgressDlg.h"
#include "app/shell/CRecordGridModel.h"
#include "app/shell/CUserPrompts.h"
#include "common/ExecutionLog.h"
#include "engine/core/CSQLServerEngine.h"
#include "fixtures/CDataFileBuilder.h"
#include "fixtures/ValueEncoding.h"

namespace {
using GuiTest::CMainWindowTest;
using GuiTest::WaitFor;

const QString kNoDatabase = QString::fromLatin1(CObjectTree::kNoDatabase);

QStringList ChildTexts(const QTreeWidgetItem* pItem) {
    QStringList lst;
    for (int i = 0; i < pItem->childCount(); ++i)
        lst << pItem->child(i)->text(0);
    return lst;
}

// A file of nPages pages or more whose recovery can be paced.
std::filesystem::path WriteManyPages(const std::filesystem::path& folder) {
    fixtures::CDataFileBuilder builder("Slow");
    const std::uint32_t nTable = builder.AddTable(
        "Wide", {{"Id", fixtures::kTypeInt, 4}, {"Text", fixtures::kTypeChar, 3000}});
    builder.AddGeneratedRows(nTable, 400, [](std::uint64_t i) -> std::vector<fixtures::Value> {
        return {fixtures::EncodeInt32(static_cast<std::int32_t>(i)),
                fixtures::EncodeChar("x", 3000)};
    });
    const auto path = folder / "slow.mdf";
    builder.WriteTo(path);
    return path;
}

// One page per hand-shake and a pause at each progress step: a scan that takes seconds.
CRecoveryRun::SPacing SlowPacing() {
    CRecoveryRun::SPacing pacing;
    pacing.nPagesPerHandshake = 1;
    pacing.fnStep = [](const CRecoveryMonitor::SProgress&) {
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    };
    return pacing;
}
}  // namespace

TEST_F(CMainWindowTest, StartsEmptyWithExportRefusedAndTheMenuExportGreyed) {
    EXPECT_EQ(m_pWindow->windowTitle(), QStringLiteral("Varnholt Ambermill - v4.9"));
    EXPECT_EQ(m_pWindow->StatusText(), QStringLiteral("Ready"));
    EXPECT_EQ(m_pWindow->Tree()->Root()->text(0), kNoDatabase);
    EXPECT_EQ(
        ChildTexts(m_pWindow->Tree()->Root()),
        QStringList({"Tables", "Views", "Stored Procedures", "Rules", "Triggers", "Functions"}));
    EXPECT_FALSE(m_pWindow->findChild<QAction*>("actionMenuExport")->isEnabled());
    for (const char* pszAction : {"actionLoad", "actionOpenScan", "actionSaveScan", "actionExport",
                                  "actionSupport", "actionHelp", "actionExit"}) {
        EXPECT_TRUE(m_pWindow->findChild<QAction*>(pszAction)->isEnabled()) << pszAction;
    }

    Trigger("actionExport");
    EXPECT_EQ(CUserPrompts::TakeShown(), QStringList({"Please load mdf file before export"}));
    Trigger("actionSaveScan");
    EXPECT_EQ(CUserPrompts::TakeShown(), QStringList({"Please load mdf file before saving"}));

    // Cancelling the file chooser leaves nothing but the status text.
    Trigger("actionLoad");
    EXPECT_EQ(CUserPrompts::TakeShown(), QStringList({"Load [MDF Files (*.mdf)]"}));
    EXPECT_EQ(m_pWindow->StatusText(), QStringLiteral("Ready"));
    EXPECT_EQ(m_pWindow->Session(), nullptr);
}

TEST_F(CMainWindowTest, LoadingTheSampleFillsTheTreeAndShowsTheCounts) {
    CUserPrompts::SetNextFileName(QString::fromStdString(TestFiles::SamplePath().string()));
    CUserPrompts::SetNextAnswer(false);
    Trigger("actionLoad");
    ASSERT_NE(m_pWindow->ProgressDialog(), nullptr);
    CProgressDlg* pDialog = m_pWindow->ProgressDialog();
    ASSERT_TRUE(WaitFor([&] { return pDialog->RecoveryFinished(); }));
    auto text = [&](const char* pszName) { return pDialog->findChild<QLabel*>(pszName)->text(); };
    EXPECT_EQ(text("lblPercent"), QStringLiteral("100 %"));
    EXPECT_EQ(text("valDatabaseName"), QStringLiteral("Bookstore"));
    EXPECT_EQ(text("valDatabaseVersion"), QStringLiteral("2000 Format"));
    EXPECT_EQ(text("valPagesRead"), QStringLiteral("32"));
    EXPECT_EQ(text("valTables"), QStringLiteral("5 (5)"));
    EXPECT_EQ(text("valViews"), QStringLiteral("1 (1)"));
    EXPECT_EQ(text("valProcedures"), QStringLiteral("2 (2)"));
    EXPECT_EQ(text("valRules"), QStringLiteral("1 (1)"));
    EXPECT_EQ(text("valTriggers"), QStringLiteral("1 (1)"));
    EXPECT_EQ(text("valFunctions"), QStringLiteral("3 (3)"));
    EXPECT_EQ(pDialog->findChild<QPushButton*>("btnStop")->text(), QStringLiteral("Close"));
    // The tree is filled before the counts are shown, while the dialog is still up.
    EXPECT_EQ(m_pWindow->Tree()->Root()->text(0), QStringLiteral("Bookstore(SQL Server 2000)"));

    pDialog->findChild<QPushButton*>("btnStop")->click();
    ASSERT_TRUE(WaitFor([&] { return m_nRecoveriesEnded == 1; }));
    EXPECT_EQ(CUserPrompts::TakeShown(),
              QStringList({"Load [MDF Files (*.mdf)]", "Do you want to save the scanned file"}));
    EXPECT_EQ(m_pWindow->StatusText(), QStringLiteral("Recovery complete"));
    EXPECT_TRUE(m_pWindow->findChild<QAction*>("actionMenuExport")->isEnabled());

    CObjectTree* pTree = m_pWindow->Tree();
    EXPECT_EQ(ChildTexts(pTree->Category(CObjectTree::kTables)),
              QStringList({"Authors", "Books", "Customers", "Orders", "TypeShowcase"}));
    EXPECT_EQ(ChildTexts(pTree->Category(CObjectTree::kViews)), QStringList({"vwBookList"}));
    EXPECT_EQ(ChildTexts(pTree->Category(CObjectTree::kProcedures)),
              QStringList({"spGetBook", "spMonthlyReport"}));
    EXPECT_EQ(ChildTexts(pTree->Category(CObjectTree::kRules)), QStringList({"QuantityRule"}));
    EXPECT_EQ(ChildTexts(pTree->Category(CObjectTree::kTriggers)), QStringList({"trOrdersInsert"}));
    // Functions keep the catalog's order.
    EXPECT_EQ(ChildTexts(pTree->Category(CObjectTree::kFunctions)),
              QStringList({"fnBookCount", "fnBooksByAuthor", "fnOrderSummary"}));
    QTreeWidgetItem* pAuthors = FindNode(CObjectTree::kTables, "Authors");
    EXPECT_TRUE(pAuthors->font(0).bold());
    EXPECT_EQ(ChildTexts(pAuthors), QStringList({"Columns", "Keys", "Indexes"}));
    const QStringList lstColumns = ChildTexts(pAuthors->child(0));
    EXPECT_TRUE(lstColumns.contains("AuthorID (int)")) << lstColumns.join(", ").toStdString();
    EXPECT_TRUE(lstColumns.contains("Zip (char (5))")) << lstColumns.join(", ").toStdString();
    // Keys and indexes with their columns in key order; statistics are no index.
    QTreeWidgetItem* pOrders = FindNode(CObjectTree::kTables, "Orders");
    EXPECT_EQ(ChildTexts(pOrders->child(1)), QStringList({"PK_Orders (OrderID)"}));
    EXPECT_EQ(ChildTexts(pOrders->child(2)),
              QStringList({"PK_Orders (OrderID)", "IX_Orders_Customer (CustomerID, OrderDate)"}));
    EXPECT_EQ(ChildTexts(FindNode(CObjectTree::kTables, "Books")->child(1)),
              QStringList({"PK_Books (BookID)", "UQ_Books_Isbn (Isbn)"}));

    // A procedure shows its text instead of the grid; a category changes nothing.
    pTree->setCurrentItem(FindNode(CObjectTree::kProcedures, "spGetBook"));
    auto* pText = m_pWindow->findChild<QPlainTextEdit*>("objectText");
    EXPECT_FALSE(pText->isHidden());
    EXPECT_TRUE(pText->toPlainText().startsWith("CREATE PROCEDURE"))
        << pText->toPlainText().toStdString();
    pTree->setCurrentItem(pTree->Category(CObjectTree::kViews));
    EXPECT_FALSE(pText->isHidden());
}

// The program's side of the hand-shakes writes its own lines to the execution log: a wait and a
// find for each of the three system-table stages, and the end of the page count.
TEST_F(CMainWindowTest, TheRecoveryWritesTheProgramsProgressLinesToTheExecutionLog) {
    const auto log = CExecutionLog::LogFolder() / "ExecLog.log";
    const std::string strBefore = std::filesystem::exists(log) ? TestFiles::ReadFile(log) : "";
    Recover(TestFiles::SamplePath());
    const std::string strLog = TestFiles::ReadFile(log).substr(strBefore.size());
    auto count = [&](const std::string& strLine) {
        std::size_t nCount = 0;
        for (std::size_t n = strLog.find(strLine); n != std::string::npos;
             n = strLog.find(strLine, n + 1))
            ++nCount;
        return nCount;
    };
    EXPECT_EQ(count("MSG:Waiting for Progress event : -Reading System table\r\n"), 3u) << strLog;
    EXPECT_EQ(count("MSG:Event Fonund for Progress  : -Reading System table\r\n"), 3u);
    EXPECT_EQ(count("MSG:Existing Progress event for Reading Pages\r\n"), 1u);
    EXPECT_LT(strLog.find("Existing Progress event"), strLog.find("Event Fonund"));
}

TEST_F(CMainWindowTest, AnUnknownStampAsksForTheVersionOnceAndBindsThatEngine) {
    const auto path = GuiTest::WriteBigTable(m_dir.Path(), 10, 661);
    CUserPrompts::SetNextFormat(3);
    CUserPrompts::SetNextAnswer(false);
    m_pWindow->SetMdfPath(QString::fromStdString(path.string()));
    m_pWindow->OnRecover();
    CProgressDlg* pDialog = m_pWindow->ProgressDialog();
    ASSERT_NE(pDialog, nullptr);
    EXPECT_EQ(pDialog->findChild<QLabel*>("valDatabaseVersion")->text(),
              QStringLiteral("2008 Format"));
    ASSERT_TRUE(WaitFor([&] { return pDialog->RecoveryFinished(); }));
    pDialog->findChild<QPushButton*>("btnStop")->click();
    ASSERT_TRUE(WaitFor([&] { return m_nRecoveriesEnded == 1; }));
    EXPECT_EQ(m_pWindow->Session()->Engine().FormatVersion(), "2008");
    const QStringList lstShown = CUserPrompts::TakeShown();
    ASSERT_EQ(lstShown.size(), 2) << lstShown.join(" | ").toStdString();
    EXPECT_EQ(lstShown[0], QStringLiteral("Select version"));
    // A file of the 2000 layout has no catalog the 2008 engine can find: nothing is recovered,
    // and the message says so instead of offering to save an empty scan.
    EXPECT_TRUE(lstShown[1].contains("parts of its catalog could not be read"))
        << lstShown[1].toStdString();
    EXPECT_EQ(m_pWindow->Tree()->Root()->text(0), QStringLiteral("Paging(SQL Server 2008)"));
}

TEST_F(CMainWindowTest, CancellingTheVersionQuestionKeepsEverythingAsItWas) {
    Recover(TestFiles::SamplePath());
    CEngineSession* pBefore = m_pWindow->Session();
    const QString strTree = GuiTest::TreeText(m_pWindow->Tree()->Root());
    SelectTable("Books");

    const auto path = GuiTest::WriteBigTable(m_dir.Path(), 10, 661);
    CUserPrompts::SetNextFormat(0);
    m_pWindow->SetMdfPath(QString::fromStdString(path.string()));
    m_pWindow->OnRecover();
    EXPECT_EQ(CUserPrompts::TakeShown(), QStringList({"Select version"}));
    EXPECT_EQ(m_pWindow->ProgressDialog(), nullptr);
    EXPECT_EQ(m_pWindow->Session(), pBefore);
    EXPECT_EQ(GuiTest::TreeText(m_pWindow->Tree()->Root()), strTree);
    EXPECT_EQ(LabelText("lblRecordCount"), QStringLiteral("40"));
    EXPECT_EQ(m_pWindow->StatusText(), QStringLiteral("Ready"));
    EXPECT_TRUE(m_pWindow->findChild<QAction*>("actionMenuExport")->isEnabled());
}

TEST_F(CMainWindowTest, AFileThatCannotBeOpenedIsNamedWithoutAVersionQuestion) {
    m_pWindow->SetMdfPath(QString::fromStdString((m_dir / "missing.mdf").string()));
    m_pWindow->OnRecover();
    const QStringList lstShown = CUserPrompts::TakeShown();
    ASSERT_EQ(lstShown.size(), 1);
    EXPECT_TRUE(lstShown[0].contains("missing.mdf cannot be opened")) << lstShown[0].toStdString();
    EXPECT_EQ(m_pWindow->Session(), nullptr);
    EXPECT_EQ(m_pWindow->StatusText(), QStringLiteral("Ready"));

    m_pWindow->OpenPath(QString::fromStdString((m_dir / "gone.str").string()));
    EXPECT_TRUE(CUserPrompts::TakeShown().join("").contains("does not exist"));
}

TEST_F(CMainWindowTest, StopEndsASlowScanWithinASecondAndRefusesSaveAndExport) {
    const auto path = WriteManyPages(m_dir.Path());
    m_pWindow->SetRecoveryPacing(SlowPacing());
    m_pWindow->SetMdfPath(QString::fromStdString(path.string()));
    m_pWindow->OnRecover();
    CProgressDlg* pDialog = m_pWindow->ProgressDialog();
    ASSERT_NE(pDialog, nullptr);
    auto* pPercent = pDialog->findChild<QLabel*>("lblPercent");
    ASSERT_TRUE(WaitFor([&] { return pPercent->text() != QStringLiteral("0 %"); }));
    ASSERT_FALSE(pDialog->RecoveryFinished());

    // No keeps the scan running.
    CUserPrompts::SetNextAnswer(false);
    pDialog->findChild<QPushButton*>("btnStop")->click();
    EXPECT_EQ(pDialog->findChild<QPushButton*>("btnStop")->text(), QStringLiteral("Stop"));
    EXPECT_TRUE(m_pWindow->Session()->IsBusy());

    CUserPrompts::TakeShown();
    CUserPrompts::SetNextAnswer(true);
    QElapsedTimer timer;
    timer.start();
    pDialog->findChild<QPushButton*>("btnStop")->click();
    ASSERT_TRUE(WaitFor([&] { return m_nRecoveriesEnded == 1; }, 5000));
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_EQ(m_pWindow->ProgressDialog(), nullptr);
    EXPECT_FALSE(m_pWindow->Session()->IsBusy());
    EXPECT_EQ(m_pWindow->Session()->Source(), CEngineSession::ESource::Stopped);
    EXPECT_EQ(CUserPrompts::TakeShown(),
              QStringList({"Are you sure you want stop the recovery process ?"}));
    EXPECT_EQ(m_pWindow->StatusText(), QStringLiteral("Recovery complete"));
    EXPECT_EQ(m_pWindow->Tree()->Category(CObjectTree::kTables)->childCount(), 0);

    // A stopped scan is neither saved nor exported.
    EXPECT_FALSE(m_pWindow->findChild<QAction*>("actionMenuExport")->isEnabled());
    Trigger("actionSaveScan");
    EXPECT_TRUE(CUserPrompts::TakeShown().join("").contains("stopped scan cannot be saved"));
    Trigger("actionExport");
    EXPECT_TRUE(CUserPrompts::TakeShown().join("").contains("recovery was stopped"));
}

TEST_F(CMainWindowTest, TheCloseBoxOfTheProgressDialogStopsAfterTheQuestion) {
    const auto path = WriteManyPages(m_dir.Path());
    m_pWindow->SetRecoveryPacing(SlowPacing());
    m_pWindow->SetMdfPath(QString::fromStdString(path.string()));
    m_pWindow->OnRecover();
    CProgressDlg* pDialog = m_pWindow->ProgressDialog();
    ASSERT_NE(pDialog, nullptr);
    CUserPrompts::SetNextAnswer(true);
    const QString strStatus = m_pWindow->StatusText();
    pDialog->close();
    // The dialog stays until the work has ended, then goes with the cancel result.
    ASSERT_TRUE(WaitFor([&] { return m_nRecoveriesEnded == 1; }, 5000));
    EXPECT_EQ(m_pWindow->StatusText(), strStatus);
    EXPECT_EQ(m_pWindow->Session()->Source(), CEngineSession::ESource::Stopped);
}

TEST_F(CMainWindowTest, ExitDuringARecoveryAsksThenStopsAndJoinsBeforeTheWindowGoes) {
    const auto path = WriteManyPages(m_dir.Path());
    m_pWindow->SetRecoveryPacing(SlowPacing());
    m_pWindow->SetMdfPath(QString::fromStdString(path.string()));
    m_pWindow->OnRecover();
    ASSERT_NE(m_pWindow->ProgressDialog(), nullptr);
    CUserPrompts::TakeShown();

    CUserPrompts::SetNextAnswer(false);
    EXPECT_FALSE(m_pWindow->close());
    EXPECT_NE(m_pWindow->Session(), nullptr);

    CUserPrompts::SetNextAnswer(true);
    QElapsedTimer timer;
    timer.start();
    EXPECT_TRUE(m_pWindow->close());
    EXPECT_LT(timer.elapsed(), 1500);
    EXPECT_EQ(m_pWindow->Session(), nullptr);
    EXPECT_EQ(m_pWindow->ProgressDialog(), nullptr);
    EXPECT_EQ(CUserPrompts::TakeShown(),
              QStringList({"Are you sure you want to close the application ?",
                           "Are you sure you want to close the application ?"}));
}

TEST_F(CMainWindowTest, AMissingSystemTableIsReportedAsDamage) {
    fixtures::CDataFileBuilder builder("NoComments");
    const std::uint32_t nTable = builder.AddTable("T", {{"Id", fixtures::kTypeInt, 4}});
    builder.AddRow(nTable, {fixtures::EncodeInt32(1)});
    builder.AddObject("V", "vw", "CREATE VIEW vw AS SELECT 1");
    builder.OmitSystemTable(6);
    builder.WriteTo(m_dir / "nocomments.mdf");
    Recover(m_dir / "nocomments.mdf");
    ASSERT_EQ(m_pWindow->Damage().size(), 1u);
    EXPECT_EQ(m_pWindow->Damage()[0].strObject, "syscomments");
    EXPECT_EQ(LabelText("statusDamage"), QStringLiteral("1 damage reports"));
    Trigger("actionDamageReport");
    auto* pTable = m_pWindow->findChild<QTableWidget*>("damageTable");
    ASSERT_NE(pTable, nullptr);
    EXPECT_EQ(pTable->rowCount(), 1);
    EXPECT_EQ(pTable->item(0, 2)->text(), QStringLiteral("syscomments"));
}

// The real files beside the project (skipped where they are not).
TEST_F(CMainWindowTest, TheRealFileRecoversAndItsTablePagesWithoutChangingTheFile) {
    const auto path = TestFiles::RealReviewsFile();
    if (path.empty())
        GTEST_SKIP() << "reviews2000.mdf is not beside the project";
    const std::string strSha1 = TestFiles::Sha1OfFile(path);
    Recover(path);
    EXPECT_EQ(m_pWindow->Tree()->Root()->text(0), QStringLiteral("ReviewsDB(SQL Server 2000)"));
    EXPECT_EQ(m_pWindow->Tree()->Category(CObjectTree::kProcedures)->childCount(), 35);
    SelectTable("tabReviews");
    const CRecordGridModel& model = *m_pWindow->GridModel();
    EXPECT_EQ(model.rowCount(), 6);
    EXPECT_EQ(LabelText("lblRecordCount"), QStringLiteral("6"));
    EXPECT_FALSE(ButtonEnabled("btnNextPage"));
    for (int r = 0; r < model.rowCount(); ++r) {
        for (int c = 0; c < model.columnCount(); ++c) {
            EXPECT_NE(model.index(r, c).data(CRecordGridModel::kKindRole).toInt(),
                      static_cast<int>(EGridValueKind::Corrupt));
        }
    }
    EXPECT_EQ(model.index(0, 2).data().toString(), QStringLiteral("Fabio"));
    EXPECT_EQ(TestFiles::Sha1OfFile(path), strSha1);
}

TEST_F(CMainWindowTest, A2005FileBindsItsEngineWithoutAQuestionAndShowsItsTables) {
    const auto path = std::filesystem::path(AMBERMILL_SHARED_DATA_DIR) / "littleitaly2005.mdf";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "littleitaly2005.mdf is not beside the project";
    const std::string strSha1 = TestFiles::Sha1OfFile(path);
    const QStringList lstShown = Recover(path);
    ASSERT_EQ(lstShown.size(), 1) << lstShown.join(" | ").toStdString();
    EXPECT_EQ(lstShown[0], QStringLiteral("Do you want to save the scanned file"));
    EXPECT_EQ(m_pWindow->Session()->Engine().FormatVersion(), "2005");
    EXPECT_EQ(m_pWindow->Tree()->Root()->text(0),
              QStringLiteral("LittleItalyVineyard(SQL Server 2005)"));
    EXPECT_EQ(m_pWindow->Tree()->Category(CObjectTree::kTables)->childCount(), 12);
    EXPECT_EQ(m_pWindow->Tree()->Category(CObjectTree::kProcedures)->childCount(), 35);
    // Keys and foreign keys under "Keys", the key's index under "Indexes".
    QTreeWidgetItem* pDetails = FindNode(CObjectTree::kTables, "OrderDetails");
    EXPECT_EQ(ChildTexts(pDetails->child(1)),
              QStringList({"PK_OrderDetails (OrderDetailID)",
                           "FK_OrderDetails_Products (ProductID) \u2192 Products (ProductID)",
                           "FK_OrderDetails_Orders (OrderID) \u2192 Orders (OrderID)"}));
    EXPECT_EQ(ChildTexts(pDetails->child(2)), QStringList({"PK_OrderDetails (OrderDetailID)"}));
    SelectTable("Products");
    const CRecordGridModel& model = *m_pWindow->GridModel();
    ASSERT_EQ(model.rowCount(), 9);
    EXPECT_EQ(model.index(0, 2).data().toString(), QStringLiteral("Merlot"));
    EXPECT_EQ(model.index(0, 5).data().toString(), QStringLiteral("000025.9900"));
    EXPECT_EQ(TestFiles::Sha1OfFile(path), strSha1);
}
