// app/shell/CTabStrip.cpp
#include "app/shell/CTabStrip.h"

#include <QPainter>

namespace {
const QColor kTabGround(244, 244, 244);
}  // namespace

CTabStrip::CTabStrip(QWidget* pParent) : QTabBar(pParent) {
    setObjectName(QStringLiteral("tabStrip"));
    QFont font(QStringLiteral("Verdana"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(13);
    font.setWeight(QFont::Black);
    setFont(font);
    setExpanding(false);
    setDrawBase(false);
    addTab(QString(26, QLatin1Char(' ')));
}

void CTabStrip::SetCaption(const QString& strCaption) {
    // Replaced, not renamed: the strip always holds exactly one tab.
    while (count() > 0)
        removeTab(0);
    addTab(strCaption);
}

QString CTabStrip::Caption() const {
    return count() > 0 ? tabText(0) : QString();
}

void CTabStrip::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    for (int i = 0; i < count(); ++i) {
        const QRect rect = tabRect(i);
        painter.fillRect(rect, kTabGround);
        painter.setPen(QColor(200, 200, 200));
        painter.drawRect(rect.adjusted(0, 0, -1, -1));
        // Black on the fixed light ground reads the same on light and dark palettes.
        painter.setPen(Qt::black);
        painter.drawText(rect.adjusted(4, 0, -4, 0), Qt::AlignLeft | Qt::AlignVCenter, tabText(i));
    }
}
