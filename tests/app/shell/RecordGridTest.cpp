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
#include "app/shell/CRecordPageLoader.h"
#include "app/shell/CTabStrip.h"
#include "app/shell/CUserPrompts.h"
#include "app/shell/CValueView.h"
#include "engine/core/CSQLServerEngine.h"
#include "fixtures/CDataFileBuilder.h"
#include "fixtures/ValueEncoding.h"

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

SGridValue Text(const char* pszText, EGridValueKind eKind) {
    SGridValue value;
    value.strText = pszText;
    value.eKind = eKind;
    return value;
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

    // Also with the focus in the grid, where PgDn would otherwise only scroll the rows.
    auto* pGrid = m_pWindow->findChild<CRecordGrid*>("recordGrid");
    pGrid->setFocus();
    const int nBeforeKey = m_nPagesShown;
    QTest::keyClick(pGrid, Qt::Key_PageDown);
    ASSERT_TRUE(WaitFor([&] { return m_nPagesShown > nBeforeKey; }));
    EXPECT_EQ(LabelText("lblPageNumber"), QStringLiteral("2"));
    QTest::keyClick(pGrid, Qt::Key_Left, Qt::AltModifier);
    ASSERT_TRUE(WaitFor([&] { return m_nPagesShown > nBeforeKey + 1; }));
    EXPECT_EQ(LabelText("lblPageNumber"), QStringLiteral("1"));

    // Selecting the table again starts again at its first page.
    ClickPage("btnNextPage");
    m_pWindow->Tree()->setCurrentItem(m_pWindow->Tree()->Category(CObjectTree::kTables));
    EXPECT_EQ(LabelText("lblPageNumber"), QStringLiteral("2"));
    SelectTable("Big");
    EXPECT_EQ(LabelText("lblPageNumber"), QStringLiteral("1"));
}

