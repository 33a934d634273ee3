// app/shell/CAmbermillDlg.h
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QSettings>
#include <memory>
#include <set>
#include <vector>

#include "app/shell/CEngineSession.h"
#include "app/shell/CRecentFiles.h"
#include "app/shell/CRecoveryRun.h"
#include "app/shell/SDamageRecord.h"
#include "app/shell/SRecordPage.h"

class CDamageReportDlg;
class CExportOptionDlg;
class CExportPausePoint;
class CExportProgressDlg;
class CObjectTree;
class CPageBar;
class CProgressDlg;
class CRecordGrid;
class CRecordGridModel;
class CTabStrip;
class CTable;
class CValueView;
class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QSortFilterProxyModel;
class QSplitter;
class QTreeWidgetItem;

// The main window: object tree, record grid with its page bar, object-text view, toolbar, menu and
// status bar. It owns the current engine session and starts every user command. Everything here
// runs on the GUI thread; engine work runs on the session's threads and reports back by queued
// signals.
class CAmbermillDlg : public QMainWindow {
    Q_OBJECT

  public:
    static constexpr int kTreeWidth = 240;
    // How far the bar between tree and grid may be dragged from where it starts.
    static constexpr int kSplitterLeft = 62;
    static constexpr int kSplitterRight = 275;

    explicit CAmbermillDlg(QWidget* pParent = nullptr);
    ~CAmbermillDlg() override;

    // Commands.
    void OnLoad();
    void OnRecover();
    void OnOpenScan();
    void OnSaveScan();
    void OnExportToolbar();
    void OnExportMenu();
    void OnHelp();
    void OnSupport();
    // A data file or scan file named on the command line, dropped on the window or picked from
    // the recent files.
    void OpenPath(const QString& strPath);
    void OnPreviousPage();
    void OnNextPage();

    // State that the tests and the benchmark look at.
    CEngineSession* Session() const { return m_pSession.get(); }
    CProgressDlg* ProgressDialog() const;
    CExportOptionDlg* ExportOptionDialog() const;
    CExportProgressDlg* ExportProgressDialog() const;
    // The export dialogs for the tables given (all objects when empty), as a table's context menu
    // starts them.
    void ExportTables(const std::vector<CTable*>& vecTables);
    CObjectTree* Tree() const { return m_pTree; }
    CRecordGridModel* GridModel() const { return m_pGridModel; }
    QString StatusText() const;
    QString MdfPath() const { return m_strMdfPath; }
    void SetMdfPath(const QString& strPath) { m_strMdfPath = strPath; }
    const std::vector<SDamageRecord>& Damage() const { return m_vecDamage; }
    // Where the next exports are held mid-way (tests and the screenshot tool); nullptr: never.
    void SetExportPausePoint(std::shared_ptr<CExportPausePoint> pPause) {
        m_pExportPause = std::move(pPause);
    }
    // Pacing of the next recoveries (tests and benchmarks).
    void SetRecoveryPacing(CRecoveryRun::SPacing pacing) { m_pacing = std::move(pacing); }
    // The help page and the support address the commands open.
    static QUrl HelpUrl();
    static QUrl SupportUrl();

  signals:
    // A page of records is in the grid (after the model was reset).
    void PageShown();
    // A recovery command has ended (after the save question).
    void RecoveryEnded();
    // A value read from the data file for the value view is shown.
    void ValueShown();

