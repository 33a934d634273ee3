// app/shell/CSqlFormatOptDlg.cpp
#include "app/shell/CSqlFormatOptDlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include "app/shell/CUserPrompts.h"
#include "engine/core/CFormatTable.h"

namespace {
// The program's format code of a format, from the engine's table.
int CodeOf(EEngineFormat eFormat) {
    const SFormatInfo* pFormat = CFormatTable::ByFormat(eFormat);
    return pFormat != nullptr ? pFormat->nCode : 0;
}
}  // namespace

CSqlFormatOptDlg::CSqlFormatOptDlg(QWidget* pParent) : QDialog(pParent) {
    setObjectName(QStringLiteral("formatDialog"));
    setWindowTitle(CUserPrompts::Caption());
    auto* pGroup = new QGroupBox(QStringLiteral("Select version"), this);
    m_pRadio2000 = new QRadioButton(QStringLiteral("Microsoft SQL Server 2000"), pGroup);
    m_pRadio2005 = new QRadioButton(QStringLiteral("Microsoft SQL Server 2005"), pGroup);
    m_pRadio2008 = new QRadioButton(QStringLiteral("Microsoft SQL Server 2008"), pGroup);
    m_pRadio2000->setObjectName(QStringLiteral("radio2000"));
    m_pRadio2005->setObjectName(QStringLiteral("radio2005"));
    m_pRadio2008->setObjectName(QStringLiteral("radio2008"));
    m_pRadio2000->setChecked(true);
    auto* pGroupLayout = new QVBoxLayout(pGroup);
    pGroupLayout->addWidget(m_pRadio2000);
    pGroupLayout->addWidget(m_pRadio2005);
    pGroupLayout->addWidget(m_pRadio2008);

    auto* pNote =
        new QLabel(QStringLiteral("Note : Selecting a wrong version may result in inconsistent "
                                  "behaviour"),
                   this);
    pNote->setWordWrap(true);
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pGroup);
    pLayout->addWidget(pNote);
    pLayout->addWidget(pButtons);
    setMinimumWidth(360);
}

void CSqlFormatOptDlg::accept() {
    // The first checked button in the order 2000, 2005, 2008.
    if (m_pRadio2000->isChecked())
        m_nFormat = CodeOf(EEngineFormat::SQL2000);
    else if (m_pRadio2005->isChecked())
        m_nFormat = CodeOf(EEngineFormat::SQL2005);
    else if (m_pRadio2008->isChecked())
        m_nFormat = CodeOf(EEngineFormat::SQL2008);
    else
        m_nFormat = 0;
    QDialog::accept();
}
