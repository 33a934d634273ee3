// app/shell/CDamageReportDlg.h
#pragma once

#include <QDialog>
#include <vector>

#include "app/shell/SDamageRecord.h"

class QLabel;
class QTableWidget;

// Lists the damage that the recovery and the page loads reported and saves it as CSV.
class CDamageReportDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CDamageReportDlg(QWidget* pParent = nullptr);

    void SetRecords(const std::vector<SDamageRecord>& vecRecords);
    // Writes the list as CSV (a header line, then one quoted line per record). False with
    // strError set when the file cannot be written whole; an existing file is then untouched.
    bool SaveCsv(const QString& strPath, QString& strError) const;

    // The status bar's one-line summary, empty when nothing was reported.
    static QString Summary(const std::vector<SDamageRecord>& vecRecords);
    static QString CsvText(const std::vector<SDamageRecord>& vecRecords);

  private:
    void OnSave();

    std::vector<SDamageRecord> m_vecRecords;
    QTableWidget* m_pTable = nullptr;
    QLabel* m_pEmpty = nullptr;
};
