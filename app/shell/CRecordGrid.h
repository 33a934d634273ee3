// app/shell/CRecordGrid.h
#pragma once

#include <QTableView>

// The record grid: a table view with fixed row heights and column widths (sizing to contents
// over a whole page is what makes big grids slow), and copying of the selected rows.
class CRecordGrid : public QTableView {
    Q_OBJECT

  public:
    static constexpr int kRowHeight = 20;
    static constexpr int kColumnWidth = 180;

    explicit CRecordGrid(QWidget* pParent = nullptr);

    // The selected rows as tab-separated lines, optionally after a line of column names. Tabs and
    // line breaks inside values become blanks so that every row stays one line.
    QString SelectedRowsAsText(bool bWithHeaders) const;
    void CopySelectedRows(bool bWithHeaders);

  protected:
    void keyPressEvent(QKeyEvent* pEvent) override;
};
