// app/shell/CAmbermillDlg.cpp
#include "app/shell/CAmbermillDlg.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QShortcut>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <set>

#include "app/export/dialogs/CExportOptionDlg.h"
#include "app/export/dialogs/CExportProgressDlg.h"
#include "app/shell/CArtwork.h"
#include "app/shell/CBanner.h"
#include "app/shell/CDamageCollector.h"
#include "app/shell/CDamageReportDlg.h"
#include "app/shell/CObjectTree.h"
#include "app/shell/CPageBar.h"
#include "app/shell/CProgressDlg.h"
#include "app/shell/CRecentFiles.h"
#include "app/shell/CRecordGrid.h"
#include "app/shell/CRecordGridModel.h"
#include "app/shell/CRecordPageLoader.h"
#include "app/shell/CSplashScreen.h"
#include "app/shell/CTabStrip.h"
#include "app/shell/CUserPrompts.h"
#include "app/shell/CValueView.h"
#include "common/AppPaths.h"
#include "common/ExecutionLog.h"
#include "common/OdbcConnection.h"
#include "common/SettingsFile.h"
#include "engine/core/CFormatTable.h"
#include "engine/core/CSQLServerEngine.h"

namespace {
const QString kScanFilter = QStringLiteral("Scan Files (*.str)");

QString Blanks(int nCount) {
    return QString(nCount, QLatin1Char(' '));
}

// The version dialog answers with the program's format code (0 for Cancel).
EEngineFormat FormatOfChoice(int nChoice) {
    for (const SFormatInfo& format : CFormatTable::All()) {
        if (format.nCode == nChoice && nChoice != 0)
            return format.eFormat;
    }
    return EEngineFormat::Unknown;
}
}  // namespace

CAmbermillDlg::CAmbermillDlg(QWidget* pParent) : QMainWindow(pParent) {
    setObjectName(QStringLiteral("mainWindow"));
    setWindowTitle(CUserPrompts::Caption() + QStringLiteral(" - v4.9"));
    setWindowIcon(CArtwork::Icon(CArtwork::EIcon::Program));
    setAcceptDrops(true);

    BuildActions();
    BuildMenus();
    BuildToolBars();
    BuildCentral();
    BuildStatusBar();

    // The program's own header block in the logs, before any engine writes to them.
    CExecutionLog::SetLogFolder();
    CExecutionLog::InitLogHeader();

    ShowGrid(true);
    m_pPageBar->ShowForRecords(false);
    m_pPageBar->Previous()->setEnabled(false);
    m_pPageBar->Next()->setEnabled(false);
    m_pPageBar->SetRecordCount(QString());
    UpdateCommandStates();
    resize(1024, 720);
    RestoreSettings();
}

CAmbermillDlg::~CAmbermillDlg() {
    // The dialog reads the session's recovery run: it goes first, then the session joins every
    // thread that works on the engine.
    delete m_pProgressDlg;
    // The export job works on the engine: stopped and joined before the session goes.
    delete m_pExportProgressDlg;
    delete m_pExportOptionDlg;
    m_pSession.reset();
}

// ---- construction ----

void CAmbermillDlg::BuildActions() {
    auto make = [this](const char* pszName, const QString& strText, CArtwork::EIcon eIcon) {
        auto* pAction = new QAction(CArtwork::Icon(eIcon), strText, this);
        pAction->setObjectName(QLatin1String(pszName));
        return pAction;
    };
    m_pActLoad = make("actionLoad", QStringLiteral("Load"), CArtwork::EIcon::Load);
    m_pActLoad->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    m_pActOpenScan = make("actionOpenScan", QStringLiteral("Open Scan"), CArtwork::EIcon::OpenScan);
    m_pActOpenScan->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_O));
    m_pActSaveScan = make("actionSaveScan", QStringLiteral("Save Scan"), CArtwork::EIcon::SaveScan);
    m_pActSaveScan->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    m_pActExport = make("actionExport", QStringLiteral("Export"), CArtwork::EIcon::Export);
    m_pActExport->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    m_pActMenuExport = make("actionMenuExport", QStringLiteral("Export"), CArtwork::EIcon::Export);
    m_pActSupport = make("actionSupport", QStringLiteral("Support"), CArtwork::EIcon::Support);
    m_pActHelp = make("actionHelp", QStringLiteral("Help"), CArtwork::EIcon::Help);
    m_pActHelp->setShortcut(QKeySequence(Qt::Key_F1));
    m_pActExit = make("actionExit", QStringLiteral("Exit"), CArtwork::EIcon::Exit);
    m_pActExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    m_pActAbout = new QAction(QStringLiteral("About Us"), this);
    m_pActAbout->setObjectName(QStringLiteral("actionAbout"));
    m_pActDamage = new QAction(QStringLiteral("Damage report"), this);
    m_pActDamage->setObjectName(QStringLiteral("actionDamageReport"));
    m_pActFind = new QAction(QStringLiteral("Filter Records"), this);
    m_pActFind->setObjectName(QStringLiteral("actionFind"));
    m_pActFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    m_pActPreviousPage = new QAction(QStringLiteral("Previous Page"), this);
    m_pActPreviousPage->setObjectName(QStringLiteral("actionPreviousPage"));
    m_pActPreviousPage->setShortcuts(
        {QKeySequence(Qt::Key_PageUp), QKeySequence(Qt::ALT | Qt::Key_Left)});
    m_pActNextPage = new QAction(QStringLiteral("Next Page"), this);
    m_pActNextPage->setObjectName(QStringLiteral("actionNextPage"));
    m_pActNextPage->setShortcuts(
        {QKeySequence(Qt::Key_PageDown), QKeySequence(Qt::ALT | Qt::Key_Right)});

    // The toolbar's tooltips are the commands' names.
    for (QAction* pAction : {m_pActLoad, m_pActOpenScan, m_pActSaveScan, m_pActExport,
                             m_pActSupport, m_pActHelp, m_pActExit}) {
        pAction->setToolTip(pAction->text());
    }

    connect(m_pActLoad, &QAction::triggered, this, &CAmbermillDlg::OnLoad);
    connect(m_pActOpenScan, &QAction::triggered, this, &CAmbermillDlg::OnOpenScan);
    connect(m_pActSaveScan, &QAction::triggered, this, &CAmbermillDlg::OnSaveScan);
    connect(m_pActExport, &QAction::triggered, this, &CAmbermillDlg::OnExportToolbar);
    connect(m_pActMenuExport, &QAction::triggered, this, &CAmbermillDlg::OnExportMenu);
    connect(m_pActSupport, &QAction::triggered, this, &CAmbermillDlg::OnSupport);
    connect(m_pActHelp, &QAction::triggered, this, &CAmbermillDlg::OnHelp);
    connect(m_pActExit, &QAction::triggered, this, &QWidget::close);
    connect(m_pActAbout, &QAction::triggered, this, [this] { CUserPrompts::About(this); });
    connect(m_pActDamage, &QAction::triggered, this, &CAmbermillDlg::ShowDamageReport);
    connect(m_pActPreviousPage, &QAction::triggered, this, &CAmbermillDlg::OnPreviousPage);
    connect(m_pActNextPage, &QAction::triggered, this, &CAmbermillDlg::OnNextPage);
    addAction(m_pActPreviousPage);
    addAction(m_pActNextPage);
    addAction(m_pActFind);
}

