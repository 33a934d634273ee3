// app/export/dialogs/CExportProgressDlg.cpp
#include "app/export/dialogs/CExportProgressDlg.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/export/job/CBundleNames.h"
#include "app/export/job/CExportPausePoint.h"
#include "app/export/job/IExportObserver.h"
#include "app/shell/CUserPrompts.h"
#include "common/OdbcConnection.h"
#include "engine/core/CSQLServerEngine.h"

namespace {
// The restore note as rich text, with the bundle folder as a link that opens it.
QString NoteHtml(const std::string& strNote, const std::filesystem::path& folder) {
    QString strHtml = QString::fromStdString(strNote).toHtmlEscaped();
    const QString strFolder = QString::fromStdString(folder.string()).toHtmlEscaped();
    const QString strLink = QStringLiteral("<a href=\"%1\">%2</a>")
                                .arg(QUrl::fromLocalFile(QString::fromStdString(folder.string()))
                                         .toString(QUrl::FullyEncoded),
                                     strFolder);
    strHtml.replace(strFolder, strLink);
    strHtml.replace(QStringLiteral("\r\n"), QStringLiteral("<br>"));
    strHtml.replace(QStringLiteral("\n"), QStringLiteral("<br>"));
    strHtml.replace(QStringLiteral("\t"), QStringLiteral("&nbsp;&nbsp;&nbsp;&nbsp;"));
    return strHtml;
}
}  // namespace

// Called on the job's thread and the workers' threads (one at a time, under the pool's lock):
// it only posts to the dialog.
class CExportProgressDlg::CObserver : public IExportObserver {
  public:
    CObserver(CExportProgressDlg& dialog, CExportPausePoint* pPause)
        : m_dialog(dialog), m_pPause(pPause) {}
    void OnMessage(const std::string& strText) override {
        QMetaObject::invokeMethod(
            &m_dialog,
            [pDialog = &m_dialog, strText = QString::fromStdString(strText)] {
                pDialog->OnMessage(strText);
            },
            Qt::QueuedConnection);
    }
    void OnProgress(int nPercent, int, int) override {
        QMetaObject::invokeMethod(
            &m_dialog, [pDialog = &m_dialog, nPercent] { pDialog->OnProgress(nPercent); },
            Qt::QueuedConnection);
        // Posted first, so that a held job shows the progress it is held at.
        if (m_pPause)
            m_pPause->Reach(nPercent);
    }
    void OnTableDone(const std::string&, std::int64_t, std::int64_t) override {}

  private:
    CExportProgressDlg& m_dialog;
    CExportPausePoint* m_pPause;
};

CExportProgressDlg::CExportProgressDlg(CSQLServerEngine& engine, SExportOptions options,
                                       std::unique_ptr<COdbcConnection> pConnection,
                                       QWidget* pParent, std::shared_ptr<CExportPausePoint> pPause)
    : QDialog(pParent),
      m_engine(engine),
      m_bToDatabase(options.eTarget == EExportTarget::Database),
      m_pConnection(std::move(pConnection)),
      m_pPause(std::move(pPause)),
      m_pObserver(std::make_unique<CObserver>(*this, m_pPause.get())) {
    setObjectName(QStringLiteral("exportProgressDialog"));
    setWindowTitle(CUserPrompts::Caption());

    m_pMessages = new QListWidget(this);
    m_pMessages->setObjectName(QStringLiteral("messageList"));
    m_pMessages->addItem(QStringLiteral("Exporting database..."));
    m_pProgress = new QProgressBar(this);
    m_pProgress->setObjectName(QStringLiteral("exportProgressBar"));
    m_pProgress->setRange(0, 100);
    m_pProgress->setTextVisible(false);
    m_pPercent = new QLabel(QStringLiteral("0  %"), this);
    m_pPercent->setObjectName(QStringLiteral("lblExportPercent"));
    m_pStop = new QPushButton(QStringLiteral("Stop"), this);
    m_pStop->setObjectName(QStringLiteral("btnExportStop"));
    m_pNote = new QLabel(this);
    m_pNote->setObjectName(QStringLiteral("lblNote"));
    m_pNote->setWordWrap(true);
    m_pNote->setTextFormat(Qt::RichText);
    m_pNote->setOpenExternalLinks(true);
    m_pNote->setTextInteractionFlags(Qt::TextBrowserInteraction);
    m_pNote->hide();
    m_pReport = new QTreeWidget(this);
    m_pReport->setObjectName(QStringLiteral("reportList"));
    m_pReport->setRootIsDecorated(false);
    m_pReport->setAllColumnsShowFocus(true);
    // A third column beside the two of the report: a table that exported 0 records must say
    // whether the target refused them.
    m_pReport->setColumnCount(3);
    m_pReport->setHeaderLabels({QStringLiteral("Name"), QStringLiteral("Exported Record Count"),
                                QStringLiteral("Failed")});
    m_pReport->header()->resizeSection(0, 250);
    m_pReport->header()->resizeSection(1, 160);
    m_pReport->hide();
    m_pClose = new QPushButton(QStringLiteral("Close"), this);
    m_pClose->setObjectName(QStringLiteral("btnExportClose"));
    m_pClose->hide();

    auto* pBar = new QHBoxLayout;
    pBar->addWidget(m_pProgress, 1);
    pBar->addWidget(m_pPercent);
    pBar->addWidget(m_pStop);
    auto* pButtons = new QHBoxLayout;
    pButtons->addStretch(1);
    pButtons->addWidget(m_pClose);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pMessages, 1);
    pLayout->addWidget(m_pNote, 1);
    pLayout->addWidget(m_pReport, 1);
    pLayout->addLayout(pBar);
    pLayout->addLayout(pButtons);
    resize(600, 380);

    connect(m_pStop, &QPushButton::clicked, this, &CExportProgressDlg::OnStopButton);
    connect(m_pClose, &QPushButton::clicked, this, &CExportProgressDlg::OnCloseButton);

    options.pConnection = m_pConnection.get();
    m_engine.m_pStatus->m_bStop = false;
    m_jobThread = std::thread([this, options = std::move(options)] {
        CExportJob job(m_engine, options, *m_pObserver);
        auto pResult = std::make_shared<CExportJob::SResult>(job.Run());
        QMetaObject::invokeMethod(
            this, [this, pResult] { OnJobEnded(pResult); }, Qt::QueuedConnection);
    });
}

