// engine/records/CInsertStatementBuilder.cpp
#include "engine/records/CInsertStatementBuilder.h"

#include "engine/catalog/CTable.h"
#include "engine/scripts/SqlText.h"

namespace {
bool IsCharacter(EColumnType e) {
    return e == EColumnType::Varchar || e == EColumnType::NVarchar || e == EColumnType::NText ||
           e == EColumnType::Text || e == EColumnType::Char || e == EColumnType::NChar;
}
bool IsUnicode(EColumnType e) {
    return e == EColumnType::NVarchar || e == EColumnType::NText || e == EColumnType::NChar;
}
bool IsQuoted(EColumnType e) {
    return e == EColumnType::Varchar || e == EColumnType::Text || e == EColumnType::Datetime ||
           e == EColumnType::Char || e == EColumnType::Guid;
}
}  // namespace

bool CInsertStatementBuilder::AppendLiteral(const CColumnInfo& column, EColumnType eType,
                                            const CFieldValue& value, std::string& strOut) {
    if (column.m_bDeleted || !column.m_strFormula.empty())
        return false;
    switch (value.m_eKind) {
        case EValueKind::Formula:
        case EValueKind::Deleted:
            return false;
        case EValueKind::Null:
        case EValueKind::Missing:
        case EValueKind::Corrupt:
            // A column that may not be NULL still gets a value, so the row is not refused.
            if (IsCharacter(eType) && !column.m_bNullable) {
                strOut += "''";
                return true;
            }
            return false;
        case EValueKind::EmptyString:
            if (IsCharacter(eType)) {
                strOut += "''";
                return true;
            }
            if (eType == EColumnType::VarBinary || eType == EColumnType::Image ||
                eType == EColumnType::Binary) {
                strOut += "0x";
                return true;
            }
            return false;
        case EValueKind::Value:
            break;
    }
    const std::string& strText = value.m_strText;
    if (eType == EColumnType::VarBinary || eType == EColumnType::Image) {
        // Image values are hex text; quoted, the server would store the digits' characters.
        strOut += "0x";
        strOut += strText;
    } else if (IsUnicode(eType)) {
        std::string strSize;
        if (column.m_nLength >= 4000 || eType == EColumnType::NText) {
            strSize = "4000";
        } else if (eType == EColumnType::NChar) {
            strSize = std::to_string(column.m_nLength);
        } else {
            strSize = std::to_string(column.m_nLength / 2);
        }
        strOut += "CONVERT(nvarchar(" + strSize + "),0x" + strText + ")";
    } else if (IsQuoted(eType)) {
        strOut += SqlText::Quote(strText);
    } else if (eType == EColumnType::SmallDatetime) {
        strOut += "CONVERT(smalldatetime, 0x" + strText + ")";
    } else {
        strOut += strText;
    }
    return true;
}

CInsertStatementBuilder::SStatement CInsertStatementBuilder::Build(
    const CTable& table, const std::vector<CFieldValue>& vecValues, bool bDirect) {
    SStatement statement;
    std::string strColumns;
    std::size_t nCount = std::min(vecValues.size(), table.m_vecColumns.size());
    for (std::size_t i = 0; i < nCount; ++i) {
        const CColumnInfo& column = table.m_vecColumns[i];
        std::string strLiteral;
        if (!AppendLiteral(column, CValueRenderer::Classify(column.m_strType), vecValues[i],
                           strLiteral))
            continue;
        if (!strColumns.empty()) {
            strColumns.push_back(',');
            statement.strValueList.push_back(',');
        }
        strColumns += SqlText::Bracket(column.m_strName);
        statement.strValueList += strLiteral;
    }
    const char* pszEnd = bDirect ? ";" : "\r\ngo\r\n";
    if (strColumns.empty()) {
        statement.strText =
            "Insert into " + SqlText::Bracket(table.m_strName) + " default values" + pszEnd;
        return statement;
    }
    statement.strText = "Insert into " + SqlText::Bracket(table.m_strName) + " (" + strColumns +
                        ")  values(" + statement.strValueList + ")" + pszEnd;
    return statement;
}
