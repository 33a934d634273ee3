// tests/app/shell/GuiTestSupport.cpp
#include "GuiTestSupport.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTreeWidgetItem>

#include "app/shell/CObjectTree.h"
#include "app/shell/CProgressDlg.h"
#include "app/shell/CRecordGridModel.h"
#include "app/shell/CUserPrompts.h"
#include "fixtures/CDataFileBuilder.h"
#include "fixtures/ValueEncoding.h"

namespace GuiTest {

bool WaitFor(const std::function<bool()>& fnDone, int nTimeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!fnDone()) {
        if (timer.elapsed() > nTimeoutMs)
            return false;
        QTest::qWait(2);
    }
    return true;
}

std::filesystem::path WriteBigTable(const std::filesystem::path& folder, int nRows,
                                    std::uint16_t nVersion) {
    fixtures::CDataFileBuilder builder("Paging");
    builder.SetVersion(nVersion);
    const std::uint32_t nTable = builder.AddTable(
        "Big", {{"Id", fixtures::kTypeInt, 4}, {"Name", fixtures::kTypeVarChar, 20}});
    builder.AddGeneratedRows(nTable, nRows, [](std::uint64_t i) -> std::vector<fixtures::Value> {
        const auto nId = static_cast<std::int32_t>(i + 1);
        return {fixtures::EncodeInt32(nId), fixtures::EncodeVarchar("row " + std::to_string(nId))};
    });
    const auto path = folder / "big.mdf";
    builder.WriteTo(path);
    return path;
}

QString TreeText(const QTreeWidgetItem* pItem) {
    QString strText;
    std::function<void(const QTreeWidgetItem*, int)> walk = [&](const QTreeWidgetItem* p, int n) {
        strText += QString(n * 2, QLatin1Char(' ')) + p->text(0) +
                   (p->font(0).bold() ? QStringLiteral(" [bold]") : QString()) + QLatin1Char('\n');
        for (int i = 0; i < p->childCount(); ++i)
            walk(p->child(i), n + 1);
    };
    walk(pItem, 0);
    return strText;
}

void CMainWindowTest::SetUp() {
    CUserPrompts::SetTestMode(true);
    // Each test starts from the program's defaults (tests may share one settings file).
    QSettings().clear();
    m_pWindow = std::make_unique<CAmbermillDlg>();
    m_pWindow->resize(1024, 720);
    m_pWindow->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(m_pWindow.get()));
    // Shortcuts and focus need the active window.
    m_pWindow->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pWindow.get()));
    m_pTester = std::make_unique<QAbstractItemModelTester>(
        m_pWindow->GridModel(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    QObject::connect(m_pWindow.get(), &CAmbermillDlg::PageShown, [this] { ++m_nPagesShown; });
    QObject::connect(m_pWindow.get(), &CAmbermillDlg::RecoveryEnded,
                     [this] { ++m_nRecoveriesEnded; });
}

void CMainWindowTest::TearDown() {
    m_pTester.reset();
    m_pWindow.reset();
    CUserPrompts::SetTestMode(true);
}

QStringList CMainWindowTest::Recover(const std::filesystem::path& path, bool bSave,
                                     const QString& strScanPath) {
    CUserPrompts::TakeShown();
    CUserPrompts::SetNextAnswer(bSave);
    if (!strScanPath.isEmpty())
        CUserPrompts::SetNextFileName(strScanPath);
    const int nEnded = m_nRecoveriesEnded;
    m_pWindow->SetMdfPath(QString::fromStdString(path.string()));
    m_pWindow->OnRecover();
    if (m_pWindow->ProgressDialog() != nullptr) {
        EXPECT_TRUE(WaitFor([&] { return m_pWindow->ProgressDialog()->RecoveryFinished(); }));
        m_pWindow->ProgressDialog()->findChild<QPushButton*>(QStringLiteral("btnStop"))->click();
        EXPECT_TRUE(WaitFor([&] { return m_nRecoveriesEnded > nEnded; }));
    }
    // The offscreen platform does not hand the activation back when the modal dialog goes.
    m_pWindow->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(m_pWindow.get()));
    return CUserPrompts::TakeShown();
}

void CMainWindowTest::SelectTable(const QString& strName) {
    QTreeWidgetItem* pNode = FindNode(CObjectTree::kTables, strName);
    ASSERT_NE(pNode, nullptr) << strName.toStdString();
    const int nShown = m_nPagesShown;
    m_pWindow->Tree()->setCurrentItem(pNode);
    ASSERT_TRUE(WaitFor([&] { return m_nPagesShown > nShown; }));
}

void CMainWindowTest::ClickPage(const char* pszButton) {
    auto* pButton = m_pWindow->findChild<QPushButton*>(QLatin1String(pszButton));
    ASSERT_NE(pButton, nullptr);
    ASSERT_TRUE(pButton->isEnabled()) << pszButton;
    const int nShown = m_nPagesShown;
    QTest::mouseClick(pButton, Qt::LeftButton);
    ASSERT_TRUE(WaitFor([&] { return m_nPagesShown > nShown; }));
}

QTreeWidgetItem* CMainWindowTest::FindNode(int nCategory, const QString& strName) const {
    QTreeWidgetItem* pCategory =
        m_pWindow->Tree()->Category(static_cast<CObjectTree::ECategory>(nCategory));
    for (int i = 0; i < pCategory->childCount(); ++i) {
        if (pCategory->child(i)->text(0) == strName)
            return pCategory->child(i);
    }
    return nullptr;
}

QString CMainWindowTest::LabelText(const char* pszName) const {
    auto* pLabel = m_pWindow->findChild<QLabel*>(QLatin1String(pszName));
    return pLabel != nullptr ? pLabel->text() : QStringLiteral("<no label %1>").arg(pszName);
}

bool CMainWindowTest::ButtonEnabled(const char* pszName) const {
    auto* pButton = m_pWindow->findChild<QPushButton*>(QLatin1String(pszName));
    return pButton != nullptr && pButton->isEnabled();
}

void CMainWindowTest::Trigger(const char* pszAction) {
    auto* pAction = m_pWindow->findChild<QAction*>(QLatin1String(pszAction));
    ASSERT_NE(pAction, nullptr) << pszAction;
    pAction->trigger();
}

}  // namespace GuiTest