CExportProgressDlg::~CExportProgressDlg() {
    if (m_jobThread.joinable())
        m_engine.m_pStatus->m_bStop = true;
    if (m_pPause)
        m_pPause->Release();
    JoinJob();
}

void CExportProgressDlg::JoinJob() {
    if (m_jobThread.joinable())
        m_jobThread.join();
    // The job is over: the destination connection is not needed any more.
    if (m_pConnection)
        m_pConnection->Close();
}

void CExportProgressDlg::OnMessage(const QString& strText) {
    m_pMessages->addItem(strText);
    m_pMessages->scrollToBottom();
}

void CExportProgressDlg::OnProgress(int nPercent) {
    if (m_eState != EState::Running)
        return;
    m_pProgress->setValue(nPercent);
    m_pPercent->setText(QStringLiteral("%1%").arg(nPercent));
}

void CExportProgressDlg::RequestStop() {
    if (m_eState != EState::Running)
        return;
    m_eState = EState::Stopping;
    m_pStop->setEnabled(false);
    m_pStop->setText(QStringLiteral("Finish"));
    m_engine.m_pStatus->m_bStop = true;
    // A held job could not see the stop.
    if (m_pPause)
        m_pPause->Release();
}

bool CExportProgressDlg::ConfirmStop() {
    if (!CUserPrompts::Ask(this, QStringLiteral("Are you sure you want stop the export process ?")))
        return false;
    // It may have ended while the question was open.
    if (m_eState != EState::Running)
        return false;
    RequestStop();
    return true;
}

void CExportProgressDlg::OnStopButton() {
    if (!JobRunning()) {
        accept();
        return;
    }
    if (m_eState == EState::Running)
        ConfirmStop();
}

void CExportProgressDlg::closeEvent(QCloseEvent* pEvent) {
    if (!JobRunning()) {
        QDialog::closeEvent(pEvent);
        return;
    }
    // The dialog goes once the job has ended, closed its files and released its connections.
    pEvent->ignore();
    if (m_eState == EState::Running)
        ConfirmStop();
}

void CExportProgressDlg::reject() {
    if (!JobRunning()) {
        QDialog::reject();
        return;
    }
    if (m_eState == EState::Running)
        ConfirmStop();
}

void CExportProgressDlg::OnJobEnded(std::shared_ptr<CExportJob::SResult> pResult) {
    JoinJob();
    m_result = std::move(*pResult);
    if (m_result.bStopped || m_eState == EState::Stopping) {
        m_eState = EState::Stopped;
        emit JobEnded();
        done(QDialog::Rejected);
        return;
    }
    if (!m_result.bComplete) {
        m_eState = EState::Failed;
        const QString strError = QString::fromStdString(m_result.strError);
        OnMessage(QStringLiteral("Export failed: ") + strError);
        m_pStop->hide();
        m_pClose->show();
        emit JobEnded();
        CUserPrompts::Warning(this, QStringLiteral("The export did not complete:\n") + strError);
        return;
    }
    m_eState = EState::Finished;
    ShowResult();
    emit JobEnded();
}

void CExportProgressDlg::ShowResult() {
    m_pProgress->setValue(100);
    m_pPercent->setText(QStringLiteral("100%"));
    m_pStop->setText(QStringLiteral("Finish"));
    m_pMessages->hide();
    m_pProgress->hide();
    m_pPercent->hide();
    m_pStop->hide();
    if (m_bToDatabase) {
        for (const CExportReport::SRow& row : m_result.report.Rows()) {
            auto* pItem = new QTreeWidgetItem(m_pReport);
            pItem->setText(0, QString::fromStdString(row.strName));
            pItem->setText(1, QString::number(row.nExported));
            pItem->setText(2, QString::number(row.nFailed));
        }
        m_pReport->show();
    } else {
        m_pNote->setText(NoteHtml(m_result.strNote, m_result.bundleFolder));
        m_pNote->show();
    }
    m_pClose->show();
    m_pClose->setFocus();
}

bool CExportProgressDlg::SaveReport() {
    const QString strFolder = CUserPrompts::FolderName(
        this, QStringLiteral(" Please select a folder to save the .csv files "));
    if (strFolder.isEmpty())
        return false;
    const std::filesystem::path path =
        std::filesystem::path(strFolder.toStdString()) /
        CBundleNames::ReportName(m_engine.m_strDatabaseName, CBundleNames::Now());
    std::string strError;
    if (!m_result.report.Write(path, strError)) {
        // Never dropped silently: the user may choose another folder.
        CUserPrompts::Warning(this, QString::fromStdString(strError));
        return false;
    }
    return true;
}

void CExportProgressDlg::OnCloseButton() {
    if (m_eState == EState::Finished && m_bToDatabase &&
        CUserPrompts::Ask(this,
                          QStringLiteral("Do you want to Export the Details to a .csv file ?"))) {
        if (!SaveReport())
            return;
    }
    accept();
}
