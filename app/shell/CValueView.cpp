// app/shell/CValueView.cpp
#include "app/shell/CValueView.h"

#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

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

void CValueView::ShowDump(const QString& strTitle, const std::string& strDump,
                          std::size_t nShownBytes, std::size_t nTotalBytes) {
    QString strSize = QStringLiteral(" (%1 bytes)").arg(nTotalBytes);
    if (nShownBytes < nTotalBytes)
        strSize =
            QStringLiteral(" (%1 bytes, the first %2 shown)").arg(nTotalBytes).arg(nShownBytes);
    m_pTitle->setText(strTitle + strSize);
    m_pText->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_pText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_pText->setPlainText(
        QString::fromLatin1(strDump.data(), static_cast<qsizetype>(strDump.size())));
    show();
}

void CValueView::ShowBytes(const QString& strTitle, std::span<const std::byte> bytes,
                           std::size_t nMaxBytes) {
    const std::size_t nShown = std::min(bytes.size(), nMaxBytes);
    ShowDump(strTitle, HexDump(bytes.first(nShown)), nShown, bytes.size());
}

QString CValueView::Title() const {
    return m_pTitle->text();
}

QString CValueView::Text() const {
    return m_pText->toPlainText();
}

std::string CValueView::HexDump(std::span<const std::byte> bytes) {
    constexpr std::size_t kPerLine = 16;
    constexpr char kDigits[] = "0123456789abcdef";
    // "oooooooo  " + 16 * "xx " + 1 + " " + 16 ASCII + "\n"
    constexpr std::size_t kLineChars = 10 + 16 * 3 + 1 + 1 + 16 + 1;
    std::string strOut;
    strOut.reserve((bytes.size() + kPerLine - 1) / kPerLine * kLineChars);
    for (std::size_t nOffset = 0; nOffset < bytes.size(); nOffset += kPerLine) {
        for (int nShift = 28; nShift >= 0; nShift -= 4)
            strOut.push_back(kDigits[(nOffset >> nShift) & 0xF]);
        strOut.append("  ");
        std::string strAscii;
        for (std::size_t i = 0; i < kPerLine; ++i) {
            if (nOffset + i < bytes.size()) {
                const auto nByte = static_cast<unsigned>(bytes[nOffset + i]);
                strOut.push_back(kDigits[nByte >> 4]);
                strOut.push_back(kDigits[nByte & 0xF]);
                strOut.push_back(' ');
                strAscii.push_back(nByte >= 0x20 && nByte < 0x7F ? static_cast<char>(nByte) : '.');
            } else {
                strOut.append("   ");
            }
            if (i == 7)
                strOut.push_back(' ');
        }
        strOut.push_back(' ');
        strOut.append(strAscii);
        strOut.push_back('\n');
    }
    return strOut;
}