// A table selected while another's page is still being read: the older request is cancelled
// and only the newer page reaches the window, however the two runs interleave.
TEST_F(CMainWindowTest, ANewerPageRequestCancelsTheOlderOne) {
    Recover(TestFiles::SamplePath());
    CRecordPageLoader& loader = m_pWindow->Session()->PageLoader();
    const CTable* pOrders = CObjectTree::TableOf(FindNode(CObjectTree::kTables, "Orders"));
    const CTable* pBooks = CObjectTree::TableOf(FindNode(CObjectTree::kTables, "Books"));
    ASSERT_TRUE(pOrders != nullptr && pBooks != nullptr);
    std::vector<SRecordPage> vecDelivered;
    QObject::connect(&loader, &CRecordPageLoader::PageLoaded,
                     [&](const SRecordPage& page) { vecDelivered.push_back(page); });
    for (int i = 0; i < 20; ++i) {
        vecDelivered.clear();
        loader.Request(pOrders, EPageRequest::First);
        const std::uint64_t nNewer = loader.Request(pBooks, EPageRequest::First);
        ASSERT_TRUE(WaitFor([&] { return !vecDelivered.empty(); }));
        QTest::qWait(20);
        ASSERT_EQ(vecDelivered.size(), 1u) << "run " << i;
        EXPECT_EQ(vecDelivered[0].nRequest, nNewer);
        EXPECT_EQ(vecDelivered[0].pTable, pBooks);
        EXPECT_EQ(vecDelivered[0].vecRows.size(), 40u);
        EXPECT_FALSE(loader.IsBusy());
    }
    // Through the tree: two selections in a row show the second table.
    m_pWindow->Tree()->setCurrentItem(FindNode(CObjectTree::kTables, "Orders"));
    SelectTable("Authors");
    QTest::qWait(20);
    EXPECT_EQ(m_pWindow->GridModel()->rowCount(), 20);
    EXPECT_EQ(LabelText("lblRecordCount"), QStringLiteral("20"));
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
    int nValuesShown = 0;
    QObject::connect(m_pWindow.get(), &CAmbermillDlg::ValueShown, [&] { ++nValuesShown; });

    const int nBinary = ColumnOf(model, "c_binary");
    ASSERT_GE(nBinary, 0);
    emit pGrid->activated(pGrid->model()->index(0, nBinary));
    EXPECT_FALSE(pValueView->isHidden());
    EXPECT_TRUE(pValueView->Text().startsWith(
        QStringLiteral("00000000  de ad be ef 00 00 00 00           ")))
        << pValueView->Text().toStdString();
    EXPECT_TRUE(pValueView->Text().contains(QStringLiteral("....")));

    // varbinary shows "?????" in the grid, as the design gives it, and its stored bytes here.
    const int nVarBinary = ColumnOf(model, "c_varbinary");
    ASSERT_GE(nVarBinary, 0);
    EXPECT_EQ(Cell(model, 0, nVarBinary), QStringLiteral("?????"));
    emit pGrid->activated(pGrid->model()->index(0, nVarBinary));
    EXPECT_TRUE(pValueView->Title().endsWith(QStringLiteral("(4 bytes)")))
        << pValueView->Title().toStdString();
    EXPECT_TRUE(pValueView->Text().startsWith(QStringLiteral("00000000  de ad be ef  ")))
        << pValueView->Text().toStdString();

    // image shows "<binary data>": the grid never reads it, the value view reads it from the data
    // file when the cell is opened (row 3 holds 20,000 bytes of (i * 31 + 7) mod 256).
    const int nImage = ColumnOf(model, "c_image");
    ASSERT_GE(nImage, 0);
    int nLargeRow = -1;
    for (int r = 0; r < model.rowCount(); ++r) {
        const QModelIndex cell = model.index(r, nImage);
        if (cell.data(CRecordGridModel::kKindRole).toInt() ==
            static_cast<int>(EGridValueKind::BinaryNotRead)) {
            EXPECT_EQ(cell.data().toString(), QStringLiteral("<binary data>"));
            EXPECT_TRUE(cell.data(Qt::FontRole).value<QFont>().italic());
            nLargeRow = r;
        }
    }
    ASSERT_GE(nLargeRow, 0);
    emit pGrid->activated(pGrid->model()->index(nLargeRow, nImage));
    ASSERT_TRUE(WaitFor([&] { return nValuesShown == 1; }));
    EXPECT_TRUE(pValueView->Title().endsWith(QStringLiteral("(20000 bytes)")))
        << pValueView->Title().toStdString();
    const QString strDump = pValueView->Text();
    EXPECT_TRUE(strDump.startsWith(QStringLiteral("00000000  07 26 45 64 83 a2 c1 e0  ff 1e")))
        << strDump.left(80).toStdString();
    EXPECT_EQ(strDump.count(QLatin1Char('\n')), 1250);

    // Unicode text outside the one-byte range shows as "?????" in the grid and as itself in the
    // tooltip and the value view.
    const int nNText = ColumnOf(model, "c_ntext");
    ASSERT_GE(nNText, 0);
    const QString strAthens = QString::fromUtf16(u"\u0391\u03B8\u03AE\u03BD\u03B1");
    EXPECT_EQ(Cell(model, nLargeRow, nNText), QStringLiteral("?????"));
    EXPECT_EQ(model.index(nLargeRow, nNText).data(Qt::ToolTipRole).toString(), strAthens);
    emit pGrid->activated(pGrid->model()->index(nLargeRow, nNText));
    EXPECT_EQ(pValueView->Text(), strAthens);

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

// The grid draws each value by its kind from the engine, never by its text: a stored "NULL" is a
// value in the plain face, a stored "Empty" too, an empty string is a blank and only a NULL is
// grey and italic.
TEST_F(CMainWindowTest, StoredTextsThatReadLikeMarkersShowAsTheTextsTheyAre) {
    fixtures::CDataFileBuilder builder("Markers");
    const std::uint32_t nTable = builder.AddTable("Notes", {{"Id", fixtures::kTypeInt, 4},
                                                            {"Plain", fixtures::kTypeVarChar, 20},
                                                            {"Wide", fixtures::kTypeNVarChar, 40}});
    builder.AddRow(nTable, {fixtures::EncodeInt32(1), fixtures::EncodeVarchar("NULL"),
                            fixtures::EncodeNVarchar(std::string("NULL"))});
    builder.AddRow(nTable, {fixtures::EncodeInt32(2), std::nullopt, std::nullopt});
    builder.AddRow(nTable, {fixtures::EncodeInt32(3), fixtures::EncodeVarchar(""),
                            fixtures::EncodeNVarchar(std::string(""))});
    builder.AddRow(nTable, {fixtures::EncodeInt32(4), fixtures::EncodeVarchar("Empty"),
                            fixtures::EncodeNVarchar(std::string("Empty"))});
    builder.WriteTo(m_dir / "markers.mdf");
    Recover(m_dir / "markers.mdf");
    SelectTable("Notes");
    const CRecordGridModel& model = *m_pWindow->GridModel();
    ASSERT_EQ(model.rowCount(), 4);
    auto kind = [&](int r, int c) {
        return static_cast<EGridValueKind>(
            model.index(r, c).data(CRecordGridModel::kKindRole).toInt());
    };
    for (int c : {1, 2}) {
        SCOPED_TRACE(c);
        EXPECT_EQ(Cell(model, 0, c), QStringLiteral("NULL"));
        EXPECT_EQ(kind(0, c), EGridValueKind::Value);
        EXPECT_FALSE(model.index(0, c).data(Qt::FontRole).isValid());
        EXPECT_FALSE(model.index(0, c).data(Qt::ForegroundRole).isValid());
        EXPECT_FALSE(model.index(0, c).data(Qt::ToolTipRole).isValid());

        EXPECT_EQ(Cell(model, 1, c), QStringLiteral("NULL"));
        EXPECT_EQ(kind(1, c), EGridValueKind::Null);
        EXPECT_TRUE(model.index(1, c).data(Qt::FontRole).value<QFont>().italic());
        EXPECT_TRUE(model.index(1, c).data(Qt::ForegroundRole).isValid());
        EXPECT_EQ(model.index(1, c).data(Qt::ToolTipRole).toString(),
                  QStringLiteral("NULL (no value stored)"));

        EXPECT_EQ(Cell(model, 2, c), QStringLiteral(" "));
        EXPECT_EQ(kind(2, c), EGridValueKind::EmptyString);

        EXPECT_EQ(Cell(model, 3, c), QStringLiteral("Empty"));
        EXPECT_EQ(kind(3, c), EGridValueKind::Value);
        EXPECT_FALSE(model.index(3, c).data(Qt::FontRole).isValid());
    }

    // Copied rows keep the texts; the empty string copies as nothing.
    auto* pGrid = m_pWindow->findChild<CRecordGrid*>("recordGrid");
    pGrid->selectAll();
    EXPECT_EQ(pGrid->SelectedRowsAsText(false),
              QStringLiteral("1\tNULL\tNULL\n2\tNULL\tNULL\n3\t\t\n4\tEmpty\tEmpty\n"));
}

TEST(RecordGridModel, RowsShorterThanTheColumnsAndEmptyStringsStayBlank) {
    CRecordGridModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    model.SetColumns({{"a", "int"}, {"b", "varchar"}, {"c", "varbinary"}});
    std::vector<SGridRow> vecRows(4);
    vecRows[0].vecValues = {Text("1", EGridValueKind::Value),
                            Text("Empty", EGridValueKind::EmptyString)};
    vecRows[1].vecValues = {Text("NULL", EGridValueKind::Value),
                            Text("NULL", EGridValueKind::Null)};
    vecRows[2].vecValues = {Text("7", EGridValueKind::Value)};
    vecRows[2].bDeleted = true;
    vecRows[3].vecValues = {Text("Empty", EGridValueKind::Missing),
                            Text("(0)", EGridValueKind::Default),
                            Text("<binary data>", EGridValueKind::BinaryNotRead)};
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
    // Nothing read is a blank with a tooltip; a default shown for a NULL and a binary value not
    // read yet are not stored values, so they take the muted italic face.
    EXPECT_EQ(model.index(3, 0).data().toString(), QStringLiteral(" "));
    EXPECT_FALSE(model.index(3, 0).data(Qt::ToolTipRole).toString().isEmpty());
    for (int c : {1, 2}) {
        EXPECT_TRUE(model.index(3, c).data(Qt::FontRole).value<QFont>().italic()) << c;
        EXPECT_FALSE(model.index(3, c).data(Qt::ToolTipRole).toString().isEmpty()) << c;
    }
    EXPECT_EQ(model.index(3, 1).data().toString(), QStringLiteral("(0)"));
    model.Clear();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 0);
}

TEST(ValueView, HexDumpLinesHoldOffsetHexAndAscii) {
    EXPECT_EQ(CValueView::HexDump({}), std::string());
    std::vector<std::byte> vecBytes;
    for (int i = 0; i < 18; ++i)
        vecBytes.push_back(static_cast<std::byte>('A' + i));
    vecBytes[1] = std::byte{0x7f};
    vecBytes[2] = std::byte{0xff};
    EXPECT_EQ(CValueView::HexDump(vecBytes),
              "00000000  41 7f ff 44 45 46 47 48  49 4a 4b 4c 4d 4e 4f 50  "
              "A..DEFGHIJKLMNOP\n"
              "00000010  51 52                                             QR\n");
    // The offset keeps counting past 64 KiB.
    const std::vector<std::byte> vecLarge(0x10011);
    const std::string strDump = CValueView::HexDump(vecLarge);
    EXPECT_NE(strDump.find("\n00010010  00 "), std::string::npos);
}
