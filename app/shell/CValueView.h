// app/shell/CValueView.h
#pragma once

#include <QWidget>
#include <cstddef>
#include <span>
#include <string>

class QLabel;
class QPlainTextEdit;

// Shows one whole value under the grid when a cell is activated: text as it is, bytes as lines of
// offset, hex and ASCII.
class CValueView : public QWidget {
    Q_OBJECT

  public:
    explicit CValueView(QWidget* pParent = nullptr);

    void ShowText(const QString& strTitle, const QString& strText);
    // strDump: HexDump of the first nShownBytes of a value of nTotalBytes.
    void ShowDump(const QString& strTitle, const std::string& strDump, std::size_t nShownBytes,
                  std::size_t nTotalBytes);
    // Bytes at hand (up to nMaxBytes of them are shown).
    void ShowBytes(const QString& strTitle, std::span<const std::byte> bytes,
                   std::size_t nMaxBytes);
    QString Title() const;
    QString Text() const;

    // Lines of "offset  16 hex bytes  ASCII" (bytes outside printable ASCII shown as '.'). Pure:
    // the page loader calls it on its worker thread for large values.
    static std::string HexDump(std::span<const std::byte> bytes);

  private:
    QLabel* m_pTitle = nullptr;
    QPlainTextEdit* m_pText = nullptr;
};
