// app/shell/CTabStrip.h
#pragma once

#include <QTabBar>

// The one tab above the record grid, captioned with the selected table's name in a heavy face on
// a light grey ground.
class CTabStrip : public QTabBar {
    Q_OBJECT

  public:
    explicit CTabStrip(QWidget* pParent = nullptr);
    // Replaces the single tab by one with this caption.
    void SetCaption(const QString& strCaption);
    QString Caption() const;

  protected:
    void paintEvent(QPaintEvent* pEvent) override;
};
