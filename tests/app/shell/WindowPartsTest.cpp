// tests/app/shell/WindowPartsTest.cpp
// The window's smaller parts: the command line, the splitter's range, the splash, help and
// support addresses, the recent files and the damage report's CSV.
#include <QDesktopServices>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSplitter>
#include <QTest>

#include "GuiTestSupport.h"
#include "app/shell/CAmbermillApp.h"
#include "app/shell/CDamageReportDlg.h"
#include "app/shell/CObjectTree.h"
#include "app/shell/CRecentFiles.h"
#include "app/shell/CSplashScreen.h"
#include "app/shell/CSqlFormatOptDlg.h"
#include "app/shell/CTabStrip.h"
#include "app/shell/CUserPrompts.h"

namespace {
using GuiTest::CMainWindowTest;
using GuiTest::WaitFor;

// Receives the addresses the window asks the desktop to open.
class CUrlCatcher : public QObject {
    Q_OBJECT

  public:
    QList<QUrl> m_lstUrls;

  public slots:
    void OpenUrl(const QUrl& url) { m_lstUrls << url; }
};

void Drag(QSplitter* pSplitter, int nDistance) {
    QWidget* pHandle = pSplitter->handle(1);
    const QPoint start = pHandle->rect().center();
    QTest::mousePress(pHandle, Qt::LeftButton, Qt::NoModifier, start);
    QMouseEvent move(QEvent::MouseMove, QPointF(start + QPoint(nDistance, 0)),
                     pHandle->mapToGlobal(QPointF(start + QPoint(nDistance, 0))), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(pHandle, &move);
    QTest::mouseRelease(pHandle, Qt::LeftButton, Qt::NoModifier, start + QPoint(nDistance, 0));
}
}  // namespace

TEST(CommandLine, BadOptionsAreReportedWithoutEndingTheProgram) {
    auto parse = [](const QStringList& lstArgs) {
        return CAmbermillApp::ParseCommandLine(QStringList{"ambermill"} + lstArgs);
    };
    EXPECT_TRUE(parse({}).strFile.isEmpty());
    EXPECT_TRUE(parse({}).strError.isEmpty());
    const auto file = parse({"--no-splash", "/data/x.mdf"});
    EXPECT_TRUE(file.bNoSplash);
    EXPECT_EQ(file.strFile, QStringLiteral("/data/x.mdf"));
    EXPECT_TRUE(parse({"--bogus"}).strError.contains("bogus"));
    EXPECT_FALSE(parse({"a.mdf", "b.mdf"}).strError.isEmpty());
    EXPECT_TRUE(parse({"--help"}).bHelp);
    EXPECT_TRUE(parse({"--help"}).strHelp.contains("--no-splash"));
}

TEST_F(CMainWindowTest, TheSplitterMovesOnlyWithinItsRange) {
    auto* pSplitter = m_pWindow->findChild<QSplitter*>("mainSplitter");
    ASSERT_NE(pSplitter, nullptr);
    const int nStart = m_pWindow->Tree()->width();
    const int nRight = pSplitter->widget(1)->width();
    Drag(pSplitter, 300);
    EXPECT_EQ(m_pWindow->Tree()->width(),
              CAmbermillDlg::kTreeWidth + CAmbermillDlg::kSplitterRight);
    EXPECT_EQ(pSplitter->widget(1)->width(), nRight - (m_pWindow->Tree()->width() - nStart));
    Drag(pSplitter, -600);
    EXPECT_EQ(m_pWindow->Tree()->width(), CAmbermillDlg::kTreeWidth - CAmbermillDlg::kSplitterLeft);
}

TEST_F(CMainWindowTest, HelpAndSupportOpenTheHelpPageBesideTheProgram) {
    CUrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "OpenUrl");
    Trigger("actionHelp");
    Trigger("actionSupport");
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.m_lstUrls.size(), 2);
    EXPECT_TRUE(catcher.m_lstUrls[0].toLocalFile().endsWith("help/index.html"))
        << catcher.m_lstUrls[0].toString().toStdString();
    EXPECT_TRUE(QFileInfo::exists(catcher.m_lstUrls[0].toLocalFile()));
    EXPECT_EQ(catcher.m_lstUrls[1].fragment(), QStringLiteral("support"));
    // The page has the section the Support command points to.
    const std::string strPage =
        TestFiles::ReadFile(catcher.m_lstUrls[0].toLocalFile().toStdString());
    EXPECT_NE(strPage.find("id=\"support\""), std::string::npos);
}

TEST_F(CMainWindowTest, TheSplashGoesAfterTwoSecondsOrWhenADialogOpens) {
    QPointer<CSplashScreen> pSplash = CSplashScreen::Show(m_pWindow.get());
    EXPECT_TRUE(pSplash->isVisible());
    // The window works meanwhile: a command runs at once.
    Trigger("actionExport");
    EXPECT_EQ(CUserPrompts::TakeShown(), QStringList({"Please load mdf file before export"}));
    EXPECT_TRUE(WaitFor([&] { return pSplash.isNull(); }, CSplashScreen::kShowMs + 1500));

    pSplash = CSplashScreen::Show(m_pWindow.get());
    CSplashScreen::DismissAll();
    EXPECT_TRUE(WaitFor([&] { return pSplash.isNull(); }, 500));
}

