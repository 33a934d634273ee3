// app/shell/CRecordGridModel.cpp
#include "app/shell/CRecordGridModel.h"

#include <QApplication>
#include <QFont>
#include <QPalette>

#include "app/shell/CArtwork.h"

CRecordGridModel::CRecordGridModel(QObject* pParent) : QAbstractTableModel(pParent) {}

void CRecordGridModel::SetColumns(std::vector<SGridColumn> vecColumns) {
    beginResetModel();
    m_vecColumns = std::move(vecColumns);
    m_vecRows.clear();
    m_nFirstRecord = 1;
    endResetModel();
}

void CRecordGridModel::SetRows(std::vector<SGridRow> vecRows, int nFirstRecord) {
    beginResetModel();
    m_vecRows = std::move(vecRows);
    m_nFirstRecord = nFirstRecord;
    endResetModel();
}

void CRecordGridModel::Clear() {
    SetColumns({});
}

const SGridColumn* CRecordGridModel::Column(int nColumn) const {
    if (nColumn < 0 || static_cast<std::size_t>(nColumn) >= m_vecColumns.size())
        return nullptr;
    return &m_vecColumns[nColumn];
}

const SGridValue* CRecordGridModel::Value(int nRow, int nColumn) const {
    if (nRow < 0 || static_cast<std::size_t>(nRow) >= m_vecRows.size() || nColumn < 0)
        return nullptr;
    const auto& vecValues = m_vecRows[nRow].vecValues;
    // A row may bring fewer values than the table has columns; the rest stay blank.
    if (static_cast<std::size_t>(nColumn) >= vecValues.size())
        return nullptr;
    return &vecValues[nColumn];
}

bool CRecordGridModel::IsDeleted(int nRow) const {
    return nRow >= 0 && static_cast<std::size_t>(nRow) < m_vecRows.size() &&
           m_vecRows[nRow].bDeleted;
}

QString CRecordGridModel::WholeText(const SGridValue& value) {
    if (!value.bUtf16Text)
        return QString::fromStdString(value.strText);
    // UTF-16LE as stored; a trailing odd byte cannot be a character.
    QString strText;
    strText.reserve(static_cast<qsizetype>(value.strBytes.size() / 2));
    for (std::size_t i = 0; i + 1 < value.strBytes.size(); i += 2) {
        const auto nLow = static_cast<unsigned char>(value.strBytes[i]);
        const auto nHigh = static_cast<unsigned char>(value.strBytes[i + 1]);
        strText += QChar(static_cast<char16_t>(nLow | nHigh << 8));
    }
    return strText;
}

bool CRecordGridModel::IsMarker(EGridValueKind eKind) {
    return eKind != EGridValueKind::Value && eKind != EGridValueKind::EmptyString &&
           eKind != EGridValueKind::Missing;
}

int CRecordGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_vecRows.size());
}

int CRecordGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_vecColumns.size());
}

QVariant CRecordGridModel::CellText(const SGridValue& value) const {
    switch (value.eKind) {
        case EGridValueKind::EmptyString:
        case EGridValueKind::Missing:
            return QStringLiteral(" ");
        case EGridValueKind::Value:
            break;
        default:
            return QString::fromStdString(value.strText);
    }
    QString strText = QString::fromStdString(value.strText.size() > kCellChars * 4
                                                 ? value.strText.substr(0, kCellChars * 4)
                                                 : value.strText);
    const bool bCut = strText.size() > kCellChars;
    if (bCut)
        strText.truncate(kCellChars);
    // One line per cell: line breaks inside a value would hide the rows below.
    strText.replace(QLatin1Char('\r'), QLatin1Char(' '))
        .replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (bCut || value.strText.size() > static_cast<std::size_t>(kCellChars) * 4)
        strText += QChar(0x2026);
    return strText;
}

QVariant CRecordGridModel::ToolTip(const SGridValue& value) const {
    switch (value.eKind) {
        case EGridValueKind::Null:
            return QStringLiteral("NULL (no value stored)");
        case EGridValueKind::Default:
            return QStringLiteral("No value stored: the column's default is shown");
        case EGridValueKind::Missing:
            return QStringLiteral("Nothing could be read for this value");
        case EGridValueKind::Corrupt:
            return QStringLiteral("The stored value is damaged");
        case EGridValueKind::BinaryNotRead:
            return QStringLiteral("Binary value: double-click the cell to read its bytes");
        case EGridValueKind::Value:
            break;
        default:
            return {};
    }
    if (value.bHasBytes) {
        return QStringLiteral("%1 bytes: double-click the cell to see them")
            .arg(value.strBytes.size());
    }
    const QString strCell = CellText(value).toString();
    const QString strFull = WholeText(value);
    if (strCell == strFull)
        return {};
    if (strFull.size() <= kToolTipChars)
        return strFull;
    return strFull.left(kToolTipChars) +
           QStringLiteral("\u2026\n\n(%1 characters: double-click the cell to see the whole value)")
               .arg(strFull.size());
}

QVariant CRecordGridModel::data(const QModelIndex& index, int nRole) const {
    if (!index.isValid())
        return {};
    const bool bDeleted = IsDeleted(index.row());
    const SGridValue* pValue = Value(index.row(), index.column());
    switch (nRole) {
        case Qt::DisplayRole:
            return pValue != nullptr ? CellText(*pValue) : QVariant();
        case kFullTextRole:
            return pValue != nullptr ? QString::fromStdString(pValue->strText) : QString();
        case kKindRole:
            return static_cast<int>(pValue != nullptr ? pValue->eKind : EGridValueKind::Null);
        case Qt::ToolTipRole:
            return pValue != nullptr ? ToolTip(*pValue) : QVariant();
        case Qt::FontRole: {
            if (!bDeleted && (pValue == nullptr || !IsMarker(pValue->eKind)))
                return {};
            QFont font;
            font.setItalic(true);
            return font;
        }
        case Qt::ForegroundRole: {
            if (!bDeleted && (pValue == nullptr || !IsMarker(pValue->eKind)))
                return {};
            return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        }
        default:
            return {};
    }
}

QVariant CRecordGridModel::headerData(int nSection, Qt::Orientation eOrientation, int nRole) const {
    if (eOrientation == Qt::Horizontal) {
        const SGridColumn* pColumn = Column(nSection);
        if (pColumn == nullptr)
            return {};
        if (nRole == Qt::DisplayRole)
            return QString::fromStdString(pColumn->strName);
        if (nRole == Qt::ToolTipRole)
            return QString::fromStdString(pColumn->strName + " (" + pColumn->strType + ")");
        if (nRole == Qt::TextAlignmentRole)
            return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
        return {};
    }
    if (nSection < 0 || nSection >= rowCount())
        return {};
    const bool bDeleted = IsDeleted(nSection);
    switch (nRole) {
        case Qt::DisplayRole:
            return m_nFirstRecord + nSection;
        case Qt::DecorationRole:
            return bDeleted ? CArtwork::Icon(CArtwork::EIcon::DeletedRecord) : QVariant();
        case Qt::ToolTipRole:
            return bDeleted ? QStringLiteral("Deleted record") : QVariant();
        case Qt::FontRole: {
            if (!bDeleted)
                return {};
            QFont font;
            font.setItalic(true);
            return font;
        }
        default:
            return {};
    }
}