void CAmbermillDlg::BuildMenus() {
    QMenu* pActions = menuBar()->addMenu(QStringLiteral("&Actions"));
    pActions->setObjectName(QStringLiteral("menuActions"));
    pActions->addAction(m_pActLoad);
    pActions->addAction(m_pActOpenScan);
    pActions->addAction(m_pActSaveScan);
    pActions->addAction(m_pActMenuExport);
    m_pRecentMenu = pActions->addMenu(QStringLiteral("Recent Files"));
    m_pRecentMenu->setObjectName(QStringLiteral("menuRecent"));
    connect(m_pRecentMenu, &QMenu::aboutToShow, this, &CAmbermillDlg::RebuildRecentMenu);
    pActions->addSeparator();
    pActions->addAction(m_pActExit);

    QMenu* pView = menuBar()->addMenu(QStringLiteral("&View"));
    pView->setObjectName(QStringLiteral("menuView"));
    pView->addAction(m_pActFind);
    pView->addAction(m_pActPreviousPage);
    pView->addAction(m_pActNextPage);
    pView->addSeparator();
    pView->addAction(m_pActDamage);

    QMenu* pHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    pHelp->setObjectName(QStringLiteral("menuHelp"));
    m_pActHelp->setText(QStringLiteral("Help Contents"));
    pHelp->addAction(m_pActHelp);
    pHelp->addAction(m_pActSupport);
    pHelp->addSeparator();
    pHelp->addAction(m_pActAbout);
}

void CAmbermillDlg::BuildToolBars() {
    auto* pBannerBar = new QToolBar(QStringLiteral("Banner"), this);
    pBannerBar->setObjectName(QStringLiteral("bannerBar"));
    pBannerBar->setMovable(false);
    pBannerBar->setFloatable(false);
    pBannerBar->toggleViewAction()->setEnabled(false);
    pBannerBar->setContentsMargins(0, 0, 0, 0);
    pBannerBar->layout()->setContentsMargins(0, 0, 0, 0);
    pBannerBar->addWidget(new CBanner(pBannerBar));
    addToolBar(Qt::TopToolBarArea, pBannerBar);
    addToolBarBreak(Qt::TopToolBarArea);

    auto* pToolBar = new QToolBar(QStringLiteral("Commands"), this);
    pToolBar->setObjectName(QStringLiteral("mainToolBar"));
    pToolBar->setMovable(false);
    pToolBar->setFloatable(false);
    pToolBar->toggleViewAction()->setEnabled(false);
    pToolBar->setIconSize(QSize(32, 32));
    pToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    const QList<QAction*> lstActions = {m_pActLoad,    m_pActOpenScan, m_pActSaveScan, m_pActExport,
                                        m_pActSupport, m_pActHelp,     m_pActExit};
    for (int i = 0; i < lstActions.size(); ++i) {
        if (i > 0)
            pToolBar->addSeparator();
        pToolBar->addAction(lstActions[i]);
    }
    // The toolbar shows the short name; the menu the long one.
    if (QWidget* pHelpButton = pToolBar->widgetForAction(m_pActHelp)) {
        pHelpButton->setToolTip(QStringLiteral("Help"));
        if (auto* pButton = qobject_cast<QToolButton*>(pHelpButton))
            pButton->setText(QStringLiteral("Help"));
    }
    addToolBar(Qt::TopToolBarArea, pToolBar);
}

