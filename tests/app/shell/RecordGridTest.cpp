// tests/app/shell/RecordGridTest.cpp
// The record grid over real recoveries: paging with the bookmarks, deleted records and NULLs told
// apart without colour, the filter over one page, copying rows and the value view.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSortFilterProxyModel>
#include <QTest>

#include "GuiTestSupport.h"
#include "app/shell/CObjectTree.h"
#include "app/shell/CRecordGrid.h"
#include "app/shell/CRecordGridModel.h"
#include "app/shell/CTabStrip.h"
#include "app/shell/CUserPrompts.h"
#include "app/shell/CValueView.h"

namespace {
using GuiTest::CMainWindowTest;
using GuiTest::WaitFor;

int ColumnOf(const CRecordGridModel& model, const char* pszName) {
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.headerData(c, Qt::Horizontal).toString() == QLatin1String(pszName))
            return c;
    }
    return -1;
}

QString Cell(const QAbstractItemModel& model, int nRow, int nColumn) {
    return model.index(nRow, nColumn).data().toString();
}
}  // namespace

TEST_F(CMainWindowTest, ATableOf1200RowsPagesFiveHundredAtATimeAndBack) {
    Recover(GuiTest::WriteBigTable(m_dir.Path(), 1200));
    SelectTable("Big");
    const CRecordGridModel& model = *m_pWindow->GridModel();
    auto* pTabs = m_pWindow->findChild<CTabStrip*>("tabStrip");
    EXPECT_EQ(pTabs->Caption(), QStringLiteral("  Big  "));
    EXPECT_EQ(model.rowCount(), 500);
    EXPECT_EQ(LabelText("lblRecordCount"), QStringLiteral("500"));
    EXPECT_EQ(LabelText("lblPageNumber"), QStringLiteral("1"));
    EXPECT_FALSE(ButtonEnabled("btnPreviousPage"));
    EXPECT_TRUE(ButtonEnabled("btnNextPage"));
    EXPECT_EQ(Cell(model, 0, 0), QStringLiteral("1"));
    EXPECT_EQ(model.headerData(0, Qt::Vertical).toInt(), 1);

    ClickPage("btnNextPage");
    EXPECT_EQ(LabelText("lblRecordCount"), QStringLiteral("500"));
    EXPECT_EQ(LabelText("lblPageNumber"), QStringLiteral("2"));
    EXPECT_EQ(Cell(model, 0, 0), QStringLiteral("501"));
    EXPECT_TRUE(ButtonEnabled("btnPreviousPage"));
    EXPECT_TRUE(ButtonEnabled("btnNextPage"));

    ClickPage("btnNextPage");
    EXPECT_EQ(LabelText("lblRecordCount"), QStringLiteral("200"));
    EXPECT_EQ(LabelText("lblPageNumber"), QStringLiteral("3"));
    EXPECT_EQ(Cell(model, 199, 1), QStringLiteral("row 1200"));
    EXPECT_EQ(model.headerData(199, Qt::Vertical).toInt(), 1200);
    EXPECT_FALSE(ButtonEnabled("btnNextPage"));
    EXPECT_TRUE(ButtonEnabled("btnPreviousPage"));

    ClickPage("btnPreviousPage");
    EXPECT_EQ(LabelText("lblPageNumber"), QStringLiteral("2"));
    EXPECT_EQ(LabelText("lblRecordCount"), QStringLiteral("500"));
    EXPECT_EQ(Cell(model, 0, 0), QStringLiteral("501"));
    EXPECT_EQ(Cell(model, 499, 0), QStringLiteral("1000"));

    // The keyboard pages too (PgUp back to the first page).
    const int nShown = m_nPagesShown;
    QTest::keyClick(m_pWindow.get(), Qt::Key_PageUp);
    ASSERT_TRUE(WaitFor([&] { return m_nPagesShown > nShown; }));
    EXPECT_EQ(LabelText("lblPageNumber"), QStringLiteral("1"));
    EXPECT_EQ(Cell(model, 0, 0), QStringLiteral("1"));
    EXPECT_FALSE(ButtonEnabled("btnPreviousPage"));

    // Selecting the table again starts again at its first page.
    ClickPage("btnNextPage");
    m_pWindow->Tree()->setCurrentItem(m_pWindow->Tree()->Category(CObjectTree::kTables));
    EXPECT_EQ(LabelText("lblPageNumber"), QStringLiteral("2"));
    SelectTable("Big");
    EXPECT_EQ(LabelText("lblPageNumber"), QStringLiteral("1"));
}

