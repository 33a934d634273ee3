// app/shell/CSplashScreen.cpp
#include "app/shell/CSplashScreen.h"

#include <QApplication>
#include <QPainter>
#include <QScreen>
#include <QSvgRenderer>
#include <QTimer>

namespace {
constexpr int kWidth = 462;
constexpr int kHeight = 222;
}  // namespace

CSplashScreen::CSplashScreen(QWidget* pParent)
    : QWidget(pParent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("splash"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kWidth, kHeight);
}

CSplashScreen* CSplashScreen::Show(QWidget* pParent) {
    auto* pSplash = new CSplashScreen(pParent);
    QRect area = pParent != nullptr && pParent->isVisible()
                     ? pParent->frameGeometry()
                     : QGuiApplication::primaryScreen()->availableGeometry();
    pSplash->move(area.center() - QPoint(kWidth / 2, kHeight / 2));
    pSplash->show();
    QTimer::singleShot(kShowMs, pSplash, &QWidget::close);
    return pSplash;
}

void CSplashScreen::DismissAll() {
    for (QWidget* pWidget : QApplication::topLevelWidgets()) {
        if (auto* pSplash = qobject_cast<CSplashScreen*>(pWidget))
            pSplash->close();
    }
}

void CSplashScreen::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QSvgRenderer renderer(QStringLiteral(":/artwork/splash.svg"));
    renderer.render(&painter, rect());
}

void CSplashScreen::mousePressEvent(QMouseEvent*) {
    close();
}
