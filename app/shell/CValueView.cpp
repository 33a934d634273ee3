// app/shell/CValueView.cpp
#include "app/shell/CValueView.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

CValueView::CValueView(QWidget* pParent) : QWidget(pParent) {
    setObjectName(QStringLiteral("valueView"));
    m_pTitle = new QLabel(this);
    m_pTitle->setObjectName(QStringLiteral("valueTitle"));
    auto* pClose = new QToolButton(this);
    pClose->setObjectName(QStringLiteral("btnCloseValue"));
    pClose->setText(QStringLiteral("\u00d7"));
    pClose->setToolTip(QStringLiteral("Close the value view"));
    pClose->setAutoRaise(true);
    m_pText = new QPlainTextEdit(this);
    m_pText->setObjectName(QStringLiteral("valueText"));
    m_pText->setReadOnly(true);
    m_pText->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    auto* pHead = new QHBoxLayout;
    pHead->addWidget(m_pTitle, 1);
    pHead->addWidget(pClose);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->setContentsMargins(0, 0, 0, 0);
    pLayout->addLayout(pHead);
    pLayout->addWidget(m_pText);
    connect(pClose, &QToolButton::clicked, this, &QWidget::hide);
}

void CValueView::ShowText(const QString& strTitle, const QString& strText) {
    m_pTitle->setText(strTitle);
    m_pText->setFont(QFont());
    m_pText->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_pText->setPlainText(strText);
    show();
}

void CValueView::ShowBytes(const QString& strTitle, const std::vector<std::byte>& vecBytes) {
    m_pTitle->setText(strTitle + QStringLiteral(" (%1 bytes)").arg(vecBytes.size()));
    m_pText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pText->setPlainText(HexDump(vecBytes));
    show();
}

QString CValueView::Text() const {
    return m_pText->toPlainText();
}

std::optional<std::vector<std::byte>> CValueView::BytesOfHexText(const std::string& strText) {
    if (strText.size() < 2 || strText[0] != '0' || (strText[1] != 'x' && strText[1] != 'X') ||
        strText.size() % 2 != 0) {
        return std::nullopt;
    }
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        return -1;
    };
    std::vector<std::byte> vecBytes;
    vecBytes.reserve((strText.size() - 2) / 2);
    for (std::size_t i = 2; i < strText.size(); i += 2) {
        const int nHigh = nibble(strText[i]);
        const int nLow = nibble(strText[i + 1]);
        if (nHigh < 0 || nLow < 0)
            return std::nullopt;
        vecBytes.push_back(static_cast<std::byte>(nHigh * 16 + nLow));
    }
    return vecBytes;
}

QString CValueView::HexDump(const std::vector<std::byte>& vecBytes) {
    constexpr std::size_t kPerLine = 16;
    QString strOut;
    for (std::size_t nOffset = 0; nOffset < vecBytes.size(); nOffset += kPerLine) {
        QString strHex;
        QString strAscii;
        for (std::size_t i = 0; i < kPerLine; ++i) {
            if (nOffset + i < vecBytes.size()) {
                const auto nByte = static_cast<unsigned>(vecBytes[nOffset + i]);
                strHex += QStringLiteral("%1 ").arg(nByte, 2, 16, QLatin1Char('0'));
                strAscii += nByte >= 0x20 && nByte < 0x7F ? QChar(nByte) : QLatin1Char('.');
            } else {
                strHex += QStringLiteral("   ");
            }
            if (i == 7)
                strHex += QLatin1Char(' ');
        }
        strOut += QStringLiteral("%1  %2 %3\n")
                      .arg(nOffset, 8, 16, QLatin1Char('0'))
                      .arg(strHex, strAscii);
    }
    return strOut;
}
