// app/shell/CBanner.cpp
#include "app/shell/CBanner.h"

#include <QLinearGradient>
#include <QPainter>

#include "app/shell/CArtwork.h"

CBanner::CBanner(QWidget* pParent) : QWidget(pParent) {
    setObjectName(QStringLiteral("banner"));
    setFixedHeight(kHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QSize CBanner::sizeHint() const {
    return {640, kHeight};
}

void CBanner::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The same ground as the picture's right edge, so the band runs on seamlessly.
    QLinearGradient ground(0, 0, 0, height());
    ground.setColorAt(0, QColor(0x5a, 0x2e, 0x0c));
    ground.setColorAt(1, QColor(0x3b, 0x1d, 0x08));
    painter.fillRect(rect(), ground);
    if (m_picture.isNull() || m_picture.devicePixelRatio() != devicePixelRatioF())
        m_picture = CArtwork::Banner(kHeight, devicePixelRatioF());
    painter.drawPixmap(0, 0, m_picture);
}