void CAmbermillDlg::BuildCentral() {
    m_pTree = new CObjectTree(this);
    connect(m_pTree, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* pCurrent) { OnTreeSelection(pCurrent); });
    m_pTree->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pTree, &QWidget::customContextMenuRequested, this, &CAmbermillDlg::OnTreeContextMenu);

    auto* pRight = new QWidget(this);
    m_pTabStrip = new CTabStrip(pRight);
    m_pFilter = new QLineEdit(pRight);
    m_pFilter->setObjectName(QStringLiteral("filterEdit"));
    m_pFilter->setPlaceholderText(QStringLiteral("Filter page (Ctrl+F)"));
    m_pFilter->setClearButtonEnabled(true);
    m_pFilter->setMinimumWidth(170);
    m_pFilter->setMaximumWidth(260);
    m_pShowDeleted = new QCheckBox(QStringLiteral("Show deleted records"), pRight);
    m_pShowDeleted->setObjectName(QStringLiteral("showDeleted"));
    m_pShowDeleted->setToolTip(
        QStringLiteral("Also show deleted records that are still stored in the data file"));

    m_pGridModel = new CRecordGridModel(this);
    m_pFilterProxy = new QSortFilterProxyModel(this);
    m_pFilterProxy->setSourceModel(m_pGridModel);
    m_pFilterProxy->setFilterKeyColumn(-1);
    m_pFilterProxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_pGrid = new CRecordGrid(pRight);
    m_pGrid->setModel(m_pFilterProxy);
    m_pValueView = new CValueView(pRight);
    m_pValueView->hide();
    m_pObjectText = new QPlainTextEdit(pRight);
    m_pObjectText->setObjectName(QStringLiteral("objectText"));
    m_pObjectText->setReadOnly(true);
    m_pObjectText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pObjectText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pPageBar = new CPageBar(pRight);

    auto* pTop = new QHBoxLayout;
    pTop->setContentsMargins(0, 0, 0, 0);
    pTop->addWidget(m_pTabStrip);
    pTop->addStretch(1);
    pTop->addWidget(m_pFilter);
    pTop->addWidget(m_pShowDeleted);
    m_pGridSplitter = new QSplitter(Qt::Vertical, pRight);
    m_pGridSplitter->setObjectName(QStringLiteral("gridSplitter"));
    m_pGridSplitter->addWidget(m_pGrid);
    m_pGridSplitter->addWidget(m_pValueView);
    m_pGridSplitter->setStretchFactor(0, 3);
    m_pGridSplitter->setStretchFactor(1, 1);
    m_pGridSplitter->setChildrenCollapsible(false);
    auto* pRightLayout = new QVBoxLayout(pRight);
    pRightLayout->setContentsMargins(0, 0, 0, 0);
    pRightLayout->setSpacing(2);
    pRightLayout->addLayout(pTop);
    pRightLayout->addWidget(m_pGridSplitter, 1);
    pRightLayout->addWidget(m_pObjectText, 1);
    pRightLayout->addWidget(m_pPageBar);

    m_pSplitter = new QSplitter(Qt::Horizontal, this);
    m_pSplitter->setObjectName(QStringLiteral("mainSplitter"));
    m_pSplitter->addWidget(m_pTree);
    m_pSplitter->addWidget(pRight);
    m_pSplitter->setChildrenCollapsible(false);
    m_pSplitter->setStretchFactor(0, 0);
    m_pSplitter->setStretchFactor(1, 1);
    // The bar moves within a fixed range around where it starts.
    m_pTree->setMinimumWidth(kTreeWidth - kSplitterLeft);
    m_pTree->setMaximumWidth(kTreeWidth + kSplitterRight);
    m_pSplitter->setSizes({kTreeWidth, 1024 - kTreeWidth});
    setCentralWidget(m_pSplitter);

    connect(m_pPageBar, &CPageBar::PreviousPage, this, &CAmbermillDlg::OnPreviousPage);
    connect(m_pPageBar, &CPageBar::NextPage, this, &CAmbermillDlg::OnNextPage);
    connect(m_pFilter, &QLineEdit::textChanged, m_pFilterProxy,
            &QSortFilterProxyModel::setFilterFixedString);
    connect(m_pActFind, &QAction::triggered, this, [this] {
        m_pFilter->setFocus(Qt::ShortcutFocusReason);
        m_pFilter->selectAll();
    });
    connect(m_pShowDeleted, &QCheckBox::toggled, this, &CAmbermillDlg::OnShowDeleted);
    connect(m_pGrid, &QAbstractItemView::activated, this, &CAmbermillDlg::OnCellActivated);
}

void CAmbermillDlg::BuildStatusBar() {
    m_pStatusText = new QLabel(QStringLiteral("Ready"), this);
    m_pStatusText->setObjectName(QStringLiteral("statusText"));
    m_pStatusDamage = new QLabel(this);
    m_pStatusDamage->setObjectName(QStringLiteral("statusDamage"));
    m_pStatusDamage->hide();
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    statusBar()->addWidget(m_pStatusText, 1);
    statusBar()->addPermanentWidget(m_pStatusDamage);
    statusBar()->setSizeGripEnabled(true);
    // A fixed grey band with black text: readable on light and dark palettes alike.
    statusBar()->setStyleSheet(
        QStringLiteral("QStatusBar { background: rgb(180, 180, 180); } QStatusBar QLabel { color: "
                       "black; }"));
}

void CAmbermillDlg::RestoreSettings() {
    restoreGeometry(m_settings.value(QStringLiteral("window/geometry")).toByteArray());
    m_pSplitter->restoreState(m_settings.value(QStringLiteral("window/splitter")).toByteArray());
    const bool bShowDeleted = m_settings.value(QStringLiteral("grid/showDeleted"), false).toBool();
    m_pShowDeleted->setChecked(bShowDeleted);
    m_recentFiles.Load(m_settings);
}

void CAmbermillDlg::SaveSettings() {
    m_settings.setValue(QStringLiteral("window/geometry"), saveGeometry());
    m_settings.setValue(QStringLiteral("window/splitter"), m_pSplitter->saveState());
    m_settings.setValue(QStringLiteral("grid/showDeleted"), m_pShowDeleted->isChecked());
    m_recentFiles.Save(m_settings);
}

// ---- state helpers ----

void CAmbermillDlg::SetStatus(const QString& strText) {
    m_pStatusText->setText(strText);
}

CProgressDlg* CAmbermillDlg::ProgressDialog() const {
    return m_pProgressDlg;
}

QString CAmbermillDlg::StatusText() const {
    return m_pStatusText->text();
}

bool CAmbermillDlg::IsRecovering() const {
    return m_pSession && m_pSession->Source() == CEngineSession::ESource::Recovering;
}

void CAmbermillDlg::ReplaceSession(std::unique_ptr<CEngineSession> pSession) {
    // The old session stops and joins its threads before its engine is freed.
    m_pShownTable = nullptr;
    m_nPendingRequest = 0;
    m_nPendingValue = 0;
    m_pGridModel->Clear();
    m_pSession = std::move(pSession);
    if (m_pSession) {
        m_pSession->PageLoader().SetShowDeleted(m_pShowDeleted->isChecked());
        connect(&m_pSession->PageLoader(), &CRecordPageLoader::PageLoaded, this,
                &CAmbermillDlg::OnPageLoaded);
        connect(&m_pSession->PageLoader(), &CRecordPageLoader::ValueLoaded, this,
                &CAmbermillDlg::OnValueLoaded);
    }
}