TEST_F(CMainWindowTest, DeletedRecordsAndNullsAreMarkedByIconAndFont) {
    Recover(TestFiles::SamplePath());
    SelectTable("Books");
    const CRecordGridModel& model = *m_pWindow->GridModel();
    EXPECT_EQ(model.rowCount(), 40);
    for (int r = 0; r < model.rowCount(); ++r)
        EXPECT_FALSE(model.IsDeleted(r));

    const int nPages = ColumnOf(model, "Pages");
    ASSERT_GE(nPages, 0);
    int nNulls = 0;
    for (int r = 0; r < model.rowCount(); ++r) {
        const QModelIndex cell = model.index(r, nPages);
        if (cell.data(CRecordGridModel::kKindRole).toInt() ==
            static_cast<int>(EGridValueKind::Null)) {
            ++nNulls;
            EXPECT_EQ(cell.data().toString(), QStringLiteral("NULL"));
            EXPECT_TRUE(cell.data(Qt::FontRole).value<QFont>().italic());
            EXPECT_TRUE(cell.data(Qt::ForegroundRole).isValid());
        } else {
            EXPECT_FALSE(cell.data(Qt::FontRole).isValid());
        }
    }
    EXPECT_GT(nNulls, 0);

    const int nShown = m_nPagesShown;
    m_pWindow->findChild<QCheckBox*>("showDeleted")->setChecked(true);
    ASSERT_TRUE(WaitFor([&] { return m_nPagesShown > nShown; }));
    EXPECT_EQ(model.rowCount(), 42);
    EXPECT_EQ(LabelText("lblRecordCount"), QStringLiteral("42"));
    int nDeleted = 0;
    for (int r = 0; r < model.rowCount(); ++r) {
        if (!model.IsDeleted(r))
            continue;
        ++nDeleted;
        EXPECT_EQ(model.headerData(r, Qt::Vertical, Qt::ToolTipRole).toString(),
                  QStringLiteral("Deleted record"));
        EXPECT_FALSE(model.headerData(r, Qt::Vertical, Qt::DecorationRole).value<QIcon>().isNull());
        EXPECT_TRUE(model.index(r, 0).data(Qt::FontRole).value<QFont>().italic());
    }
    EXPECT_EQ(nDeleted, 2);
    EXPECT_FALSE(model.headerData(0, Qt::Vertical, Qt::DecorationRole).isValid());
}

