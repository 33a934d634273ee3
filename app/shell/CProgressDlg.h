// app/shell/CProgressDlg.h
#pragma once

#include <QDialog>

class CRecoveryRun;
class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;

// Follows one recovery: pages read (0 to 50 percent), the three catalog stages (60, 70, 100),
// then the object counts. Everything here runs on the GUI thread: the run posts its steps, and a
// timer reads the page counter. Stop asks first and keeps the dialog until the work has ended.
class CProgressDlg : public QDialog {
    Q_OBJECT

  public:
    // How the dialog ended: a finished recovery closed with "Close", a stop from the button, or
    // a stop from the close box.
    enum class EOutcome { Running, Finished, Stopped, StoppedByCloseBox };
    Q_ENUM(EOutcome)

    static constexpr int kPollMs = 100;

    CProgressDlg(CRecoveryRun& run, const QString& strFormatLabel, QWidget* pParent = nullptr);

    EOutcome Outcome() const { return m_eOutcome; }
    bool RecoveryFinished() const { return m_bFinished; }

  signals:
    // The catalog is whole and no engine thread runs: the window fills its tree now, before the
    // counts are shown.
    void CatalogReady();
    // The dialog has closed (Close after the counts, or after a confirmed stop has ended).
    void Done(CProgressDlg::EOutcome eOutcome);

  public slots:
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* pEvent) override;

  private:
    void OnButton();
    void OnPercent(int nPercent);
    void OnFinished(bool bCompleted);
    void Poll();
    bool ConfirmStop(EOutcome eOutcome);
    void End();

    CRecoveryRun& m_run;
    QProgressBar* m_pProgress = nullptr;
    QLabel* m_pPercent = nullptr;
    QPushButton* m_pButton = nullptr;
    QLabel* m_pPagesRead = nullptr;
    QLabel* m_pDatabaseName = nullptr;
    QLabel* m_pVersion = nullptr;
    QLabel* m_arrCounts[6] = {};
    QTimer* m_pTimer = nullptr;
    EOutcome m_eOutcome = EOutcome::Running;
    EOutcome m_eStopOutcome = EOutcome::Running;  // set once a stop was confirmed
    bool m_bFinished = false;  // the counts are shown and the button reads "Close"
    bool m_bRunEnded = false;
};
