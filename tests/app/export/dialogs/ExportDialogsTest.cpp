// tests/app/export/dialogs/ExportDialogsTest.cpp
// The export dialogs driven from the main window as a user would: the selection tree's check
// rules, the messages that keep the option dialog open, a scripts export that writes what the
// command-line tool writes, a database export into SQLite with its CSV report, and a stop.
#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <set>
#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "GuiTestSupport.h"
#include "app/export/dialogs/CExportOptionDlg.h"
#include "app/export/dialogs/CExportProgressDlg.h"
#include "app/export/job/CConnectString.h"
#include "app/export/job/CExportPausePoint.h"
#include "app/shell/CObjectTree.h"
#include "app/shell/CUserPrompts.h"
#include "engine/scripts/SqliteOdbc.h"
#include "fixtures/CDataFileBuilder.h"
#include "fixtures/ValueEncoding.h"

namespace fs = std::filesystem;

namespace {
using GuiTest::CMainWindowTest;
using GuiTest::WaitFor;

class ExportDialogs : public CMainWindowTest {
  protected:
    CExportOptionDlg* OpenOptions() {
        Trigger("actionMenuExport");
        CExportOptionDlg* pDialog = m_pWindow->ExportOptionDialog();
        EXPECT_NE(pDialog, nullptr);
        return pDialog;
    }
    template <typename T>
    T* Child(QObject* pParent, const char* pszName) {
        T* pChild = pParent->findChild<T*>(QLatin1String(pszName));
        EXPECT_NE(pChild, nullptr) << pszName;
        return pChild;
    }
    void Click(QObject* pParent, const char* pszButton) {
        // click() rather than a mouse click at the centre: a stretched radio button's centre
        // lies beyond its label.
        Child<QAbstractButton>(pParent, pszButton)->click();
    }
    // Waits for the export job to end; the progress dialog stays open on its result.
    CExportProgressDlg* WaitForJob() {
        CExportProgressDlg* pProgress = m_pWindow->ExportProgressDialog();
        EXPECT_NE(pProgress, nullptr);
        if (pProgress) {
            EXPECT_TRUE(WaitFor([&] { return !pProgress->JobRunning(); }, 120000));
        }
        return pProgress;
    }
    static std::set<std::string> FilesBelow(const fs::path& folder) {
        std::set<std::string> setFiles;
        for (const auto& entry : fs::recursive_directory_iterator(folder)) {
            if (entry.is_regular_file())
                setFiles.insert(fs::relative(entry.path(), folder).string());
        }
        return setFiles;
    }
    // Files of this process open below folder (or the file itself), from its descriptors.
    static std::vector<std::string> OpenFilesBelow(const fs::path& path) {
        std::vector<std::string> vecOpen;
        std::error_code ec;
        for (const auto& entry : fs::directory_iterator("/proc/self/fd", ec)) {
            const fs::path target = fs::read_symlink(entry.path(), ec);
            if (!ec && target.string().starts_with(path.string()))
                vecOpen.push_back(target.string());
        }
        return vecOpen;
    }
    static fs::path OnlyFolderIn(const fs::path& parent) {
        fs::path found;
        for (const auto& entry : fs::directory_iterator(parent))
            found = entry.path();
        return found;
    }
};

#if defined(__SANITIZE_ADDRESS__)
struct CDriverLeaksIgnored {
    CDriverLeaksIgnored() { __lsan_disable(); }
    ~CDriverLeaksIgnored() { __lsan_enable(); }
};
#else
struct CDriverLeaksIgnored {};
#endif

// SQLite's driver, given no database, makes a file in the working directory named after the
// whole connect string, password included: it must land in the test's own folder.
class CWorkingDirectory {
  public:
    explicit CWorkingDirectory(const fs::path& dir) : m_previous(fs::current_path()) {
        fs::current_path(dir);
    }
    ~CWorkingDirectory() { fs::current_path(m_previous); }
    CWorkingDirectory(const CWorkingDirectory&) = delete;
    CWorkingDirectory& operator=(const CWorkingDirectory&) = delete;

  private:
    fs::path m_previous;
};

Qt::CheckState State(const QTreeWidgetItem* pItem) {
    return pItem->checkState(0);
}
}  // namespace