TEST_F(CMainWindowTest, TabCaptionsFollowTheSelection) {
    auto* pTabs = m_pWindow->findChild<CTabStrip*>("tabStrip");
    EXPECT_EQ(pTabs->count(), 1);
    EXPECT_EQ(pTabs->Caption(), QString(26, QLatin1Char(' ')));
    EXPECT_TRUE(pTabs->font().bold());
    Recover(TestFiles::SamplePath());
    EXPECT_EQ(pTabs->Caption(), QString(28, QLatin1Char(' ')));
    SelectTable("Orders");
    EXPECT_EQ(pTabs->Caption(), QStringLiteral("  Orders  "));
    EXPECT_EQ(pTabs->count(), 1);
}

TEST(VersionDialog, AnswersWithTheFormatCodeOfTheCheckedButton) {
    // 2000 is checked when it opens; OK answers 1, the other buttons 2 and 3, Cancel 0.
    const std::pair<const char*, int> arrCases[] = {
        {"radio2000", 1}, {"radio2005", 2}, {"radio2008", 3}};
    for (const auto& [pszButton, nCode] : arrCases) {
        CSqlFormatOptDlg dialog;
        dialog.findChild<QRadioButton*>(QLatin1String(pszButton))->setChecked(true);
        dialog.accept();
        EXPECT_EQ(dialog.m_nFormat, nCode) << pszButton;
    }
    CSqlFormatOptDlg cancelled;
    cancelled.reject();
    EXPECT_EQ(cancelled.m_nFormat, 0);
}

TEST(RecentFiles, KeepsTheLastEightExistingFilesNewestFirst) {
    TestFiles::CTempDir dir;
    CRecentFiles recent;
    std::vector<QString> vecFiles;
    for (int i = 0; i < 10; ++i) {
        vecFiles.push_back(
            QString::fromStdString((dir / ("f" + std::to_string(i) + ".mdf")).string()));
        TestFiles::WriteFile(vecFiles.back().toStdString(), "x");
        recent.Add(vecFiles.back());
    }
    recent.Add(vecFiles[5]);
    QStringList lstFiles = recent.Files();
    ASSERT_EQ(lstFiles.size(), CRecentFiles::kMaxFiles);
    EXPECT_EQ(lstFiles[0], vecFiles[5]);
    EXPECT_EQ(lstFiles[1], vecFiles[9]);
    EXPECT_FALSE(lstFiles.contains(vecFiles[0]));

    // Kept across runs through the settings; a file removed meanwhile is dropped.
    QSettings settings(QString::fromStdString((dir / "recent.ini").string()), QSettings::IniFormat);
    recent.Save(settings);
    std::filesystem::remove(vecFiles[9].toStdString());
    CRecentFiles later;
    later.Load(settings);
    lstFiles = later.Files();
    EXPECT_EQ(lstFiles.size(), CRecentFiles::kMaxFiles - 1);
    EXPECT_EQ(lstFiles[0], vecFiles[5]);
    EXPECT_FALSE(lstFiles.contains(vecFiles[9]));
}

TEST(DamageReport, SummaryAndCsvNameEveryRecord) {
    EXPECT_TRUE(CDamageReportDlg::Summary({}).isEmpty());
    std::vector<SDamageRecord> vecRecords(4);
    vecRecords[0] = {12, 3, 301, "Orders", "row offset outside the page", 40};
    vecRecords[1] = {12, 7, 301, "Orders", "row offset outside the page", 40};
    vecRecords[2] = {90, 0, 301, "Orders", "torn page, \"bits\" restored", 0};
    vecRecords[3] = {
        SDamageRecord::kNoPage, SDamageRecord::kNoSlot, 6, "syscomments", "not found", 0};
    EXPECT_EQ(CDamageReportDlg::Summary(vecRecords),
              QStringLiteral("2 damaged pages: 3 rows skipped"));
    EXPECT_EQ(CDamageReportDlg::CsvText(vecRecords),
              QStringLiteral("page,slot,object,what,bytes\r\n"
                             "12,3,\"Orders\",\"row offset outside the page\",40\r\n"
                             "12,7,\"Orders\",\"row offset outside the page\",40\r\n"
                             "90,0,\"Orders\",\"torn page, \"\"bits\"\" restored\",0\r\n"
                             ",,\"syscomments\",\"not found\",0\r\n"));

    TestFiles::CTempDir dir;
    CDamageReportDlg dialog;
    dialog.SetRecords(vecRecords);
    CUserPrompts::SetNextFileName(QString::fromStdString((dir / "damage.csv").string()));
    dialog.findChild<QPushButton*>("btnSaveDamage")->click();
    EXPECT_EQ(QString::fromStdString(TestFiles::ReadFile(dir / "damage.csv")),
              CDamageReportDlg::CsvText(vecRecords));
    QString strError;
    EXPECT_FALSE(
        dialog.SaveCsv(QString::fromStdString((dir / "none" / "x.csv").string()), strError));
    EXPECT_TRUE(strError.contains("x.csv")) << strError.toStdString();
    CUserPrompts::TakeShown();
}

#include "WindowPartsTest.moc"
