// app/shell/CProgressDlg.cpp
#include "app/shell/CProgressDlg.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include "app/shell/CRecoveryRun.h"
#include "app/shell/CUserPrompts.h"

namespace {
QString CountText(int nCount) {
    return QStringLiteral("%1 (%1)").arg(nCount);
}
}  // namespace

CProgressDlg::CProgressDlg(CRecoveryRun& run, const QString& strFormatLabel, QWidget* pParent)
    : QDialog(pParent), m_run(run) {
    setObjectName(QStringLiteral("progressDialog"));
    setWindowTitle(CUserPrompts::Caption());
    setModal(true);

    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName(QStringLiteral("progressBar"));
    m_pProgress->setRange(0, 100);
    m_pProgress->setValue(0);
    m_pProgress->setTextVisible(false);
    m_pPercent = new QLabel(QStringLiteral("0 %"), this);
    m_pPercent->setObjectName(QStringLiteral("lblPercent"));
    m_pPercent->setMinimumWidth(40);
    m_pButton = new QPushButton(QStringLiteral("Stop"), this);
    m_pButton->setObjectName(QStringLiteral("btnStop"));
    m_pButton->setDefault(true);

    auto* pDetails = new QGroupBox(QStringLiteral("MDF Details"), this);
    auto* pForm = new QFormLayout(pDetails);
    pForm->setLabelAlignment(Qt::AlignRight);
    auto addValue = [&](const char* pszLabel, const char* pszName, const QString& strInitial) {
        auto* pValue = new QLabel(strInitial, pDetails);
        pValue->setObjectName(QLatin1String(pszName));
        pValue->setTextInteractionFlags(Qt::TextSelectableByMouse);
        pForm->addRow(QLatin1String(pszLabel), pValue);
        return pValue;
    };
    m_pPagesRead = addValue("Pages Read :", "valPagesRead", QStringLiteral("0"));
    m_pDatabaseName = addValue("Database Name :", "valDatabaseName", QString());
    m_pVersion = addValue("Database Version :", "valDatabaseVersion", strFormatLabel);
    m_arrCounts[0] = addValue("Tables :", "valTables", CountText(0));
    m_arrCounts[1] = addValue(" Views :", "valViews", CountText(0));
    m_arrCounts[2] = addValue("Stored Procedure :", "valProcedures", CountText(0));
    m_arrCounts[3] = addValue("Rules :", "valRules", CountText(0));
    m_arrCounts[4] = addValue("Triggers :", "valTriggers", CountText(0));
    m_arrCounts[5] = addValue("Functions :", "valFunctions", CountText(0));

    auto* pTop = new QHBoxLayout;
    pTop->addWidget(m_pProgress, 1);
    pTop->addWidget(m_pPercent);
    pTop->addWidget(m_pButton);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addLayout(pTop);
    pLayout->addWidget(pDetails);
    setMinimumWidth(420);

    connect(m_pButton, &QPushButton::clicked, this, &CProgressDlg::OnButton);
    connect(&m_run, &CRecoveryRun::PercentChanged, this, &CProgressDlg::OnPercent);
    connect(&m_run, &CRecoveryRun::Finished, this, &CProgressDlg::OnFinished);
    m_pTimer = new QTimer(this);
    m_pTimer->setInterval(kPollMs);
    connect(m_pTimer, &QTimer::timeout, this, &CProgressDlg::Poll);
    m_pTimer->start();
}

void CProgressDlg::Poll() {
    m_pPagesRead->setText(QString::number(m_run.PagesRead()));
    if (m_pDatabaseName->text().isEmpty())
        m_pDatabaseName->setText(QString::fromStdString(m_run.DatabaseName()));
}

void CProgressDlg::OnPercent(int nPercent) {
    if (m_eStopOutcome != EOutcome::Running)
        return;
    m_pProgress->setValue(nPercent);
    m_pPercent->setText(QStringLiteral("%1 %").arg(nPercent));
}

void CProgressDlg::OnFinished(bool bCompleted) {
    m_bRunEnded = true;
    m_pTimer->stop();
    Poll();
    if (m_eStopOutcome != EOutcome::Running) {
        // A confirmed stop has ended: the dialog goes now.
        m_eOutcome = m_eStopOutcome;
        End();
        return;
    }
    if (bCompleted) {
        // 100 % is shown before the tree is filled, and the counts after it.
        m_pProgress->setValue(100);
        m_pPercent->setText(QStringLiteral("100 %"));
        emit CatalogReady();
        const CRecoveryRun::SCounts counts = m_run.Counts();
        const int arrCounts[6] = {counts.nTables, counts.nViews,    counts.nProcedures,
                                  counts.nRules,  counts.nTriggers, counts.nFunctions};
        for (int i = 0; i < 6; ++i)
            m_arrCounts[i]->setText(CountText(arrCounts[i]));
    }
    m_bFinished = true;
    m_pButton->setEnabled(true);
    m_pButton->setText(QStringLiteral("Close"));
}

bool CProgressDlg::ConfirmStop(EOutcome eOutcome) {
    if (!CUserPrompts::Ask(this,
                           QStringLiteral("Are you sure you want stop the recovery process ?")))
        return false;
    if (m_bRunEnded) {
        // It finished while the question was open.
        return false;
    }
    m_eStopOutcome = eOutcome;
    m_pButton->setEnabled(false);
    m_pButton->setText(QStringLiteral("Stopping..."));
    m_run.RequestStop();
    return true;
}

void CProgressDlg::OnButton() {
    if (m_bFinished) {
        m_eOutcome = EOutcome::Finished;
        End();
        return;
    }
    if (m_eStopOutcome == EOutcome::Running)
        ConfirmStop(EOutcome::Stopped);
}

void CProgressDlg::reject() {
    // Escape and the close box: while scanning they stop after the same question; once finished
    // they close at once.
    if (m_bFinished) {
        m_eOutcome = EOutcome::Finished;
        End();
        return;
    }
    if (m_eStopOutcome == EOutcome::Running)
        ConfirmStop(EOutcome::StoppedByCloseBox);
}

void CProgressDlg::closeEvent(QCloseEvent* pEvent) {
    // The dialog never goes while the work runs; End() closes it once the run has ended.
    if (m_eOutcome == EOutcome::Running) {
        pEvent->ignore();
        reject();
        return;
    }
    QDialog::closeEvent(pEvent);
}

void CProgressDlg::End() {
    emit Done(m_eOutcome);
    done(m_eOutcome == EOutcome::StoppedByCloseBox ? QDialog::Rejected : QDialog::Accepted);
}
