// tests/app/shell/ScanCommandsTest.cpp
// Save Scan and Open Scan in the window: a scan saved here fills the same tree when opened (and
// opens in the command-line tool), and a file that is no scan or a damaged one changes nothing.
#include <QAction>
#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTreeWidgetItem>

#include "GuiTestSupport.h"
#include "app/shell/CObjectTree.h"
#include "app/shell/CRecordGridModel.h"
#include "app/shell/CUserPrompts.h"
#include "engine/core/CSQLServerEngine.h"

namespace {
using GuiTest::CMainWindowTest;
using GuiTest::WaitFor;
}  // namespace

TEST_F(CMainWindowTest, AScanSavedAfterARecoveryOpensIntoTheSameTree) {
    const QString strScan = QString::fromStdString((m_dir / "bookstore").string());
    const QStringList lstShown = Recover(TestFiles::SamplePath(), true, strScan);
    EXPECT_EQ(lstShown, QStringList({"Do you want to save the scanned file",
                                     "Save Scan [Scan Files (*.str)]"}));
    // The suffix is added when the name has none.
    const auto scanPath = m_dir / "bookstore.str";
    ASSERT_TRUE(std::filesystem::exists(scanPath));
    const QString strTree = GuiTest::TreeText(m_pWindow->Tree()->Root());
    CEngineSession* pRecovered = m_pWindow->Session();

    CUserPrompts::SetNextFileName(QString::fromStdString(scanPath.string()));
    Trigger("actionOpenScan");
    EXPECT_EQ(CUserPrompts::TakeShown(),
              QStringList({"Open Scan [Scan Files (*.str)]", "Load Complete"}));
    EXPECT_NE(m_pWindow->Session(), pRecovered);
    EXPECT_EQ(m_pWindow->Session()->Source(), CEngineSession::ESource::ScanFile);
    EXPECT_EQ(GuiTest::TreeText(m_pWindow->Tree()->Root()), strTree);
    EXPECT_EQ(m_pWindow->StatusText(), QStringLiteral("Ready"));
    EXPECT_TRUE(m_pWindow->findChild<QAction*>("actionMenuExport")->isEnabled());

    // Records come from the data file the scan names.
    SelectTable("Authors");
    EXPECT_EQ(m_pWindow->GridModel()->rowCount(), 20);

    // The command-line tool reads the same scan.
    const auto cli = TestFiles::RunCli({"catalog", scanPath.string(), "--no-progress"});
    EXPECT_EQ(cli.nExitCode, 0) << cli.strErr;
    EXPECT_NE(cli.strOut.find("TypeShowcase"), std::string::npos);
}

TEST_F(CMainWindowTest, AFileThatIsNoScanOrADamagedScanKeepsTheTreeAndEngine) {
    const QString strScan = QString::fromStdString((m_dir / "good.str").string());
    Recover(TestFiles::SamplePath(), true, strScan);
    CEngineSession* pBefore = m_pWindow->Session();
    const QString strTree = GuiTest::TreeText(m_pWindow->Tree()->Root());

    TestFiles::WriteFile(m_dir / "text.str", "just some text\n");
    CUserPrompts::SetNextFileName(QString::fromStdString((m_dir / "text.str").string()));
    Trigger("actionOpenScan");
    EXPECT_EQ(CUserPrompts::TakeShown(), QStringList({"Open Scan [Scan Files (*.str)]",
                                                      "The selected file is not an str file."}));
    EXPECT_EQ(m_pWindow->Session(), pBefore);
    EXPECT_EQ(GuiTest::TreeText(m_pWindow->Tree()->Root()), strTree);
    EXPECT_EQ(m_pWindow->StatusText(), QStringLiteral("Ready"));

    const std::string strGood = TestFiles::ReadFile(m_dir / "good.str");
    TestFiles::WriteFile(m_dir / "cut.str", strGood.substr(0, strGood.size() / 2));
    CUserPrompts::SetNextFileName(QString::fromStdString((m_dir / "cut.str").string()));
    Trigger("actionOpenScan");
    const QStringList lstShown = CUserPrompts::TakeShown();
    ASSERT_EQ(lstShown.size(), 2);
    EXPECT_TRUE(lstShown[1].startsWith("The scan file could not be loaded:"))
        << lstShown[1].toStdString();
    EXPECT_TRUE(lstShown[1].contains("cut.str")) << lstShown[1].toStdString();
    EXPECT_EQ(m_pWindow->Session(), pBefore);
    EXPECT_EQ(GuiTest::TreeText(m_pWindow->Tree()->Root()), strTree);

    // The kept engine still browses.
    SelectTable("Orders");
    EXPECT_EQ(m_pWindow->GridModel()->rowCount(), 120);
}

TEST_F(CMainWindowTest, SaveScanAfterOnlyOpeningAScanAsksForADataFileFirst) {
    const QString strScan = QString::fromStdString((m_dir / "s.str").string());
    Recover(TestFiles::SamplePath(), true, strScan);
    // A fresh window has no data file chosen: the opened scan alone is not saved again.
    m_pTester.reset();
    m_pWindow = std::make_unique<CAmbermillDlg>();
    m_pWindow->show();
    m_pWindow->OpenPath(strScan);
    EXPECT_EQ(CUserPrompts::TakeShown().last(), QStringLiteral("Load Complete"));
    EXPECT_EQ(m_pWindow->Tree()->Root()->text(0), QStringLiteral("Bookstore"));
    Trigger("actionSaveScan");
    EXPECT_EQ(CUserPrompts::TakeShown(), QStringList({"Please load mdf file before saving"}));
}

TEST_F(CMainWindowTest, DroppedFilesOpenAsScanOrDataFile) {
    const QString strScan = QString::fromStdString((m_dir / "drop.str").string());
    Recover(TestFiles::SamplePath(), true, strScan);
    CUserPrompts::TakeShown();

    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(strScan)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_pWindow.get(), &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_pWindow.get(), &drop);
    ASSERT_TRUE(WaitFor([] { return !CUserPrompts::TakeShown().isEmpty(); }));
    EXPECT_EQ(m_pWindow->Session()->Source(), CEngineSession::ESource::ScanFile);

    // Two files at once are not taken.
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(strScan), QUrl::fromLocalFile(strScan)});
    QDragEnterEvent enterTwo(QPoint(10, 10), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
    enterTwo.ignore();
    QApplication::sendEvent(m_pWindow.get(), &enterTwo);
    EXPECT_FALSE(enterTwo.isAccepted());
}
