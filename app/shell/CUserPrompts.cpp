// app/shell/CUserPrompts.cpp
#include "app/shell/CUserPrompts.h"

#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <deque>

#include "app/shell/CSplashScreen.h"
#include "app/shell/CSqlFormatOptDlg.h"

namespace {
// Test-mode state; touched only on the GUI thread.
struct STestHooks {
    bool bOn = false;
    std::deque<bool> dqAnswers;
    std::deque<QString> dqFileNames;
    std::deque<int> dqFormats;
    QStringList lstShown;
};

STestHooks& Hooks() {
    static STestHooks hooks;
    return hooks;
}

template <typename T>
T TakeOr(std::deque<T>& dq, T fallback) {
    if (dq.empty())
        return fallback;
    T value = std::move(dq.front());
    dq.pop_front();
    return value;
}

// A dialog never opens under the splash picture.
void BeforeDialog() {
    CSplashScreen::DismissAll();
}
}  // namespace

QString CUserPrompts::Caption() {
    return QStringLiteral("Varnholt Ambermill");
}

bool CUserPrompts::Ask(QWidget* pParent, const QString& strQuestion) {
    if (Hooks().bOn) {
        Hooks().lstShown << strQuestion;
        return TakeOr(Hooks().dqAnswers, false);
    }
    BeforeDialog();
    return QMessageBox::question(pParent, Caption(), strQuestion,
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
}

void CUserPrompts::Notice(QWidget* pParent, const QString& strText) {
    if (Hooks().bOn) {
        Hooks().lstShown << strText;
        return;
    }
    BeforeDialog();
    QMessageBox::information(pParent, Caption(), strText, QMessageBox::Ok);
}

void CUserPrompts::Warning(QWidget* pParent, const QString& strText) {
    if (Hooks().bOn) {
        Hooks().lstShown << strText;
        return;
    }
    BeforeDialog();
    QMessageBox::warning(pParent, Caption(), strText, QMessageBox::Ok);
}

QString CUserPrompts::OpenFileName(QWidget* pParent, const QString& strCaption,
                                   const QString& strFilter) {
    if (Hooks().bOn) {
        Hooks().lstShown << strCaption + " [" + strFilter + "]";
        return TakeOr(Hooks().dqFileNames, QString());
    }
    BeforeDialog();
    return QFileDialog::getOpenFileName(pParent, strCaption, QString(), strFilter);
}

QString CUserPrompts::SaveFileName(QWidget* pParent, const QString& strCaption,
                                   const QString& strFilter, const QString& strSuggested) {
    if (Hooks().bOn) {
        Hooks().lstShown << strCaption + " [" + strFilter + "]";
        return TakeOr(Hooks().dqFileNames, QString());
    }
    BeforeDialog();
    return QFileDialog::getSaveFileName(pParent, strCaption, strSuggested, strFilter);
}

QString CUserPrompts::FolderName(QWidget* pParent, const QString& strCaption) {
    if (Hooks().bOn) {
        Hooks().lstShown << strCaption;
        return TakeOr(Hooks().dqFileNames, QString());
    }
    BeforeDialog();
    return QFileDialog::getExistingDirectory(pParent, strCaption, QDir::currentPath(),
                                             QFileDialog::ShowDirsOnly);
}

int CUserPrompts::ChooseFormat(QWidget* pParent) {
    if (Hooks().bOn) {
        Hooks().lstShown << QStringLiteral("Select version");
        return TakeOr(Hooks().dqFormats, 0);
    }
    BeforeDialog();
    CSqlFormatOptDlg dialog(pParent);
    dialog.exec();
    return dialog.m_nFormat;
}

void CUserPrompts::About(QWidget* pParent) {
    const QString strText = QStringLiteral(
        "<b>Varnholt Ambermill</b> - v4.9<p>Recovers the tables, records and "
        "programmable objects of a SQL Server data file (.mdf) without a "
        "database server. The data file is only read, never changed.</p>");
    if (Hooks().bOn) {
        Hooks().lstShown << strText;
        return;
    }
    BeforeDialog();
    QMessageBox::about(pParent, Caption(), strText);
}

void CUserPrompts::SetTestMode(bool bOn) {
    Hooks() = STestHooks{};
    Hooks().bOn = bOn;
}

bool CUserPrompts::TestMode() {
    return Hooks().bOn;
}

void CUserPrompts::SetNextAnswer(bool bYes) {
    Hooks().dqAnswers.push_back(bYes);
}

void CUserPrompts::SetNextFileName(const QString& strPath) {
    Hooks().dqFileNames.push_back(strPath);
}

void CUserPrompts::SetNextFormat(int nFormat) {
    Hooks().dqFormats.push_back(nFormat);
}

QStringList CUserPrompts::TakeShown() {
    QStringList lst;
    lst.swap(Hooks().lstShown);
    return lst;
}