void CAmbermillDlg::UpdateCommandStates() {
    const bool bWhole = m_pSession && m_pSession->HasWholeCatalog();
    m_pActMenuExport->setEnabled(bWhole &&
                                 !(m_pExportProgressDlg && m_pExportProgressDlg->JobRunning()));
    // Explicitly hidden, not merely unshown: the window may not be on screen yet.
    const bool bRecords = !m_pGridSplitter->isHidden() && !m_pPageBar->Previous()->isHidden();
    m_pActPreviousPage->setEnabled(bRecords && m_pPageBar->Previous()->isEnabled());
    m_pActNextPage->setEnabled(bRecords && m_pPageBar->Next()->isEnabled());
}

void CAmbermillDlg::ShowGrid(bool bGrid) {
    m_pObjectText->setVisible(!bGrid);
    m_pGridSplitter->setVisible(bGrid);
    m_pTabStrip->setVisible(true);
    m_pFilter->setVisible(bGrid);
    m_pShowDeleted->setVisible(bGrid);
}

void CAmbermillDlg::ResetPageBar(const QString& strCaption) {
    m_pPageBar->SetPageNumber(QStringLiteral(" "));
    m_pPageBar->SetRecordCount(QStringLiteral("0"));
    m_pPageBar->Previous()->setEnabled(false);
    m_pPageBar->Next()->setEnabled(false);
    m_pTabStrip->SetCaption(strCaption);
    m_nCurrentPage = 0;
    UpdateCommandStates();
}

// ---- Load and Recover ----

void CAmbermillDlg::OnLoad() {
    if (IsRecovering())
        return;
    SetStatus(QStringLiteral("Select the mdf file to recover"));
    const QString strPath = CUserPrompts::OpenFileName(this, QStringLiteral("Load"),
                                                       QStringLiteral("MDF Files (*.mdf)"));
    if (strPath.isEmpty()) {
        SetStatus(QStringLiteral("Ready"));
        return;
    }
    m_strMdfPath = strPath;
    OnRecover();
}

void CAmbermillDlg::OnRecover() {
    if (IsRecovering() || m_strMdfPath.isEmpty())
        return;
    const QString strPath = m_strMdfPath;
    SetStatus(QStringLiteral("Recovering file :") + strPath);
    const QFileInfo info(strPath);
    if (!info.isFile() || !info.isReadable()) {
        // Nothing can be read whatever the format: say so instead of asking for a version.
        CUserPrompts::Warning(this, QStringLiteral("The file %1 cannot be opened: it does not "
                                                   "exist, is not a file or is not readable.")
                                        .arg(strPath));
        SetStatus(QStringLiteral("Ready"));
        return;
    }
    const CFormatProbe::SResult probe = CFormatProbe::Probe(strPath.toStdString());
    EEngineFormat eFormat = probe.eFormat;
    if (eFormat == EEngineFormat::Unknown) {
        // Asked once; the answer binds the engine without probing again. Nothing has changed yet,
        // so a Cancel leaves the window exactly as it was before the command.
        eFormat = FormatOfChoice(CUserPrompts::ChooseFormat(this));
        if (eFormat == EEngineFormat::Unknown) {
            SetStatus(QStringLiteral("Ready"));
            return;
        }
    }
    m_strProbeError = probe.bOk ? QString() : QString::fromStdString(probe.strError);
    m_eFormat = eFormat;
    m_strVersionLabel = CEngineSession::VersionLabel(eFormat);
    m_bIgnoreNextSelection = true;

    ShowGrid(true);
    m_pValueView->hide();
    m_pFilter->clear();
    ReplaceSession(CEngineSession::ForRecovery(eFormat, strPath.toStdString()));
    ResetPageBar(Blanks(28));
    m_pTree->ClearCategories();
    m_pTree->Root()->setText(0, QString::fromLatin1(CObjectTree::kNoDatabase));
    m_vecDamage.clear();
    m_setDamage.clear();
    AddDamage({});
    UpdateCommandStates();

    CRecoveryRun& run = m_pSession->StartRecovery(m_pacing);
    auto* pDialog = new CProgressDlg(run, CEngineSession::FormatLabel(eFormat), this);
    m_pProgressDlg = pDialog;
    connect(pDialog, &CProgressDlg::CatalogReady, this, &CAmbermillDlg::OnCatalogReady);
    connect(pDialog, &CProgressDlg::Done, this, &CAmbermillDlg::OnRecoveryDone,
            Qt::QueuedConnection);
    // The splash never stays over a dialog.
    CSplashScreen::DismissAll();
    pDialog->open();
}

void CAmbermillDlg::OnCatalogReady() {
    const CSQLServerEngine& engine = m_pSession->Engine();
    m_pTree->FillObjectTree(engine, m_strVersionLabel);
    AddDamage(CDamageCollector::FromRecovery(engine));
}

void CAmbermillDlg::OnRecoveryDone() {
    const CProgressDlg::EOutcome eOutcome =
        m_pProgressDlg ? m_pProgressDlg->Outcome() : CProgressDlg::EOutcome::Stopped;
    if (m_pProgressDlg)
        m_pProgressDlg->deleteLater();
    m_pProgressDlg = nullptr;
    if (eOutcome != CProgressDlg::EOutcome::StoppedByCloseBox)
        SetStatus(QStringLiteral("Recovery complete"));
    // The run has ended: what it reported after the catalog was ready is in the log now too.
    if (m_pSession && m_pSession->Source() != CEngineSession::ESource::Recovering)
        AddDamage(CDamageCollector::FromRecovery(m_pSession->Engine()));
    if (m_pSession && m_pSession->Source() == CEngineSession::ESource::Recovered) {
        m_recentFiles.Add(m_strMdfPath);
        const QString strNothing = NothingRecoveredReason();
        if (!strNothing.isEmpty()) {
            CUserPrompts::Notice(this, strNothing);
        } else if (CUserPrompts::Ask(this,
                                     QStringLiteral("Do you want to save the scanned file"))) {
            SaveScanInteractive();
        }
    }
    m_bIgnoreNextSelection = false;
    UpdateCommandStates();
    emit RecoveryEnded();
}