  protected:
    void closeEvent(QCloseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

  private:
    void BuildActions();
    void BuildMenus();
    void BuildToolBars();
    void BuildCentral();
    void BuildStatusBar();
    void RestoreSettings();
    void SaveSettings();

    void SetStatus(const QString& strText);
    void ReplaceSession(std::unique_ptr<CEngineSession> pSession);
    void UpdateCommandStates();
    void ShowGrid(bool bGrid);
    void ResetPageBar(const QString& strCaption);
    bool IsRecovering() const;

    void OnCatalogReady();
    void OnRecoveryDone();
    void OpenScanFile(const QString& strPath);
    void SaveScanInteractive();
    void RunExport(const std::vector<CTable*>& vecPreselected = {});
    void OnExportOptionsDone(CExportOptionDlg* pOptions);
    void OnExportJobEnded();
    void OnTreeContextMenu(const QPoint& point);
    QString NothingRecoveredReason() const;

    void OnTreeSelection(QTreeWidgetItem* pCurrent);
    void RequestPage(EPageRequest eRequest);
    void OnPageLoaded(const SRecordPage& page);
    void OnShowDeleted(bool bShow);
    void OnCellActivated(const QModelIndex& index);
    void OnValueLoaded(const SLoadedValue& loaded);
    // The value view's text for a value that is not shown as bytes.
    static QString ValueViewText(const SGridValue& value);
    void ShowDamageReport();
    void AddDamage(const std::vector<SDamageRecord>& vecRecords);
    void RebuildRecentMenu();

    // Read at start and written when the window closes (see CRecentFiles for why not sooner).
    QSettings m_settings;
    CRecentFiles m_recentFiles;
    std::unique_ptr<CEngineSession> m_pSession;
    QString m_strMdfPath;
    EEngineFormat m_eFormat = EEngineFormat::Unknown;
    QString m_strVersionLabel;
    QString m_strProbeError;  // why the last probed file is no data file, or empty
    int m_nCurrentPage = 0;
    bool m_bIgnoreNextSelection = false;
    CTable* m_pShownTable = nullptr;
    std::uint64_t m_nPendingRequest = 0;
    // The page shown: where it began and whether it holds deleted records (a value of it is read
    // again from there).
    SBookmark m_bmPageStart;
    bool m_bPageShowsDeleted = false;
    std::uint64_t m_nPendingValue = 0;
    QString m_strPendingValueTitle;
    CRecoveryRun::SPacing m_pacing;
    std::vector<SDamageRecord> m_vecDamage;  // in the order they were reported
    std::set<SDamageRecord> m_setDamage;     // the same, to keep each record once

    CObjectTree* m_pTree = nullptr;
    QSplitter* m_pSplitter = nullptr;
    QSplitter* m_pGridSplitter = nullptr;
    CTabStrip* m_pTabStrip = nullptr;
    QLineEdit* m_pFilter = nullptr;
    QCheckBox* m_pShowDeleted = nullptr;
    CRecordGrid* m_pGrid = nullptr;
    CRecordGridModel* m_pGridModel = nullptr;
    QSortFilterProxyModel* m_pFilterProxy = nullptr;
    QPlainTextEdit* m_pObjectText = nullptr;
    CValueView* m_pValueView = nullptr;
    CPageBar* m_pPageBar = nullptr;
    QLabel* m_pStatusText = nullptr;
    QLabel* m_pStatusDamage = nullptr;
    QPointer<CProgressDlg> m_pProgressDlg;
    QPointer<CDamageReportDlg> m_pDamageDlg;
    QPointer<CExportOptionDlg> m_pExportOptionDlg;
    QPointer<CExportProgressDlg> m_pExportProgressDlg;
    std::shared_ptr<CExportPausePoint> m_pExportPause;
    QString m_strOutputDir;  // the folder of the last scripts export

    QAction* m_pActLoad = nullptr;
    QAction* m_pActOpenScan = nullptr;
    QAction* m_pActSaveScan = nullptr;
    QAction* m_pActExport = nullptr;
    QAction* m_pActMenuExport = nullptr;
    QAction* m_pActSupport = nullptr;
    QAction* m_pActHelp = nullptr;
    QAction* m_pActExit = nullptr;
    QAction* m_pActAbout = nullptr;
    QAction* m_pActDamage = nullptr;
    QAction* m_pActFind = nullptr;
    QAction* m_pActPreviousPage = nullptr;
    QAction* m_pActNextPage = nullptr;
    QMenu* m_pRecentMenu = nullptr;
};
