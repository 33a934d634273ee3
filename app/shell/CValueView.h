// app/shell/CValueView.h
#pragma once

#include <QWidget>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QPlainTextEdit;

// Shows one whole value under the grid when a cell is activated: text as it is, bytes as lines of
// offset, hex and ASCII.
class CValueView : public QWidget {
    Q_OBJECT

  public:
    explicit CValueView(QWidget* pParent = nullptr);

    void ShowText(const QString& strTitle, const QString& strText);
    void ShowBytes(const QString& strTitle, const std::vector<std::byte>& vecBytes);
    QString Text() const;

    // "0x" followed by an even number of hex digits gives the bytes; anything else nothing.
    static std::optional<std::vector<std::byte>> BytesOfHexText(const std::string& strText);
    // Lines of "offset  16 hex bytes  ASCII" (bytes outside printable ASCII shown as '.').
    static QString HexDump(const std::vector<std::byte>& vecBytes);

  private:
    QLabel* m_pTitle = nullptr;
    QPlainTextEdit* m_pText = nullptr;
};