QString CAmbermillDlg::NothingRecoveredReason() const {
    if (!m_pSession->CatalogIsEmpty())
        return {};
    QString strWhy;
    const SFormatInfo* pFormat = m_pSession->Format();
    if (pFormat != nullptr && !pFormat->bRead) {
        strWhy =
            QStringLiteral("the %1 format is not read by this build")
                .arg(QString::fromUtf8(pFormat->strProductName.data(),
                                       static_cast<qsizetype>(pFormat->strProductName.size())));
    } else if (!m_strProbeError.isEmpty()) {
        strWhy = m_strProbeError;
    } else if (!m_vecDamage.empty()) {
        strWhy =
            QStringLiteral("parts of its catalog could not be read (see View > Damage report)");
    } else {
        strWhy = QStringLiteral("its catalog holds no user objects");
    }
    return QStringLiteral("Nothing was recovered from %1: %2.").arg(m_strMdfPath, strWhy);
}

// ---- scans ----

void CAmbermillDlg::OnOpenScan() {
    if (IsRecovering())
        return;
    SetStatus(QStringLiteral("Loading..."));
    m_pTree->CollapseCategories();
    const QString strPath =
        CUserPrompts::OpenFileName(this, QStringLiteral("Open Scan"), kScanFilter);
    if (strPath.isEmpty()) {
        SetStatus(QStringLiteral("Ready"));
        return;
    }
    OpenScanFile(strPath);
}

void CAmbermillDlg::OpenScanFile(const QString& strPath) {
    SetStatus(QStringLiteral("Loading..."));
    // Loaded into a new engine: the current one, and the tree, stay unless the load succeeds.
    CEngineSession::SScanOpen result = CEngineSession::OpenScan(strPath.toStdString());
    if (!result.pSession) {
        if (result.bNotScanFile)
            CUserPrompts::Notice(this, QStringLiteral("The selected file is not an str file."));
        else
            CUserPrompts::Warning(this, QStringLiteral("The scan file could not be loaded: %1")
                                            .arg(QString::fromStdString(result.strError)));
        SetStatus(QStringLiteral("Ready"));
        return;
    }
    ShowGrid(true);
    m_pValueView->hide();
    m_pFilter->clear();
    ReplaceSession(std::move(result.pSession));
    ResetPageBar(Blanks(28));
    m_pPageBar->ShowForRecords(false);
    m_bIgnoreNextSelection = false;
    m_vecDamage.clear();
    m_setDamage.clear();
    m_pTree->FillObjectTree(m_pSession->Engine(), m_strVersionLabel);
    AddDamage(CDamageCollector::FromRecovery(m_pSession->Engine()));
    m_recentFiles.Add(strPath);
    SetStatus(QStringLiteral("Ready"));
    UpdateCommandStates();
    CUserPrompts::Notice(this, QStringLiteral("Load Complete"));
}

void CAmbermillDlg::OnSaveScan() {
    if (IsRecovering())
        return;
    if (m_strMdfPath.isEmpty() || !m_pSession) {
        CUserPrompts::Notice(this, QStringLiteral("Please load mdf file before saving"));
        return;
    }
    if (!m_pSession->HasWholeCatalog()) {
        CUserPrompts::Notice(this, QStringLiteral("The recovery was stopped, and a stopped scan "
                                                  "cannot be saved. Load the file again and let "
                                                  "the recovery finish."));
        return;
    }
    SaveScanInteractive();
}

void CAmbermillDlg::SaveScanInteractive() {
    const QFileInfo data(m_strMdfPath);
    const QString strSuggested = data.dir().filePath(data.completeBaseName() + ".str");
    QString strPath =
        CUserPrompts::SaveFileName(this, QStringLiteral("Save Scan"), kScanFilter, strSuggested);
    if (strPath.isEmpty())
        return;
    if (QFileInfo(strPath).suffix().isEmpty())
        strPath += QStringLiteral(".str");
    SetStatus(QStringLiteral("Saving Scan..."));
    std::string strError;
    const bool bSaved = m_pSession->SaveScan(strPath.toStdString(), strError);
    SetStatus(QStringLiteral("Ready"));
    if (!bSaved) {
        CUserPrompts::Warning(this, QStringLiteral("The scan could not be saved: %1")
                                        .arg(QString::fromStdString(strError)));
    }
}

// ---- export, help, support ----

void CAmbermillDlg::OnExportToolbar() {
    if (m_pExportProgressDlg && m_pExportProgressDlg->JobRunning()) {
        // While an export runs this button reads "Stop".
        if (m_pExportProgressDlg->State() == CExportProgressDlg::EState::Running &&
            CUserPrompts::Ask(this,
                              QStringLiteral("Are you sure you want stop the export process ?"))) {
            m_pActExport->setText(QStringLiteral("Export"));
            m_pExportProgressDlg->RequestStop();
        }
        return;
    }
    if (IsRecovering())
        return;
    if (m_pSession && m_pSession->Source() == CEngineSession::ESource::Stopped) {
        OnExportMenu();
        return;
    }
    if (!m_pSession || m_pTree->Root()->text(0) == QString::fromLatin1(CObjectTree::kNoDatabase)) {
        CUserPrompts::Notice(this, QStringLiteral("Please load mdf file before export"));
        return;
    }
    OnExportMenu();
}

void CAmbermillDlg::OnExportMenu() {
    if (!m_pSession || IsRecovering() || m_pExportOptionDlg || m_pExportProgressDlg)
        return;
    if (!m_pSession->HasWholeCatalog()) {
        CUserPrompts::Notice(this, QStringLiteral("The recovery was stopped before it finished. "
                                                  "Load the file again and let the recovery "
                                                  "finish before you export."));
        return;
    }
    RunExport();
}

