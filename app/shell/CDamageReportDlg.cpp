// app/shell/CDamageReportDlg.cpp
#include "app/shell/CDamageReportDlg.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableWidget>
#include <QVBoxLayout>
#include <set>

#include "app/shell/CUserPrompts.h"

namespace {
QString CsvField(const QString& strField) {
    QString strQuoted = strField;
    strQuoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + strQuoted + QLatin1Char('"');
}

QString PageText(const SDamageRecord& record) {
    return record.nPage == SDamageRecord::kNoPage ? QString() : QString::number(record.nPage);
}

QString SlotText(const SDamageRecord& record) {
    return record.nSlot == SDamageRecord::kNoSlot ? QString() : QString::number(record.nSlot);
}
}  // namespace

CDamageReportDlg::CDamageReportDlg(QWidget* pParent) : QDialog(pParent) {
    setObjectName(QStringLiteral("damageReport"));
    setWindowTitle(QStringLiteral("Damage report"));
    m_pTable = new QTableWidget(0, 5, this);
    m_pTable->setObjectName(QStringLiteral("damageTable"));
    m_pTable->setHorizontalHeaderLabels({QStringLiteral("Page"), QStringLiteral("Slot"),
                                         QStringLiteral("Object"), QStringLiteral("What"),
                                         QStringLiteral("Bytes")});
    m_pTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pTable->verticalHeader()->hide();
    m_pTable->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);
    m_pEmpty = new QLabel(QStringLiteral("No damage was reported."), this);
    m_pEmpty->setObjectName(QStringLiteral("lblNoDamage"));

    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* pSave =
        pButtons->addButton(QStringLiteral("Save as CSV..."), QDialogButtonBox::ActionRole);
    pSave->setObjectName(QStringLiteral("btnSaveDamage"));
    connect(pSave, &QPushButton::clicked, this, &CDamageReportDlg::OnSave);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pEmpty);
    pLayout->addWidget(m_pTable);
    pLayout->addWidget(pButtons);
    resize(640, 320);
    SetRecords({});
}

void CDamageReportDlg::SetRecords(const std::vector<SDamageRecord>& vecRecords) {
    m_vecRecords = vecRecords;
    m_pTable->setRowCount(static_cast<int>(vecRecords.size()));
    for (int nRow = 0; nRow < static_cast<int>(vecRecords.size()); ++nRow) {
        const SDamageRecord& record = vecRecords[nRow];
        const QString arrCells[] = {
            PageText(record), SlotText(record), QString::fromStdString(record.strObject),
            QString::fromStdString(record.strWhat), QString::number(record.nBytes)};
        for (int nColumn = 0; nColumn < 5; ++nColumn)
            m_pTable->setItem(nRow, nColumn, new QTableWidgetItem(arrCells[nColumn]));
    }
    m_pEmpty->setVisible(vecRecords.empty());
}

QString CDamageReportDlg::Summary(const std::vector<SDamageRecord>& vecRecords) {
    if (vecRecords.empty())
        return {};
    std::set<std::int64_t> setPages;
    int nRows = 0;
    for (const SDamageRecord& record : vecRecords) {
        if (record.nPage != SDamageRecord::kNoPage)
            setPages.insert(record.nPage);
        if (record.nSlot != SDamageRecord::kNoSlot && record.bRowLost)
            ++nRows;
    }
    if (setPages.empty())
        return QStringLiteral("%1 damage reports").arg(vecRecords.size());
    // A cut tail or a torn page loses no row of its own.
    if (nRows == 0)
        return QStringLiteral("%1 damaged pages").arg(setPages.size());
    return QStringLiteral("%1 damaged pages: %2 rows skipped").arg(setPages.size()).arg(nRows);
}

QString CDamageReportDlg::CsvText(const std::vector<SDamageRecord>& vecRecords) {
    QString strText = QStringLiteral("page,slot,object,what,bytes\r\n");
    for (const SDamageRecord& record : vecRecords) {
        strText += PageText(record) + QLatin1Char(',') + SlotText(record) + QLatin1Char(',') +
                   CsvField(QString::fromStdString(record.strObject)) + QLatin1Char(',') +
                   CsvField(QString::fromStdString(record.strWhat)) + QLatin1Char(',') +
                   QString::number(record.nBytes) + QStringLiteral("\r\n");
    }
    return strText;
}

bool CDamageReportDlg::SaveCsv(const QString& strPath, QString& strError) const {
    QSaveFile file(strPath);
    if (!file.open(QIODevice::WriteOnly)) {
        strError = QStringLiteral("Cannot write %1: %2").arg(strPath, file.errorString());
        return false;
    }
    file.write(CsvText(m_vecRecords).toUtf8());
    if (!file.commit()) {
        strError = QStringLiteral("Cannot write %1: %2").arg(strPath, file.errorString());
        return false;
    }
    return true;
}

void CDamageReportDlg::OnSave() {
    const QString strPath = CUserPrompts::SaveFileName(this, QStringLiteral("Save damage report"),
                                                       QStringLiteral("CSV Files (*.csv)"),
                                                       QStringLiteral("DamageReport.csv"));
    if (strPath.isEmpty())
        return;
    QString strError;
    if (!SaveCsv(strPath, strError))
        CUserPrompts::Warning(this, strError);
}
