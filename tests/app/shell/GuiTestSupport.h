// tests/app/shell/GuiTestSupport.h
#pragma once

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/shell/CAmbermillDlg.h"
#include "support/TestFiles.h"

class QTreeWidgetItem;

namespace GuiTest {

// Processes events until fnDone holds; false after nTimeoutMs.
bool WaitFor(const std::function<bool()>& fnDone, int nTimeoutMs = 15000);

// A data file of one table "Big" (Id int, Name varchar(20)) with nRows rows: Id 1..nRows, Name
// "row <Id>".
std::filesystem::path WriteBigTable(const std::filesystem::path& folder, int nRows,
                                    std::uint16_t nVersion = 539);

// The tree as text, one node per line, indented by depth (to compare two fills).
QString TreeText(const QTreeWidgetItem* pItem);

// The real main window, shown, with a model tester on its grid model and the prompts' record
// emptied before and after each test.
class CMainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Recovers the file through the Recover command and closes the progress dialog when it is
    // finished; bSave answers the save question (with strScanPath as the file when saving).
    // Returns the prompts shown during the command.
    QStringList Recover(const std::filesystem::path& path, bool bSave = false,
                        const QString& strScanPath = QString());
    // Selects the table node and waits for its first page.
    void SelectTable(const QString& strName);
    // Clicks a page button and waits for the page.
    void ClickPage(const char* pszButton);
    QTreeWidgetItem* FindNode(int nCategory, const QString& strName) const;
    QString LabelText(const char* pszName) const;
    bool ButtonEnabled(const char* pszName) const;
    void Trigger(const char* pszAction);

    TestFiles::CTempDir m_dir;
    std::unique_ptr<CAmbermillDlg> m_pWindow;
    std::unique_ptr<QAbstractItemModelTester> m_pTester;
    int m_nPagesShown = 0;
    int m_nRecoveriesEnded = 0;
};

}  // namespace GuiTest