CExportOptionDlg* CAmbermillDlg::ExportOptionDialog() const {
    return m_pExportOptionDlg;
}

CExportProgressDlg* CAmbermillDlg::ExportProgressDialog() const {
    return m_pExportProgressDlg;
}

void CAmbermillDlg::ExportTables(const std::vector<CTable*>& vecTables) {
    if (!m_pSession || IsRecovering() || m_pExportOptionDlg || m_pExportProgressDlg ||
        !m_pSession->HasWholeCatalog())
        return;
    RunExport(vecTables);
}

void CAmbermillDlg::OnTreeContextMenu(const QPoint& point) {
    CTable* pTable = CObjectTree::TableOf(m_pTree->itemAt(point));
    if (!pTable || !m_pSession || !m_pSession->HasWholeCatalog())
        return;
    QMenu menu(this);
    QAction* pExport = menu.addAction(QStringLiteral("Export..."));
    if (menu.exec(m_pTree->viewport()->mapToGlobal(point)) == pExport)
        ExportTables({pTable});
}

void CAmbermillDlg::RunExport(const std::vector<CTable*>& vecPreselected) {
    CSQLServerEngine& engine = m_pSession->Engine();
    engine.m_bDirectExport = false;
    auto* pOptions = new CExportOptionDlg(*m_pTree, engine.m_strDatabaseName, vecPreselected, this);
    m_pExportOptionDlg = pOptions;
    connect(pOptions, &QDialog::finished, this, [this, pOptions](int) {
        OnExportOptionsDone(pOptions);
        pOptions->deleteLater();
    });
    pOptions->open();
}

void CAmbermillDlg::OnExportOptionsDone(CExportOptionDlg* pOptions) {
    m_pExportOptionDlg = nullptr;
    if (!m_pSession)
        return;
    CSQLServerEngine& engine = m_pSession->Engine();
    engine.m_bRecoverDeleted = pOptions->m_bWithDeleted;
    if (!pOptions->m_bConfirmed)
        return;
    m_strOutputDir = pOptions->m_strOutputDir;
    SExportOptions options;
    options.eTarget = pOptions->m_bToDatabase ? EExportTarget::Database : EExportTarget::Scripts;
    options.outputParent = m_strOutputDir.toStdString();
    options.selection = pOptions->m_selection;
    options.bWithData = pOptions->m_bWithData;
    options.bRecoverDeleted = pOptions->m_bWithDeleted;
    options.nWorkers = CTableExportPool::kMaxWorkers;
    if (pOptions->m_bToDatabase)
        options.strConnect = pOptions->WorkerConnectString();
    engine.m_pStatus->m_bStop = false;

    auto* pProgress = new CExportProgressDlg(
        engine, std::move(options), std::move(pOptions->m_pConnection), this, m_pExportPause);
    m_pExportProgressDlg = pProgress;
    m_pActExport->setText(QStringLiteral("Stop"));
    m_pActMenuExport->setEnabled(false);
    connect(pProgress, &CExportProgressDlg::JobEnded, this, &CAmbermillDlg::OnExportJobEnded);
    connect(pProgress, &QDialog::finished, this, [this, pProgress](int) {
        if (m_pExportProgressDlg == pProgress)
            m_pExportProgressDlg = nullptr;
        pProgress->deleteLater();
    });
    pProgress->open();
}

void CAmbermillDlg::OnExportJobEnded() {
    m_pActExport->setText(QStringLiteral("Export"));
    UpdateCommandStates();
    if (!m_pExportProgressDlg)
        return;
    const CExportJob::SResult& result = m_pExportProgressDlg->Result();
    if (result.pDamage && m_pSession)
        AddDamage(CDamageCollector::FromLog(*result.pDamage, m_pSession->Engine()));
    if (result.bStopped && !result.bundleFolder.empty()) {
        CUserPrompts::Notice(this, QStringLiteral("The export was stopped. The scripts in %1 are "
                                                  "incomplete.")
                                       .arg(QString::fromStdString(result.bundleFolder.string())));
    }
}

QUrl CAmbermillDlg::HelpUrl() {
    const QDir exe(QString::fromStdString(CAppPaths::ExecutableDir().string()));
    for (const QString& strCandidate : {QStringLiteral("help/index.html"),
                                        QStringLiteral("../share/ambermill/help/index.html")}) {
        if (QFileInfo::exists(exe.filePath(strCandidate)))
            return QUrl::fromLocalFile(QDir::cleanPath(exe.filePath(strCandidate)));
    }
    return {};
}

QUrl CAmbermillDlg::SupportUrl() {
    const auto value = CSettingsFile::ReadValue(CAppPaths::SettingsFile(), "Support_URL", nullptr);
    if (value && !QString::fromStdString(*value).trimmed().isEmpty())
        return QUrl::fromUserInput(QString::fromStdString(*value).trimmed());
    QUrl url = HelpUrl();
    if (!url.isEmpty())
        url.setFragment(QStringLiteral("support"));
    return url;
}

void CAmbermillDlg::OnHelp() {
    const QUrl url = HelpUrl();
    if (url.isEmpty() || !QDesktopServices::openUrl(url))
        SetStatus(QStringLiteral("The help page could not be opened"));
}

void CAmbermillDlg::OnSupport() {
    const QUrl url = SupportUrl();
    if (url.isEmpty() || !QDesktopServices::openUrl(url))
        SetStatus(QStringLiteral("The support page could not be opened"));
}

// ---- tree and grid ----

