// app/shell/CPageBar.cpp
#include "app/shell/CPageBar.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

CPageBar::CPageBar(QWidget* pParent) : QWidget(pParent) {
    setObjectName(QStringLiteral("pageBar"));
    m_pPrevious = new QPushButton(QStringLiteral("<"), this);
    m_pPrevious->setObjectName(QStringLiteral("btnPreviousPage"));
    m_pPrevious->setToolTip(QStringLiteral("Previous 500 records (PgUp, Alt+Left)"));
    m_pCount = new QLabel(this);
    m_pCount->setObjectName(QStringLiteral("lblRecordCount"));
    m_pOfPage = new QLabel(QStringLiteral("of Page "), this);
    m_pOfPage->setObjectName(QStringLiteral("lblOfPage"));
    m_pPage = new QLabel(this);
    m_pPage->setObjectName(QStringLiteral("lblPageNumber"));
    m_pNext = new QPushButton(QStringLiteral(">"), this);
    m_pNext->setObjectName(QStringLiteral("btnNextPage"));
    m_pNext->setToolTip(QStringLiteral("Next 500 records (PgDn, Alt+Right)"));
    for (QPushButton* pButton : {m_pPrevious, m_pNext}) {
        pButton->setFixedWidth(32);
        pButton->setFocusPolicy(Qt::NoFocus);
    }
    m_pCount->setMinimumWidth(28);
    m_pCount->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_pPage->setMinimumWidth(20);

    auto* pLayout = new QHBoxLayout(this);
    pLayout->setContentsMargins(0, 2, 0, 2);
    pLayout->addWidget(m_pPrevious);
    pLayout->addWidget(m_pCount);
    pLayout->addWidget(m_pOfPage);
    pLayout->addWidget(m_pPage);
    pLayout->addWidget(m_pNext);
    pLayout->addStretch(1);

    connect(m_pPrevious, &QPushButton::clicked, this, &CPageBar::PreviousPage);
    connect(m_pNext, &QPushButton::clicked, this, &CPageBar::NextPage);
}

void CPageBar::SetRecordCount(const QString& strCount) {
    m_pCount->setText(strCount);
}

void CPageBar::SetPageNumber(const QString& strPage) {
    m_pPage->setText(strPage);
}

QString CPageBar::RecordCount() const {
    return m_pCount->text();
}

QString CPageBar::PageNumber() const {
    return m_pPage->text();
}

void CPageBar::ShowForRecords(bool bShow) {
    for (QWidget* pWidget : {static_cast<QWidget*>(m_pPrevious), static_cast<QWidget*>(m_pCount),
                             static_cast<QWidget*>(m_pOfPage), static_cast<QWidget*>(m_pPage),
                             static_cast<QWidget*>(m_pNext)}) {
        pWidget->setVisible(bShow);
    }
}