TEST_F(CMainWindowTest, TheFilterNarrowsThePageShownAndCopyGivesTabSeparatedRows) {
    Recover(GuiTest::WriteBigTable(m_dir.Path(), 1200));
    SelectTable("Big");
    auto* pGrid = m_pWindow->findChild<CRecordGrid*>("recordGrid");
    QAbstractItemModel* pView = pGrid->model();
    QAbstractItemModelTester proxyTester(pView,
                                         QAbstractItemModelTester::FailureReportingMode::Fatal);

    m_pWindow->findChild<QAction*>("actionFind")->trigger();
    auto* pFilter = m_pWindow->findChild<QLineEdit*>("filterEdit");
    EXPECT_TRUE(pFilter->hasFocus() || QApplication::focusWidget() == pFilter);
    QTest::keyClicks(pFilter, "row 49");
    // Rows 49 and 490 to 499 of the first page; nothing of the pages not shown.
    EXPECT_EQ(pView->rowCount(), 11);
    EXPECT_EQ(LabelText("lblRecordCount"), QStringLiteral("500"));
    pFilter->clear();
    EXPECT_EQ(pView->rowCount(), 500);

    pGrid->selectRow(2);
    QTest::keyClick(pGrid, Qt::Key_Down, Qt::ShiftModifier);
    QTest::keyClick(pGrid, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("3\trow 3\n4\trow 4\n"));
    QTest::keyClick(pGrid, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Id\tName\n3\trow 3\n4\trow 4\n"));
}

TEST_F(CMainWindowTest, ActivatingACellShowsTheWholeValueAndBytesAsHex) {
    Recover(TestFiles::SamplePath());
    SelectTable("TypeShowcase");
    const CRecordGridModel& model = *m_pWindow->GridModel();
    auto* pGrid = m_pWindow->findChild<CRecordGrid*>("recordGrid");
    auto* pValueView = m_pWindow->findChild<CValueView*>("valueView");
    EXPECT_TRUE(pValueView->isHidden());

    const int nBinary = ColumnOf(model, "c_binary");
    ASSERT_GE(nBinary, 0);
    emit pGrid->activated(pGrid->model()->index(0, nBinary));
    EXPECT_FALSE(pValueView->isHidden());
    EXPECT_TRUE(pValueView->Text().startsWith(
        QStringLiteral("00000000  de ad be ef 00 00 00 00           ")))
        << pValueView->Text().toStdString();
    EXPECT_TRUE(pValueView->Text().contains(QStringLiteral("....")));

    // Row 3 holds a text of 12,013 characters: cut in the cell, whole in the value view.
    const int nText = ColumnOf(model, "c_text");
    ASSERT_GE(nText, 0);
    int nLongRow = -1;
    for (int r = 0; r < model.rowCount(); ++r) {
        if (model.index(r, nText).data(CRecordGridModel::kFullTextRole).toString().size() > 12000)
            nLongRow = r;
    }
    ASSERT_GE(nLongRow, 0);
    const QModelIndex longCell = model.index(nLongRow, nText);
    EXPECT_EQ(longCell.data().toString().size(), CRecordGridModel::kCellChars + 1);
    EXPECT_TRUE(longCell.data(Qt::ToolTipRole).toString().contains("12013 characters"));
    emit pGrid->activated(pGrid->model()->index(nLongRow, nText));
    EXPECT_EQ(pValueView->Text().size(), 12013);
}

TEST(RecordGridModel, RowsShorterThanTheColumnsAndEmptyStringsStayBlank) {
    CRecordGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetColumns({{"a", "int"}, {"b", "varchar"}, {"c", "varbinary"}});
    std::vector<SGridRow> vecRows(3);
    vecRows[0].vecValues = {{"1", EGridValueKind::Value}, {"Empty", EGridValueKind::EmptyString}};
    vecRows[1].vecValues = {{"NULL", EGridValueKind::Value}, {"NULL", EGridValueKind::Null}};
    vecRows[2].vecValues = {{"7", EGridValueKind::Value}};
    vecRows[2].bDeleted = true;
    model.SetRows(std::move(vecRows), 501);
    EXPECT_EQ(model.index(0, 1).data().toString(), QStringLiteral(" "));
    EXPECT_FALSE(model.index(0, 2).data().isValid());
    // A stored text "NULL" is a value in the plain face; a NULL is italic and muted.
    EXPECT_FALSE(model.index(1, 0).data(Qt::FontRole).isValid());
    EXPECT_FALSE(model.index(1, 0).data(Qt::ForegroundRole).isValid());
    EXPECT_TRUE(model.index(1, 1).data(Qt::FontRole).value<QFont>().italic());
    EXPECT_TRUE(model.index(1, 1).data(Qt::ForegroundRole).isValid());
    EXPECT_TRUE(model.index(2, 0).data(Qt::FontRole).value<QFont>().italic());
    EXPECT_EQ(model.headerData(2, Qt::Vertical, Qt::ToolTipRole).toString(),
              QStringLiteral("Deleted record"));
    EXPECT_EQ(model.headerData(1, Qt::Vertical).toInt(), 502);
    EXPECT_TRUE(model.IsBinaryColumn(2));
    EXPECT_FALSE(model.IsBinaryColumn(1));
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
}

TEST(ValueView, HexTextBecomesBytesOnlyWhenWellFormed) {
    EXPECT_EQ(CValueView::BytesOfHexText("0x00ff41"),
              (std::vector<std::byte>{std::byte{0}, std::byte{0xff}, std::byte{0x41}}));
    EXPECT_EQ(CValueView::BytesOfHexText("0x"), std::vector<std::byte>{});
    for (const char* pszBad : {"", "0", "0x1", "0xzz", "<binary data>", "?????", "1x00"})
        EXPECT_FALSE(CValueView::BytesOfHexText(pszBad).has_value()) << pszBad;
    std::vector<std::byte> vecBytes;
    for (int i = 0; i < 18; ++i)
        vecBytes.push_back(static_cast<std::byte>('A' + i));
    EXPECT_EQ(CValueView::HexDump(vecBytes),
              QStringLiteral("00000000  41 42 43 44 45 46 47 48  49 4a 4b 4c 4d 4e 4f 50  "
                             "ABCDEFGHIJKLMNOP\n"
                             "00000010  51 52                                             QR\n"));
}
