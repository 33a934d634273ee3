// app/shell/CSplashScreen.h
#pragma once

#include <QWidget>

// The start-up picture: shown for two seconds from a timer while the window already works, and
// closed at once when a dialog is about to open.
class CSplashScreen : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kShowMs = 2000;

    // Shows the splash centred over the parent (or the screen) and closes it after kShowMs.
    static CSplashScreen* Show(QWidget* pParent);
    // Closes every splash that is still shown.
    static void DismissAll();

  protected:
    void paintEvent(QPaintEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;

  private:
    explicit CSplashScreen(QWidget* pParent);
};
