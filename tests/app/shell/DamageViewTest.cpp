// tests/app/shell/DamageViewTest.cpp
// The window's damage view over real recoveries: what the engine reports while recovering and
// while the grid reads a page reaches the status bar, the damage report and the tree, once each.
#include <QLabel>
#include <QTableWidget>
#include <QTreeWidgetItem>
#include <algorithm>

#include "GuiTestSupport.h"
#include "app/shell/CObjectTree.h"
#include "app/shell/CRecordGridModel.h"
#include "fixtures/CDataFileBuilder.h"
#include "fixtures/ValueEncoding.h"
#include "support/TestFiles.h"

namespace {
using GuiTest::CMainWindowTest;
constexpr std::size_t kPage = 8192;

// A database of two small tables; the id of "Orders" comes back in nOrders.
fixtures::CDataFileBuilder TwoTables(std::uint32_t& nOrders) {
    fixtures::CDataFileBuilder builder("Shop");
    nOrders = builder.AddTable("Orders", {{"Id", fixtures::kTypeInt, 4}});
    for (int n = 1; n <= 10; ++n)
        builder.AddRow(nOrders, {fixtures::EncodeInt32(n)});
    const std::uint32_t nOther = builder.AddTable("Other", {{"Id", fixtures::kTypeInt, 4}});
    builder.AddRow(nOther, {fixtures::EncodeInt32(1)});
    return builder;
}

std::string Bytes(const std::vector<std::byte>& vecBytes) {
    return {reinterpret_cast<const char*>(vecBytes.data()), vecBytes.size()};
}
}  // namespace

TEST_F(CMainWindowTest, ARowLostOnAShownPageIsCountedOnceAndListed) {
    std::uint32_t nOrders = 0;
    fixtures::CDataFileBuilder builder = TwoTables(nOrders);
    std::string strBytes = Bytes(builder.Build());
    const std::uint32_t nPage = builder.DataPages(nOrders).at(0);
    strBytes[nPage * kPage + 8190 - 2 * 4 + 1] = '\x7F';  // slot 4 points far past the page
    TestFiles::WriteFile(m_dir / "slot.mdf", strBytes);

    Recover(m_dir / "slot.mdf");
    // The builder writes no syscomments for a database without objects: that is reported.
    const std::size_t nBefore = m_pWindow->Damage().size();
    SelectTable("Orders");
    EXPECT_EQ(m_pWindow->GridModel()->rowCount(), 9);
    ASSERT_EQ(m_pWindow->Damage().size(), nBefore + 1);
    const SDamageRecord& record = m_pWindow->Damage()[nBefore];
    EXPECT_EQ(record.nPage, nPage);
    EXPECT_EQ(record.nSlot, 4);
    EXPECT_EQ(record.nObjectId, static_cast<std::int32_t>(nOrders));
    EXPECT_EQ(record.strObject, "Orders");
    EXPECT_EQ(LabelText("statusDamage"), QStringLiteral("1 damaged pages: 1 rows skipped"));
    EXPECT_FALSE(FindNode(CObjectTree::kTables, "Orders")->toolTip(0).isEmpty());
    EXPECT_TRUE(FindNode(CObjectTree::kTables, "Other")->toolTip(0).isEmpty());

    // The same page shown again reports the same row again: the count stays.
    SelectTable("Other");
    SelectTable("Orders");
    EXPECT_EQ(m_pWindow->Damage().size(), nBefore + 1);
    EXPECT_EQ(LabelText("statusDamage"), QStringLiteral("1 damaged pages: 1 rows skipped"));

    Trigger("actionDamageReport");
    auto* pTable = m_pWindow->findChild<QTableWidget*>("damageTable");
    ASSERT_NE(pTable, nullptr);
    const int nRow = static_cast<int>(nBefore);
    ASSERT_EQ(pTable->rowCount(), nRow + 1);
    EXPECT_EQ(pTable->item(nRow, 0)->text(), QString::number(nPage));
    EXPECT_EQ(pTable->item(nRow, 1)->text(), QStringLiteral("4"));
    EXPECT_EQ(pTable->item(nRow, 2)->text(), QStringLiteral("Orders"));

    // A new recovery starts a new list.
    Recover(TestFiles::SamplePath());
    EXPECT_TRUE(m_pWindow->Damage().empty());
    EXPECT_EQ(pTable->rowCount(), 0);
}

TEST_F(CMainWindowTest, ATruncatedFileOpensAndShowsWhereItEnds) {
    std::uint32_t nOrders = 0;
    const std::string strBytes = Bytes(TwoTables(nOrders).Build());
    const std::size_t nCut = strBytes.size() - kPage + 100;
    TestFiles::WriteFile(m_dir / "cut.mdf", strBytes.substr(0, nCut));

    Recover(m_dir / "cut.mdf");
    ASSERT_NE(FindNode(CObjectTree::kTables, "Orders"), nullptr);
    const std::string strTail = "the file ends 100 bytes into page " + std::to_string(nCut / kPage);
    const std::vector<SDamageRecord>& vecDamage = m_pWindow->Damage();
    const auto itTail = std::find_if(vecDamage.begin(), vecDamage.end(), [&](const auto& r) {
        return r.strWhat.rfind(strTail, 0) == 0;
    });
    ASSERT_NE(itTail, vecDamage.end());
    EXPECT_EQ(itTail->nPage, static_cast<std::int64_t>(nCut / kPage));
    EXPECT_EQ(itTail->nBytes, 100u);
    EXPECT_TRUE(LabelText("statusDamage").contains(QStringLiteral("damaged pages")));
    Trigger("actionDamageReport");
    auto* pTable = m_pWindow->findChild<QTableWidget*>("damageTable");
    ASSERT_NE(pTable, nullptr);
    ASSERT_EQ(pTable->rowCount(), static_cast<int>(vecDamage.size()));
    const int nRow = static_cast<int>(itTail - vecDamage.begin());
    EXPECT_TRUE(pTable->item(nRow, 3)->text().startsWith(QString::fromStdString(strTail)));
}