void CAmbermillDlg::OnTreeSelection(QTreeWidgetItem* pCurrent) {
    if (m_bIgnoreNextSelection) {
        m_bIgnoreNextSelection = false;
        return;
    }
    if (pCurrent == nullptr || !m_pSession || IsRecovering())
        return;
    switch (CObjectTree::KindOf(pCurrent)) {
        case CObjectTree::ENodeKind::Table: {
            if (m_pSession->ExportRunning())
                return;
            ShowGrid(true);
            m_pPageBar->ShowForRecords(true);
            // A page of another table that is still being read is not wanted any more: the
            // newer request cancels it.
            CTable* pTable = CObjectTree::TableOf(pCurrent);
            m_pTabStrip->SetCaption(QStringLiteral("  %1  ").arg(pCurrent->text(0)));
            m_pPageBar->Next()->setEnabled(true);
            m_pPageBar->Previous()->setEnabled(false);
            m_pPageBar->SetPageNumber(QStringLiteral("1"));
            m_nCurrentPage = 1;
            std::vector<SGridColumn> vecColumns;
            for (const CColumnInfo& column : pTable->m_vecColumns)
                vecColumns.push_back(SGridColumn{column.m_strName, column.m_strType});
            m_pGridModel->SetColumns(std::move(vecColumns));
            m_pShownTable = pTable;
            m_pValueView->hide();
            m_nPendingValue = 0;
            RequestPage(EPageRequest::First);
            pCurrent->setExpanded(true);
            break;
        }
        case CObjectTree::ENodeKind::Object: {
            ShowGrid(false);
            m_pPageBar->ShowForRecords(false);
            const CViewStoredProc* pObject = CObjectTree::ObjectOf(pCurrent);
            m_pObjectText->setPlainText(QString::fromStdString(pObject->m_strText));
            m_pTabStrip->SetCaption(QStringLiteral("  %1  ").arg(pCurrent->text(0)));
            UpdateCommandStates();
            break;
        }
        default:
            // Categories, the root, columns, keys and indexes change nothing.
            break;
    }
}

void CAmbermillDlg::RequestPage(EPageRequest eRequest) {
    if (!m_pSession || m_pShownTable == nullptr)
        return;
    m_nPendingRequest = m_pSession->PageLoader().Request(m_pShownTable, eRequest);
    UpdateCommandStates();
}

void CAmbermillDlg::OnPageLoaded(const SRecordPage& page) {
    if (page.nRequest != m_nPendingRequest || page.pTable != m_pShownTable)
        return;
    // The cursor counts the pages; a page command that a newer one cancelled moved nothing.
    m_nCurrentPage = std::max(page.nPageNumber, 1);
    m_pPageBar->SetPageNumber(QString::number(m_nCurrentPage));
    const int nFirstRecord = (m_nCurrentPage - 1) * CRecordPageLoader::kRowsPerPage + 1;
    std::vector<SGridRow> vecRows = page.vecRows;
    const int nRows = static_cast<int>(vecRows.size());
    m_pGridModel->SetRows(std::move(vecRows), nFirstRecord);
    m_bmPageStart = page.bmPageStart;
    m_bPageShowsDeleted = page.bShowsDeleted;
    m_pPageBar->SetRecordCount(QString::number(nRows));
    m_pPageBar->Previous()->setEnabled(page.bPreviousEnabled);
    m_pPageBar->Next()->setEnabled(!page.bLastPage && nRows > 0);
    if (!page.strError.empty())
        SetStatus(QString::fromStdString(page.strError));
    // The same page shown again reports the same records: AddDamage keeps each one once.
    if (!page.vecDamage.empty() && m_pSession)
        AddDamage(CDamageCollector::FromDamage(page.vecDamage, m_pSession->Engine()));
    UpdateCommandStates();
    emit PageShown();
}

void CAmbermillDlg::OnNextPage() {
    if (!m_pSession || m_pShownTable == nullptr || m_pSession->PageLoader().IsBusy() ||
        !m_pPageBar->Next()->isEnabled() || m_pSession->ExportRunning()) {
        return;
    }
    ++m_nCurrentPage;
    m_pPageBar->SetPageNumber(QString::number(m_nCurrentPage));
    m_pPageBar->Next()->setEnabled(false);
    RequestPage(EPageRequest::Next);
}

void CAmbermillDlg::OnPreviousPage() {
    if (!m_pSession || m_pShownTable == nullptr || m_pSession->PageLoader().IsBusy() ||
        !m_pPageBar->Previous()->isEnabled() || m_pSession->ExportRunning()) {
        return;
    }
    --m_nCurrentPage;
    m_pPageBar->SetPageNumber(QString::number(m_nCurrentPage));
    m_pPageBar->Previous()->setEnabled(false);
    RequestPage(EPageRequest::Previous);
}

void CAmbermillDlg::OnShowDeleted(bool bShow) {
    if (!m_pSession)
        return;
    m_pSession->PageLoader().SetShowDeleted(bShow);
    // The pages change with the deleted records: the shown table starts again from page 1 (a
    // page still being read is cancelled).
    if (m_pShownTable != nullptr) {
        m_pPageBar->SetPageNumber(QStringLiteral("1"));
        m_nCurrentPage = 1;
        m_pPageBar->Previous()->setEnabled(false);
        m_pPageBar->Next()->setEnabled(false);
        m_pValueView->hide();
        m_nPendingValue = 0;
        RequestPage(EPageRequest::First);
    }
}

void CAmbermillDlg::OnCellActivated(const QModelIndex& proxyIndex) {
    const QModelIndex index = m_pFilterProxy->mapToSource(proxyIndex);
    const SGridValue* pValue = m_pGridModel->Value(index.row(), index.column());
    const SGridColumn* pColumn = m_pGridModel->Column(index.column());
    if (pValue == nullptr || pColumn == nullptr || !m_pSession)
        return;
    const QString strTitle = QStringLiteral("%1, record %2")
                                 .arg(QString::fromStdString(pColumn->strName))
                                 .arg(m_pGridModel->headerData(index.row(), Qt::Vertical).toInt());
    m_nPendingValue = 0;
    if (pValue->bHasBytes) {
        m_pValueView->ShowBytes(
            strTitle,
            {reinterpret_cast<const std::byte*>(pValue->strBytes.data()), pValue->strBytes.size()},
            CRecordPageLoader::kMaxDumpBytes);
        return;
    }
    if (pValue->eKind == EGridValueKind::BinaryNotRead) {
        // The grid does not read binary values behind text pointers; the loader reads this one
        // from the data file, off the GUI thread.
        m_strPendingValueTitle = strTitle;
        m_nPendingValue = m_pSession->PageLoader().RequestValue(SValueRequest{
            m_pShownTable, m_bmPageStart, index.row(), index.column(), m_bPageShowsDeleted});
        m_pValueView->ShowText(strTitle, QStringLiteral("Reading the value from the data file..."));
        return;
    }
    m_pValueView->ShowText(strTitle, ValueViewText(*pValue));
}

