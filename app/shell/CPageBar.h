// app/shell/CPageBar.h
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The bar under the grid: "<", the number of records on the page, "of Page ", the page number
// and ">".
class CPageBar : public QWidget {
    Q_OBJECT

  public:
    explicit CPageBar(QWidget* pParent = nullptr);

    QPushButton* Previous() const { return m_pPrevious; }
    QPushButton* Next() const { return m_pNext; }
    void SetRecordCount(const QString& strCount);
    void SetPageNumber(const QString& strPage);
    QString RecordCount() const;
    QString PageNumber() const;
    // Shows or hides the parts that belong to a table's records.
    void ShowForRecords(bool bShow);

  signals:
    void PreviousPage();
    void NextPage();

  private:
    QPushButton* m_pPrevious = nullptr;
    QLabel* m_pCount = nullptr;
    QLabel* m_pOfPage = nullptr;
    QLabel* m_pPage = nullptr;
    QPushButton* m_pNext = nullptr;
};
