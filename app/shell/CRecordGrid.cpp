// app/shell/CRecordGrid.cpp
#include "app/shell/CRecordGrid.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <algorithm>

#include "app/shell/CRecordGridModel.h"

namespace {
QString OneLine(QString strText) {
    for (QChar c : {QLatin1Char('\t'), QLatin1Char('\r'), QLatin1Char('\n')})
        strText.replace(c, QLatin1Char(' '));
    return strText;
}
}  // namespace

CRecordGrid::CRecordGrid(QWidget* pParent) : QTableView(pParent) {
    setObjectName(QStringLiteral("recordGrid"));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideRight);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    verticalHeader()->setMinimumSectionSize(kRowHeight);
    horizontalHeader()->setDefaultSectionSize(kColumnWidth);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
}

QString CRecordGrid::SelectedRowsAsText(bool bWithHeaders) const {
    QAbstractItemModel* pModel = model();
    if (pModel == nullptr || selectionModel() == nullptr)
        return {};
    QModelIndexList lstRows = selectionModel()->selectedRows();
    std::sort(lstRows.begin(), lstRows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QStringList lstLines;
    const int nColumns = pModel->columnCount();
    if (bWithHeaders) {
        QStringList lstNames;
        for (int c = 0; c < nColumns; ++c)
            lstNames << OneLine(pModel->headerData(c, Qt::Horizontal).toString());
        lstLines << lstNames.join(QLatin1Char('\t'));
    }
    for (const QModelIndex& row : lstRows) {
        QStringList lstCells;
        for (int c = 0; c < nColumns; ++c) {
            const QModelIndex cell = pModel->index(row.row(), c);
            const auto eKind =
                static_cast<EGridValueKind>(cell.data(CRecordGridModel::kKindRole).toInt());
            // An empty value copies as nothing, as the grid shows it.
            const bool bBlank =
                eKind == EGridValueKind::EmptyString || eKind == EGridValueKind::Missing;
            lstCells << (bBlank ? QString()
                                : OneLine(cell.data(CRecordGridModel::kFullTextRole).toString()));
        }
        lstLines << lstCells.join(QLatin1Char('\t'));
    }
    return lstLines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void CRecordGrid::CopySelectedRows(bool bWithHeaders) {
    if (selectionModel() == nullptr || !selectionModel()->hasSelection())
        return;
    QGuiApplication::clipboard()->setText(SelectedRowsAsText(bWithHeaders));
}

void CRecordGrid::keyPressEvent(QKeyEvent* pEvent) {
    if (pEvent->key() == Qt::Key_C && (pEvent->modifiers() & Qt::ControlModifier)) {
        CopySelectedRows((pEvent->modifiers() & Qt::ShiftModifier) != 0);
        pEvent->accept();
        return;
    }
    QTableView::keyPressEvent(pEvent);
}