QString CAmbermillDlg::ValueViewText(const SGridValue& value) {
    switch (value.eKind) {
        case EGridValueKind::EmptyString:
            return QString();
        case EGridValueKind::Missing:
            return QStringLiteral("(nothing could be read for this value)");
        case EGridValueKind::Null:
            return QStringLiteral("NULL (no value stored)");
        case EGridValueKind::Default:
            return QStringLiteral("No value stored; the column's default is shown: %1")
                .arg(QString::fromStdString(value.strText));
        default:
            return CRecordGridModel::WholeText(value);
    }
}

void CAmbermillDlg::OnValueLoaded(const SLoadedValue& loaded) {
    if (loaded.nRequest != m_nPendingValue)
        return;
    m_nPendingValue = 0;
    if (!loaded.strError.empty()) {
        m_pValueView->ShowText(m_strPendingValueTitle, QString::fromStdString(loaded.strError));
    } else if (loaded.value.bHasBytes) {
        const std::size_t nTotal = loaded.value.strBytes.size();
        m_pValueView->ShowDump(m_strPendingValueTitle, loaded.strDump,
                               std::min(nTotal, CRecordPageLoader::kMaxDumpBytes), nTotal);
    } else {
        m_pValueView->ShowText(m_strPendingValueTitle, ValueViewText(loaded.value));
    }
    emit ValueShown();
}

// ---- damage ----

void CAmbermillDlg::AddDamage(const std::vector<SDamageRecord>& vecRecords) {
    // Pages shown again and a recovery read twice report the same records: each is kept once.
    // A set, because a badly damaged file reports thousands.
    for (const SDamageRecord& record : vecRecords) {
        if (m_setDamage.insert(record).second)
            m_vecDamage.push_back(record);
    }
    const QString strSummary = CDamageReportDlg::Summary(m_vecDamage);
    m_pStatusDamage->setText(strSummary);
    m_pStatusDamage->setVisible(!strSummary.isEmpty());
    std::set<int> setTables;
    for (const SDamageRecord& record : m_vecDamage) {
        if (record.nObjectId != 0)
            setTables.insert(record.nObjectId);
    }
    m_pTree->MarkDamagedTables(setTables);
    if (m_pDamageDlg)
        m_pDamageDlg->SetRecords(m_vecDamage);
}

void CAmbermillDlg::ShowDamageReport() {
    if (!m_pDamageDlg) {
        m_pDamageDlg = new CDamageReportDlg(this);
        m_pDamageDlg->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_pDamageDlg->SetRecords(m_vecDamage);
    m_pDamageDlg->show();
    m_pDamageDlg->raise();
}

// ---- files from outside: recent list, drops, command line ----

void CAmbermillDlg::RebuildRecentMenu() {
    m_pRecentMenu->clear();
    const QStringList lstFiles = m_recentFiles.Files();
    if (lstFiles.isEmpty()) {
        m_pRecentMenu->addAction(QStringLiteral("(none)"))->setEnabled(false);
        return;
    }
    for (const QString& strPath : lstFiles) {
        QAction* pAction = m_pRecentMenu->addAction(strPath);
        connect(pAction, &QAction::triggered, this, [this, strPath] { OpenPath(strPath); });
    }
}

void CAmbermillDlg::OpenPath(const QString& strPath) {
    if (IsRecovering())
        return;
    const QFileInfo info(strPath);
    if (!info.isFile()) {
        CUserPrompts::Warning(
            this, QStringLiteral("The file %1 does not exist or is not a file.").arg(strPath));
        return;
    }
    if (info.suffix().compare(QStringLiteral("str"), Qt::CaseInsensitive) == 0 ||
        CEngineSession::IsScanFile(strPath.toStdString())) {
        OpenScanFile(info.absoluteFilePath());
        return;
    }
    m_strMdfPath = info.absoluteFilePath();
    OnRecover();
}

void CAmbermillDlg::dragEnterEvent(QDragEnterEvent* pEvent) {
    const QList<QUrl> lstUrls = pEvent->mimeData()->urls();
    if (!IsRecovering() && lstUrls.size() == 1 && lstUrls.front().isLocalFile())
        pEvent->acceptProposedAction();
}

void CAmbermillDlg::dropEvent(QDropEvent* pEvent) {
    const QList<QUrl> lstUrls = pEvent->mimeData()->urls();
    if (IsRecovering() || lstUrls.size() != 1 || !lstUrls.front().isLocalFile())
        return;
    pEvent->acceptProposedAction();
    const QString strPath = lstUrls.front().toLocalFile();
    // Started after the drop has returned, so the source is not kept waiting on our dialogs.
    QMetaObject::invokeMethod(
        this, [this, strPath] { OpenPath(strPath); }, Qt::QueuedConnection);
}

// ---- closing ----

void CAmbermillDlg::closeEvent(QCloseEvent* pEvent) {
    if (!CUserPrompts::Ask(this,
                           QStringLiteral("Are you sure you want to close the application ?"))) {
        pEvent->ignore();
        return;
    }
    SaveSettings();
    // Whatever still runs on the engine is stopped and joined before the window goes.
    delete m_pProgressDlg;
    delete m_pExportProgressDlg;
    if (m_pSession)
        m_pSession->RequestStop();
    ReplaceSession(nullptr);
    pEvent->accept();
}
