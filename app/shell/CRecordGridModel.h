// app/shell/CRecordGridModel.h
#pragma once

#include <QAbstractTableModel>
#include <vector>

#include "app/shell/SRecordPage.h"

// The record grid's model: one page of rows (at most 500) of the selected table. Deleted rows and
// NULLs are told apart by icon and font as well as by colour.
class CRecordGridModel : public QAbstractTableModel {
    Q_OBJECT

  public:
    // Cells show at most this many characters; the tooltip and the value view show more.
    static constexpr int kCellChars = 200;
    static constexpr int kToolTipChars = 2000;
    // The value's own text (markers included) and kind, for copying and the value view.
    static constexpr int kFullTextRole = Qt::UserRole;
    static constexpr int kKindRole = Qt::UserRole + 1;

    explicit CRecordGridModel(QObject* pParent = nullptr);

    // Columns of a newly selected table, with no rows.
    void SetColumns(std::vector<SGridColumn> vecColumns);
    // Replaces the rows; nFirstRecord is the number of the page's first record (1 on page 1).
    void SetRows(std::vector<SGridRow> vecRows, int nFirstRecord);
    void Clear();

    const SGridColumn* Column(int nColumn) const;
    const SGridValue* Value(int nRow, int nColumn) const;
    bool IsDeleted(int nRow) const;
    // The whole text of a value: the grid text, or the Unicode text the grid could not narrow.
    static QString WholeText(const SGridValue& value);
    // Kinds drawn in the muted italic face: they stand for something that is not a stored value.
    static bool IsMarker(EGridValueKind eKind);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int nRole = Qt::DisplayRole) const override;
    QVariant headerData(int nSection, Qt::Orientation eOrientation,
                        int nRole = Qt::DisplayRole) const override;

  private:
    QVariant CellText(const SGridValue& value) const;
    QVariant ToolTip(const SGridValue& value) const;

    std::vector<SGridColumn> m_vecColumns;
    std::vector<SGridRow> m_vecRows;
    int m_nFirstRecord = 1;
};
