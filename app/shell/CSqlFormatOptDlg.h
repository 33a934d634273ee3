// app/shell/CSqlFormatOptDlg.h
#pragma once

#include <QDialog>

class QRadioButton;

// Asks which format a data file holds when its version stamp names none that is known.
class CSqlFormatOptDlg : public QDialog {
    Q_OBJECT

  public:
    explicit CSqlFormatOptDlg(QWidget* pParent = nullptr);

    // 1, 2 or 3 for the 2000, 2005 or 2008 format after OK; 0 after Cancel or with none checked.
    int m_nFormat = 0;

    void accept() override;

  private:
    QRadioButton* m_pRadio2000 = nullptr;
    QRadioButton* m_pRadio2005 = nullptr;
    QRadioButton* m_pRadio2008 = nullptr;
};