TEST_F(ExportDialogs, CheckRulesOfTheSelectionTree) {
    Recover(TestFiles::SamplePath());
    CExportOptionDlg* pDialog = OpenOptions();
    ASSERT_NE(pDialog, nullptr);
    QTreeWidget* pTree = pDialog->SelectionTree();
    QTreeWidgetItem* pRoot = pTree->topLevelItem(0);
    ASSERT_EQ(pRoot->childCount(), 6);
    QTreeWidgetItem* pTables = pRoot->child(0);
    EXPECT_EQ(pTables->text(0), "TABLES");
    EXPECT_EQ(pRoot->child(2)->text(0), "STORED PROCEDURE");
    EXPECT_FALSE(pRoot->child(4)->isExpanded());  // TRIGGERS
    ASSERT_GE(pTables->childCount(), 2);
    EXPECT_EQ(State(pRoot), Qt::Checked);

    // Unchecking one table unchecks TABLES and the root; checking it again leaves both so.
    pTables->child(0)->setCheckState(0, Qt::Unchecked);
    EXPECT_EQ(State(pTables), Qt::Unchecked);
    EXPECT_EQ(State(pRoot), Qt::Unchecked);
    EXPECT_EQ(State(pTables->child(1)), Qt::Checked);
    pTables->child(0)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(State(pTables), Qt::Unchecked);
    EXPECT_EQ(State(pRoot), Qt::Unchecked);
    // Checking the category checks its children, and the root once all six are checked.
    pTables->setCheckState(0, Qt::Checked);
    EXPECT_EQ(State(pRoot), Qt::Checked);

    // Space toggles every selected item.
    pTree->setFocus();
    pTree->clearSelection();
    pTables->child(0)->setSelected(true);
    pTables->child(1)->setSelected(true);
    pTree->setCurrentItem(pTables->child(1), 0, QItemSelectionModel::NoUpdate);
    QTest::keyClick(pTree, Qt::Key_Space);
    EXPECT_EQ(State(pTables->child(0)), Qt::Unchecked);
    EXPECT_EQ(State(pTables->child(1)), Qt::Unchecked);
    Click(pDialog, "btnSelectAll");
    EXPECT_EQ(State(pTables->child(0)), Qt::Checked);
    EXPECT_EQ(State(pRoot), Qt::Checked);

    // Nothing checked still confirms; the job finds six empty lists and writes an empty bundle.
    Click(pDialog, "btnSelectNone");
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(State(pRoot->child(i)), Qt::Unchecked);
    Click(pDialog, "rbScripts");
    CUserPrompts::TakeShown();
    CUserPrompts::SetNextAnswer(false);  // no deleted records
    CUserPrompts::SetNextFileName(QString::fromStdString(m_dir.Path().string()));
    Click(pDialog, "btnExportSave");
    CExportProgressDlg* pProgress = WaitForJob();
    ASSERT_NE(pProgress, nullptr);
    EXPECT_EQ(pProgress->State(), CExportProgressDlg::EState::Finished);
    const fs::path bundle = pProgress->Result().bundleFolder;
    EXPECT_TRUE(fs::exists(bundle / "Bookstore.bat"));
    EXPECT_FALSE(fs::exists(bundle / "Views.sql"));
    EXPECT_TRUE(!fs::exists(bundle / "Tables") || fs::is_empty(bundle / "Tables"));
    EXPECT_TRUE(pProgress->findChild<QWidget*>("lblNote")->isVisible());
    Click(pProgress, "btnExportClose");
    EXPECT_TRUE(WaitFor([&] { return m_pWindow->ExportProgressDialog() == nullptr; }));
}

