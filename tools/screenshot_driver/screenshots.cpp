// tools/screenshot_driver/screenshots.cpp
// Opens the program's main window on the bundled sample, walks it through a recovery, a table's
// records, a procedure's text, the version dialog and an export into SQLite (registered as
// "SQL SERVER" for this run), and saves a PNG of each real window.
// Run under xvfb-run (tools/screenshots does); prompts are answered by the test hooks.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyleFactory>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidgetItem>
#include <QWindow>
#include <cstdio>
#include <functional>
#include <memory>

#include "app/export/dialogs/CExportOptionDlg.h"
#include "app/export/dialogs/CExportProgressDlg.h"
#include "app/export/job/CExportPausePoint.h"
#include "app/shell/CAmbermillDlg.h"
#include "app/shell/CObjectTree.h"
#include "app/shell/CProgressDlg.h"
#include "app/shell/CSplashScreen.h"
#include "app/shell/CSqlFormatOptDlg.h"
#include "app/shell/CUserPrompts.h"

namespace {
bool WaitUntil(const std::function<bool()>& fnDone, int nTimeoutMs = 20000) {
    QElapsedTimer timer;
    timer.start();
    while (!fnDone()) {
        if (timer.elapsed() > nTimeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

void Settle(int nMs = 300) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < nMs)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool Save(QWidget* pWidget, const QDir& dir, const QString& strName) {
    Settle();
    QScreen* pScreen = pWidget->screen();
    // The window's own pixels as the display server has them, not a re-render.
    QPixmap pixmap = pScreen->grabWindow(pWidget->winId());
    const QString strPath = dir.filePath(strName);
    const bool bSaved = !pixmap.isNull() && pixmap.save(strPath);
    std::printf("%s %s (%dx%d)\n", bSaved ? "wrote" : "FAILED", qPrintable(strPath), pixmap.width(),
                pixmap.height());
    return bSaved;
}

QTreeWidgetItem* FindChild(QTreeWidgetItem* pParent, const QString& strText) {
    for (int i = 0; i < pParent->childCount(); ++i) {
        if (pParent->child(i)->text(0) == strText)
            return pParent->child(i);
    }
    return nullptr;
}

QPalette DarkPalette() {
    QPalette palette;
    palette.setColor(QPalette::Window, QColor(45, 45, 48));
    palette.setColor(QPalette::WindowText, QColor(230, 230, 230));
    palette.setColor(QPalette::Base, QColor(30, 30, 30));
    palette.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
    palette.setColor(QPalette::Text, QColor(230, 230, 230));
    palette.setColor(QPalette::Button, QColor(55, 55, 58));
    palette.setColor(QPalette::ButtonText, QColor(230, 230, 230));
    palette.setColor(QPalette::Highlight, QColor(200, 120, 20));
    palette.setColor(QPalette::HighlightedText, Qt::black);
    palette.setColor(QPalette::ToolTipBase, QColor(60, 60, 60));
    palette.setColor(QPalette::ToolTipText, QColor(230, 230, 230));
    palette.setColor(QPalette::PlaceholderText, QColor(150, 150, 150));
    palette.setColor(QPalette::Disabled, QPalette::Text, QColor(140, 140, 140));
    palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(140, 140, 140));
    palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(140, 140, 140));
    return palette;
}

int Fail(const char* pszWhat) {
    std::fprintf(stderr, "screenshots: %s\n", pszWhat);
    return 1;
}

// A data file of a later format opened in a window of its own, as a user opens it, with the
// records of one of its tables: the picture shows the engine's catalog and rows in the window.
bool SaveFileWindow(const QString& strFile, const QString& strTable, const QDir& out,
                    const QString& strName) {
    auto fail = [&](const QString& strWhat) {
        std::fprintf(stderr, "screenshots: %s: %s\n", qPrintable(strFile), qPrintable(strWhat));
        return false;
    };
    auto pWindow = std::make_unique<CAmbermillDlg>();
    pWindow->resize(1180, 760);
    pWindow->move(0, 0);
    pWindow->show();
    if (!WaitUntil([&] { return pWindow->isVisible() && pWindow->windowHandle()->isExposed(); }))
        return fail(QStringLiteral("the window did not appear"));
    CUserPrompts::SetNextAnswer(false);  // no scan saved
    pWindow->SetMdfPath(strFile);
    pWindow->OnRecover();
    if (!WaitUntil([&] {
            return pWindow->ProgressDialog() != nullptr &&
                   pWindow->ProgressDialog()->RecoveryFinished();
        }))
        return fail(QStringLiteral("the recovery did not finish"));
    pWindow->ProgressDialog()->findChild<QPushButton*>(QStringLiteral("btnStop"))->click();
    if (!WaitUntil([&] { return pWindow->ProgressDialog() == nullptr; }))
        return fail(QStringLiteral("the progress dialog did not close"));
    CObjectTree* pTree = pWindow->Tree();
    QTreeWidgetItem* pTable = FindChild(pTree->Category(CObjectTree::kTables), strTable);
    if (pTable == nullptr)
        return fail("no table " + strTable);
    bool bPage = false;
    QObject::connect(pWindow.get(), &CAmbermillDlg::PageShown, [&] { bPage = true; });
    pTree->Category(CObjectTree::kProcedures)->setExpanded(true);
    pTree->setCurrentItem(pTable);
    if (!WaitUntil([&] { return bPage; }))
        return fail("the records of " + strTable + " did not load");
    return Save(pWindow.get(), out, strName);
}
}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication::setOrganizationName(QStringLiteral("Varnholt"));
    QApplication::setApplicationName(QStringLiteral("AmbermillScreenshots"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    if (argc < 3)
        return Fail("usage: ambermill_screenshots SAMPLE.mdf OUTDIR [FILE TABLE PICTURE]...");
    const QString strSample = QString::fromLocal8Bit(argv[1]);
    QDir out(QString::fromLocal8Bit(argv[2]));
    out.mkpath(QStringLiteral("."));
    CUserPrompts::SetTestMode(true);

    bool bOk = true;
    // The splash picture as the program shows it at start.
    {
        CSplashScreen* pSplash = CSplashScreen::Show(nullptr);
        bOk &= Save(pSplash, out, QStringLiteral("splash.png"));
        pSplash->close();
    }

    auto* pWindow = new CAmbermillDlg;
    pWindow->resize(1180, 760);
    pWindow->move(0, 0);
    pWindow->show();
    if (!WaitUntil([&] { return pWindow->isVisible() && pWindow->windowHandle()->isExposed(); }))
        return Fail("the main window did not appear");

    CUserPrompts::SetNextAnswer(false);  // no scan saved
    pWindow->SetMdfPath(strSample);
    pWindow->OnRecover();
    if (!WaitUntil([&] {
            return pWindow->ProgressDialog() != nullptr &&
                   pWindow->ProgressDialog()->RecoveryFinished();
        })) {
        return Fail("the recovery did not finish");
    }
    CProgressDlg* pProgress = pWindow->ProgressDialog();
    bOk &= Save(pProgress, out, QStringLiteral("progress-dialog.png"));
    pProgress->findChild<QPushButton*>(QStringLiteral("btnStop"))->click();
    if (!WaitUntil([&] { return pWindow->ProgressDialog() == nullptr; }))
        return Fail("the progress dialog did not close");
    Settle();

    CObjectTree* pTree = pWindow->Tree();
    bool bPage = false;
    QObject::connect(pWindow, &CAmbermillDlg::PageShown, [&] { bPage = true; });
    auto showTable = [&](const char* pszName) {
        QTreeWidgetItem* pTable = FindChild(pTree->Category(CObjectTree::kTables), pszName);
        if (pTable == nullptr)
            return false;
        bPage = false;
        pTree->setCurrentItem(pTable);
        return WaitUntil([&] { return bPage; });
    };
    // Authors with its deleted record: NULLs in grey italics, the deleted row marked.
    pTree->Category(CObjectTree::kProcedures)->setExpanded(true);
    if (!showTable("Authors"))
        return Fail("the records of Authors did not load");
    bPage = false;
    pWindow->findChild<QCheckBox*>(QStringLiteral("showDeleted"))->setChecked(true);
    if (!WaitUntil([&] { return bPage; }))
        return Fail("the deleted records of Authors did not load");
    bOk &= Save(pWindow, out, QStringLiteral("main-window.png"));

    QTreeWidgetItem* pProc = FindChild(pTree->Category(CObjectTree::kProcedures), "spGetBook");
    if (pProc == nullptr)
        return Fail("no procedure spGetBook in the tree");
    pTree->setCurrentItem(pProc);
    bOk &= Save(pWindow, out, QStringLiteral("definition.png"));

    // A dark palette: the icons and the grid must stay legible. An image value, read from the
    // data file when its cell is opened, in the value view.
    QApplication::setPalette(DarkPalette());
    if (!showTable("TypeShowcase"))
        return Fail("the records of TypeShowcase did not load");
    auto* pGrid = pWindow->findChild<QTableView*>(QStringLiteral("recordGrid"));
    bool bValue = false;
    QObject::connect(pWindow, &CAmbermillDlg::ValueShown, [&] { bValue = true; });
    const int nLastRow = pGrid->model()->rowCount() - 1;
    for (int c = 0; c < pGrid->model()->columnCount(); ++c) {
        if (pGrid->model()->headerData(c, Qt::Horizontal).toString() == "c_image") {
            const QModelIndex cell = pGrid->model()->index(nLastRow, c);
            pGrid->setCurrentIndex(cell);
            pGrid->scrollTo(cell);
            emit pGrid->activated(cell);
        }
    }
    if (!WaitUntil([&] { return bValue; }))
        return Fail("the image value was not read");
    bOk &= Save(pWindow, out, QStringLiteral("main-window-dark.png"));
    QApplication::setPalette(QApplication::style()->standardPalette());

    CSqlFormatOptDlg versionDialog;
    versionDialog.show();
    WaitUntil(
        [&] { return versionDialog.windowHandle() && versionDialog.windowHandle()->isExposed(); });
    bOk &= Save(&versionDialog, out, QStringLiteral("version-dialog.png"));
    versionDialog.reject();

    // The export dialogs: a database export of the sample into SQLite standing in for the server.
    const char* pszSqlite = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";
    QTemporaryDir odbc;
    if (QFileInfo::exists(QString::fromLatin1(pszSqlite)) && odbc.isValid()) {
        QFile ini(odbc.filePath(QStringLiteral("odbcinst.ini")));
        if (ini.open(QIODevice::WriteOnly))
            ini.write(QByteArray("[SQL SERVER]\nDriver=") + pszSqlite + "\n");
        ini.close();
        qputenv("ODBCSYSINI", odbc.path().toLocal8Bit());
        pWindow->activateWindow();
        pWindow->OnExportMenu();
        CExportOptionDlg* pOptions = pWindow->ExportOptionDialog();
        if (pOptions == nullptr)
            return Fail("the export option dialog did not open");
        pOptions->findChild<QLineEdit*>(QStringLiteral("edServer"))->setText("localhost");
        pOptions->findChild<QLineEdit*>(QStringLiteral("edUser"))->setText("sa");
        pOptions->findChild<QLineEdit*>(QStringLiteral("edPassword"))->setText("password");
        pOptions->findChild<QCheckBox*>(QStringLiteral("chkCreateDatabase"))->setChecked(false);
        pOptions->findChild<QLineEdit*>(QStringLiteral("edDatabase"))
            ->setText(odbc.filePath(QStringLiteral("Bookstore_Recovered.db")));
        WaitUntil(
            [&] { return pOptions->windowHandle() && pOptions->windowHandle()->isExposed(); });
        bOk &= Save(pOptions, out, QStringLiteral("export-options.png"));
        // The export of the sample takes a moment: it is held part-way until the picture of
        // the progress dialog is taken.
        auto pPause = std::make_shared<CExportPausePoint>();
        pPause->Hold(40);
        pWindow->SetExportPausePoint(pPause);
        CUserPrompts::SetNextAnswer(false);  // no deleted records
        pOptions->findChild<QPushButton*>(QStringLiteral("btnExportSave"))->click();
        CExportProgressDlg* pExport = pWindow->ExportProgressDialog();
        if (pExport == nullptr)
            return Fail("the export progress dialog did not open");
        WaitUntil([&] { return pExport->windowHandle() && pExport->windowHandle()->isExposed(); });
        if (!WaitUntil([&] { return pPause->Waiting() || !pExport->JobRunning(); }, 120000))
            return Fail("the export reached no progress to hold");
        if (!pPause->Waiting())
            std::fprintf(stderr, "screenshots: the export ended before it could be held\n");
        bOk &= Save(pExport, out, QStringLiteral("export-progress.png"));
        pPause->Release();
        pWindow->SetExportPausePoint(nullptr);
        if (!WaitUntil([&] { return !pExport->JobRunning(); }, 120000))
            return Fail("the export did not end");
        bOk &= Save(pExport, out, QStringLiteral("export-report.png"));
        CUserPrompts::SetNextAnswer(false);  // no CSV
        pExport->findChild<QPushButton*>(QStringLiteral("btnExportClose"))->click();
        WaitUntil([&] { return pWindow->ExportProgressDialog() == nullptr; });
    } else {
        std::fprintf(stderr, "screenshots: export pictures skipped (no SQLite ODBC driver)\n");
    }

    delete pWindow;

    // Later-format data files, when given: FILE TABLE PICTURE for each.
    for (int i = 3; i + 2 < argc; i += 3) {
        bOk &= SaveFileWindow(QString::fromLocal8Bit(argv[i]), QString::fromLocal8Bit(argv[i + 1]),
                              out, QString::fromLocal8Bit(argv[i + 2]));
    }
    return bOk ? 0 : 1;
}
