// app/export/dialogs/CExportProgressDlg.h
#pragma once

#include <QDialog>
#include <memory>
#include <thread>

#include "app/export/job/CExportJob.h"
#include "app/export/job/SExportOptions.h"

class COdbcConnection;
class CExportPausePoint;
class CSQLServerEngine;
class QLabel;
class QListWidget;
class QProgressBar;
class QPushButton;
class QTreeWidget;

// Runs one export job on a thread of its own and follows it: message list, progress bar and
// percentage, Stop. When the job ends it shows the result: the table report after a database
// export (saved as CSV on Close when the user wants it), the restore note after a scripts export.
// The job reports through queued calls; only the GUI thread touches the widgets. A stop is
// cooperative: the dialog stays until the job has closed its files and connections.
class CExportProgressDlg : public QDialog {
    Q_OBJECT

  public:
    enum class EState { Running, Stopping, Finished, Failed, Stopped };

    // The job starts at once. pConnection: the open destination connection (database target),
    // owned by the dialog until the job has ended. pPause: where tests and the screenshot tool
    // hold the job mid-export (nullptr: never held); a stop releases it.
    CExportProgressDlg(CSQLServerEngine& engine, SExportOptions options,
                       std::unique_ptr<COdbcConnection> pConnection, QWidget* pParent = nullptr,
                       std::shared_ptr<CExportPausePoint> pPause = nullptr);
    // Stops the job and waits for it.
    ~CExportProgressDlg() override;

    EState State() const { return m_eState; }
    bool JobRunning() const { return m_eState == EState::Running || m_eState == EState::Stopping; }
    const CExportJob::SResult& Result() const { return m_result; }
    // Asks the job to stop after the user confirmed it (the window's Stop command).
    void RequestStop();

  signals:
    // The job has ended (the result is in Result()); the dialog may still be open.
    void JobEnded();

  public slots:
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* pEvent) override;

  private:
    class CObserver;
    void OnMessage(const QString& strText);
    void OnProgress(int nPercent);
    void OnJobEnded(std::shared_ptr<CExportJob::SResult> pResult);
    void OnStopButton();
    void OnCloseButton();
    bool ConfirmStop();
    void ShowResult();
    bool SaveReport();
    void JoinJob();

    CSQLServerEngine& m_engine;
    bool m_bToDatabase;
    std::unique_ptr<COdbcConnection> m_pConnection;
    std::shared_ptr<CExportPausePoint> m_pPause;
    std::unique_ptr<CObserver> m_pObserver;
    std::thread m_jobThread;
    EState m_eState = EState::Running;
    CExportJob::SResult m_result;

    QListWidget* m_pMessages = nullptr;
    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pPercent = nullptr;
    QPushButton* m_pStop = nullptr;
    QLabel* m_pNote = nullptr;
    QTreeWidget* m_pReport = nullptr;
    QPushButton* m_pClose = nullptr;
};
