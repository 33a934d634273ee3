// app/shell/CBanner.h
#pragma once

#include <QPixmap>
#include <QWidget>

// The band across the top of the main window: the product's banner picture on its own ground
// colour, which fills whatever width the window has.
class CBanner : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kHeight = 64;

    explicit CBanner(QWidget* pParent = nullptr);
    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* pEvent) override;

  private:
    // The picture rendered once per device pixel ratio, not on every paint.
    QPixmap m_picture;
};