TEST_F(ExportDialogs, InvalidInputKeepsTheOptionDialogOpenAndNeverShowsThePassword) {
    if (!SqliteOdbc::Available())
        GTEST_SKIP() << "SQLite ODBC driver not installed";
    SqliteOdbc::Register();
    Recover(TestFiles::SamplePath());
    CExportOptionDlg* pDialog = OpenOptions();
    ASSERT_NE(pDialog, nullptr);
    EXPECT_EQ(Child<QLineEdit>(pDialog, "edPassword")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(Child<QLineEdit>(pDialog, "edDatabase")->text(), "Bookstore_Recovered");
    CUserPrompts::TakeShown();

    Click(pDialog, "btnExportSave");
    Child<QLineEdit>(pDialog, "edServer")->setText("localhost");
    Child<QLineEdit>(pDialog, "edDatabase")->clear();
    Click(pDialog, "btnExportSave");
    EXPECT_EQ(CUserPrompts::TakeShown(), QStringList({" Server Name field cannot be empty ",
                                                      " Database Name field cannot be empty "}));
    EXPECT_TRUE(pDialog->isVisible());

    // "Create database" refused (SQLite has no such statement): the driver's message, without
    // the password, and the dialog stays open.
    const QString strSecret = QStringLiteral("s3cr;et}pw");
    Child<QLineEdit>(pDialog, "edPassword")->setText(strSecret);
    Child<QLineEdit>(pDialog, "edDatabase")
        ->setText(QString::fromStdString((m_dir / "x.db").string()));
    CUserPrompts::SetNextAnswer(false);
    {
        // SQLite's driver keeps a few bytes of a connection opened without a database file; it
        // is unloaded before the leak check can name it. Our handles are freed (checked by the
        // other tests, which open and close SQLite connections under the same leak check).
        [[maybe_unused]] CDriverLeaksIgnored ignore;
        const CWorkingDirectory inTestFolder(m_dir.Path());
        Click(pDialog, "btnExportSave");
    }
    const QStringList lstShown = CUserPrompts::TakeShown();
    ASSERT_EQ(lstShown.size(), 2) << lstShown.join("|").toStdString();
    EXPECT_TRUE(lstShown[1].startsWith("The database ")) << lstShown[1].toStdString();
    EXPECT_TRUE(lstShown[1].contains("[SQLite]")) << lstShown[1].toStdString();
    EXPECT_FALSE(lstShown.join("|").contains(strSecret));
    EXPECT_TRUE(pDialog->isVisible());
    EXPECT_FALSE(pDialog->m_bConfirmed);
    // The workers' connect string keeps the password one value.
    EXPECT_NE(pDialog->WorkerConnectString().find(";PWD={s3cr;et}}pw};DATABASE="),
              std::string::npos);

    // Scripts with the folder chooser cancelled: still open, nothing confirmed.
    Click(pDialog, "rbScripts");
    EXPECT_FALSE(Child<QLineEdit>(pDialog, "edServer")->isEnabled());
    CUserPrompts::SetNextAnswer(false);
    Click(pDialog, "btnExportSave");
    EXPECT_TRUE(pDialog->isVisible());
    EXPECT_FALSE(pDialog->m_bConfirmed);
    EXPECT_EQ(m_pWindow->ExportProgressDialog(), nullptr);
    Click(pDialog, "btnCancel");
    EXPECT_TRUE(WaitFor([&] { return m_pWindow->ExportOptionDialog() == nullptr; }));
}

TEST(ConnectString, QuotesEveryValueThatCouldEndItOrAddAnAttribute) {
    EXPECT_EQ(CConnectString::Build("srv", "sa", "plain", ""),
              "DRIVER=SQL SERVER;SERVER=srv;UID=sa;PWD=plain");
    EXPECT_EQ(CConnectString::Value("a;DATABASE=master"), "{a;DATABASE=master}");
    EXPECT_EQ(CConnectString::Value("x}y{"), "{x}}y{}");
    EXPECT_EQ(CConnectString::Value(" padded "), "{ padded }");
    EXPECT_EQ(CConnectString::Masked("login failed for pw, pw!", "pw"),
              "login failed for ***, ***!");
}

TEST_F(ExportDialogs, AScriptsExportWritesTheSameTablesAsTheCommandLineTool) {
    Recover(TestFiles::SamplePath());
    CExportOptionDlg* pDialog = OpenOptions();
    ASSERT_NE(pDialog, nullptr);
    Click(pDialog, "rbScripts");
    fs::create_directories(m_dir / "gui");
    CUserPrompts::SetNextAnswer(false);
    CUserPrompts::SetNextFileName(QString::fromStdString((m_dir / "gui").string()));
    Click(pDialog, "btnExportSave");
    CExportProgressDlg* pProgress = WaitForJob();
    ASSERT_NE(pProgress, nullptr);
    ASSERT_EQ(pProgress->State(), CExportProgressDlg::EState::Finished);
    Click(pProgress, "btnExportClose");

    fs::create_directories(m_dir / "cli");
    auto cli = TestFiles::RunCli({"export-scripts", TestFiles::SamplePath().string(),
                                  (m_dir / "cli").string(), "--no-progress"});
    ASSERT_EQ(cli.nExitCode, 0) << cli.strErr;
    const fs::path gui = OnlyFolderIn(m_dir / "gui");
    const fs::path tool = OnlyFolderIn(m_dir / "cli");
    const std::set<std::string> setFiles = FilesBelow(tool);
    EXPECT_EQ(FilesBelow(gui), setFiles);
    int nTables = 0;
    for (const std::string& strFile : setFiles) {
        if (!strFile.starts_with("Tables/"))
            continue;
        ++nTables;
        EXPECT_EQ(TestFiles::ReadFile(gui / strFile), TestFiles::ReadFile(tool / strFile))
            << strFile;
    }
    EXPECT_GE(nTables, 10);
}

// Rows an export had to skip reach the window's damage view, as rows a page load skips do.
TEST_F(ExportDialogs, RowsAnExportSkipsAreAddedToTheDamageView) {
    fixtures::CDataFileBuilder builder("Shop");
    const std::uint32_t nOrders = builder.AddTable("Orders", {{"Id", fixtures::kTypeInt, 4}});
    for (int n = 1; n <= 10; ++n)
        builder.AddRow(nOrders, {fixtures::EncodeInt32(n)});
    const std::vector<std::byte> vecBytes = builder.Build();
    std::string strBytes(reinterpret_cast<const char*>(vecBytes.data()), vecBytes.size());
    const std::uint32_t nPage = builder.DataPages(nOrders).at(0);
    strBytes[nPage * 8192 + 8190 - 2 * 4 + 1] = '\x7F';  // slot 4 points far past the page
    TestFiles::WriteFile(m_dir / "slot.mdf", strBytes);
    Recover(m_dir / "slot.mdf");
    const std::size_t nBefore = m_pWindow->Damage().size();

    CExportOptionDlg* pDialog = OpenOptions();
    ASSERT_NE(pDialog, nullptr);
    Click(pDialog, "rbScripts");
    fs::create_directories(m_dir / "out");
    CUserPrompts::SetNextAnswer(false);
    CUserPrompts::SetNextFileName(QString::fromStdString((m_dir / "out").string()));
    Click(pDialog, "btnExportSave");
    CExportProgressDlg* pProgress = WaitForJob();
    ASSERT_NE(pProgress, nullptr);
    ASSERT_TRUE(WaitFor([&] { return m_pWindow->Damage().size() > nBefore; }));
    const SDamageRecord& record = m_pWindow->Damage()[nBefore];
    EXPECT_EQ(record.nPage, nPage);
    EXPECT_EQ(record.nSlot, 4);
    EXPECT_EQ(record.strObject, "Orders");
    EXPECT_FALSE(FindNode(CObjectTree::kTables, "Orders")->toolTip(0).isEmpty());
    Click(pProgress, "btnExportClose");
}

TEST_F(ExportDialogs, ADatabaseExportIntoSqliteShowsTheReportAndWritesTheCsvWhereChosen) {
    if (!SqliteOdbc::Available())
        GTEST_SKIP() << "SQLite ODBC driver not installed";
    SqliteOdbc::Register();
    Recover(GuiTest::WriteBigTable(m_dir.Path(), 700));
    CExportOptionDlg* pDialog = OpenOptions();
    ASSERT_NE(pDialog, nullptr);
    Child<QLineEdit>(pDialog, "edServer")->setText("localhost");
    Child<QLineEdit>(pDialog, "edUser")->setText("sa");
    Child<QLineEdit>(pDialog, "edPassword")->setText("pw");
    Child<QCheckBox>(pDialog, "chkCreateDatabase")->setChecked(false);
    const fs::path database = m_dir / "target.db";
    Child<QLineEdit>(pDialog, "edDatabase")->setText(QString::fromStdString(database.string()));
    CUserPrompts::TakeShown();
    CUserPrompts::SetNextAnswer(false);
    Click(pDialog, "btnExportSave");
    EXPECT_EQ(CUserPrompts::TakeShown(),
              QStringList({"Do you want to export deleted records as well ?",
                           "        Connection to database server successful!!      "}));
    // While the job runs the window's Export button reads "Stop".
    auto* pExport = m_pWindow->findChild<QAction*>("actionExport");
    CExportProgressDlg* pProgress = m_pWindow->ExportProgressDialog();
    ASSERT_NE(pProgress, nullptr);
    if (pProgress->JobRunning()) {
        EXPECT_EQ(pExport->text(), "Stop");
    }
    pProgress = WaitForJob();
    ASSERT_EQ(pProgress->State(), CExportProgressDlg::EState::Finished)
        << pProgress->Result().strError;
    EXPECT_EQ(pExport->text(), "Export");
    auto* pReport = Child<QTreeWidget>(pProgress, "reportList");
    EXPECT_TRUE(pReport->isVisible());
    ASSERT_EQ(pReport->topLevelItemCount(), 1);
    EXPECT_EQ(pReport->topLevelItem(0)->text(0), "Big");
    EXPECT_EQ(pReport->topLevelItem(0)->text(1), "700");
    EXPECT_EQ(SqliteOdbc::Query(database, "SELECT COUNT(DISTINCT Id) FROM Big"),
              std::vector<std::string>{"700"});

    // Close: yes to the CSV, the chooser cancelled keeps the dialog; then a folder that cannot
    // take the file is reported; then one that can.
    CUserPrompts::SetNextAnswer(true);
    Click(pProgress, "btnExportClose");
    EXPECT_TRUE(pProgress->isVisible());
    CUserPrompts::SetNextAnswer(true);
    CUserPrompts::SetNextFileName(QString::fromStdString((m_dir / "missing").string()));
    Click(pProgress, "btnExportClose");
    EXPECT_TRUE(pProgress->isVisible());
    const QString strShown = CUserPrompts::TakeShown().join("|");
    EXPECT_TRUE(strShown.contains("cannot create the report")) << strShown.toStdString();
    EXPECT_TRUE(strShown.contains("No such file or directory")) << strShown.toStdString();
    fs::create_directories(m_dir / "reports");
    CUserPrompts::SetNextAnswer(true);
    CUserPrompts::SetNextFileName(QString::fromStdString((m_dir / "reports").string()));
    Click(pProgress, "btnExportClose");
    EXPECT_TRUE(WaitFor([&] { return m_pWindow->ExportProgressDialog() == nullptr; }));
    const fs::path csv = OnlyFolderIn(m_dir / "reports");
    EXPECT_TRUE(csv.filename().string().starts_with("ExportReport_Paging_"));
    EXPECT_EQ(TestFiles::ReadFile(csv), "Big,700,0\r\n");
}

TEST_F(ExportDialogs, StopEndsTheJobBeforeTheDialogGoesAndCallsNothingComplete) {
    Recover(GuiTest::WriteBigTable(m_dir.Path(), 40000));
    CExportOptionDlg* pDialog = OpenOptions();
    ASSERT_NE(pDialog, nullptr);
    Click(pDialog, "rbScripts");
    fs::create_directories(m_dir / "out");
    CUserPrompts::SetNextAnswer(false);
    CUserPrompts::SetNextFileName(QString::fromStdString((m_dir / "out").string()));
    Click(pDialog, "btnExportSave");
    CExportProgressDlg* pProgress = m_pWindow->ExportProgressDialog();
    ASSERT_NE(pProgress, nullptr);
    CUserPrompts::TakeShown();
    CUserPrompts::SetNextAnswer(true);
    Click(pProgress, "btnExportStop");
    EXPECT_EQ(CUserPrompts::TakeShown(),
              QStringList({"Are you sure you want stop the export process ?"}));
    QPointer<CExportProgressDlg> pWatch = pProgress;
    ASSERT_TRUE(WaitFor([&] { return pWatch.isNull(); }, 120000));
    // The window says the bundle is incomplete; no runner claims it whole.
    EXPECT_TRUE(CUserPrompts::TakeShown().join("|").contains("are incomplete"));
    const fs::path bundle = OnlyFolderIn(m_dir / "out");
    EXPECT_FALSE(bundle.empty());
    EXPECT_FALSE(fs::exists(bundle / "Paging.bat"));
    EXPECT_EQ(m_pWindow->findChild<QAction*>("actionExport")->text(), "Export");
}

// A stop in a later stage, after the tables, ends the job cooperatively: the dialog stays until
// the job has ended and closed its files and connections, no stage starts after the stop, and
// nothing the job left unfinished is called complete.
TEST_F(ExportDialogs, AStopInTheObjectStagesClosesEverythingBeforeTheDialogGoes) {
    const bool bDatabase = SqliteOdbc::Available();
    if (bDatabase)
        SqliteOdbc::Register();
    Recover(TestFiles::SamplePath());
    for (const bool bToDatabase : {false, true}) {
        if (bToDatabase && !bDatabase)
            continue;
        SCOPED_TRACE(bToDatabase ? "database" : "scripts");
        // The first progress past the tables' 30 %: the job is held in the views stage.
        auto pPause = std::make_shared<CExportPausePoint>();
        pPause->Hold(31);
        m_pWindow->SetExportPausePoint(pPause);
        CExportOptionDlg* pDialog = OpenOptions();
        ASSERT_NE(pDialog, nullptr);
        const fs::path out = m_dir / (bToDatabase ? "db" : "scripts");
        fs::create_directories(out);
        const fs::path database = out / "target.db";
        if (bToDatabase) {
            Child<QLineEdit>(pDialog, "edServer")->setText("localhost");
            Child<QCheckBox>(pDialog, "chkCreateDatabase")->setChecked(false);
            Child<QLineEdit>(pDialog, "edDatabase")
                ->setText(QString::fromStdString(database.string()));
        } else {
            Click(pDialog, "rbScripts");
            CUserPrompts::SetNextFileName(QString::fromStdString(out.string()));
        }
        CUserPrompts::SetNextAnswer(false);  // no deleted records
        Click(pDialog, "btnExportSave");
        CExportProgressDlg* pProgress = m_pWindow->ExportProgressDialog();
        ASSERT_NE(pProgress, nullptr);
        CExportJob::SResult result;
        bool bEnded = false;
        QObject::connect(pProgress, &CExportProgressDlg::JobEnded, pProgress, [&] {
            result = pProgress->Result();
            bEnded = true;
        });
        ASSERT_TRUE(WaitFor([&] { return pPause->Waiting(); }, 60000));
        ASSERT_TRUE(pProgress->JobRunning());
        EXPECT_EQ(Child<QAction>(m_pWindow.get(), "actionExport")->text(), "Stop");
        // Held, the job has its views script or its connection open.
        EXPECT_FALSE(OpenFilesBelow(out).empty());

        CUserPrompts::TakeShown();
        CUserPrompts::SetNextAnswer(true);
        Click(pProgress, "btnExportStop");
        // Stopping, not gone: the job has not ended yet, whatever the stop released.
        EXPECT_EQ(pProgress->State(), CExportProgressDlg::EState::Stopping);
        EXPECT_TRUE(pProgress->isVisible());
        QPointer<CExportProgressDlg> pWatch = pProgress;
        ASSERT_TRUE(WaitFor([&] { return pWatch.isNull(); }, 60000));
        ASSERT_TRUE(bEnded);
        m_pWindow->SetExportPausePoint(nullptr);

        EXPECT_TRUE(result.bStopped);
        EXPECT_FALSE(result.bComplete);
        EXPECT_EQ(Child<QAction>(m_pWindow.get(), "actionExport")->text(), "Export");
        // No descriptor of a script, the database or its journal is left open by the job.
        EXPECT_EQ(OpenFilesBelow(out), std::vector<std::string>{});
        // The views stage was cut short and no object stage after it started.
        for (const CExportJob::SStage& stage : result.vecStages) {
            EXPECT_TRUE(stage.strName == "user types" || stage.strName == "tables" ||
                        stage.strName == "foreign keys")
                << stage.strName;
        }
        if (bToDatabase) {
            // The tables went in before the stop, whole.
            EXPECT_EQ(SqliteOdbc::Query(database, "SELECT COUNT(*) FROM Orders"),
                      std::vector<std::string>{"120"});
        } else {
            const fs::path bundle = result.bundleFolder;
            EXPECT_FALSE(fs::exists(bundle / "Bookstore.bat"));
            EXPECT_FALSE(fs::exists(bundle / "Stored_Procedure.sql"));
            EXPECT_TRUE(CUserPrompts::TakeShown().join("|").contains("are incomplete"));
        }
    }
}
