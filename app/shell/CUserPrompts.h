// app/shell/CUserPrompts.h
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// Every message box and file chooser of the program goes through here, so that tests can answer
// them: in test mode no dialog is shown, the next queued answer is taken (No, Cancel or an empty
// name when none is queued) and every text is recorded. All on the GUI thread.
class CUserPrompts {
  public:
    // The caption of every message box.
    static QString Caption();

    // Yes/No question with the question icon; true for Yes.
    static bool Ask(QWidget* pParent, const QString& strQuestion);
    // A notice with OK only.
    static void Notice(QWidget* pParent, const QString& strText);
    // A notice with the warning icon (something could not be done).
    static void Warning(QWidget* pParent, const QString& strText);
    // An existing file to open; empty on Cancel.
    static QString OpenFileName(QWidget* pParent, const QString& strCaption,
                                const QString& strFilter);
    // A file to write; empty on Cancel.
    static QString SaveFileName(QWidget* pParent, const QString& strCaption,
                                const QString& strFilter, const QString& strSuggested);
    // An existing folder, starting at the current directory; empty on Cancel.
    static QString FolderName(QWidget* pParent, const QString& strCaption);
    // The version dialog: 1, 2 or 3 for the 2000, 2005 or 2008 format, 0 on Cancel.
    static int ChooseFormat(QWidget* pParent);
    // The About box.
    static void About(QWidget* pParent);

    // Test hooks.
    static void SetTestMode(bool bOn);
    static bool TestMode();
    static void SetNextAnswer(bool bYes);
    static void SetNextFileName(const QString& strPath);
    static void SetNextFormat(int nFormat);
    // Texts of the messages, questions and choosers shown (or answered) since the last call.
    static QStringList TakeShown();
};
