#include "engine/records/CInsertStatementBuilder.h"

#include <charconv>
#include <cstring>

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

// 'text' with every "'" doubled, appended in place.
void AppendQuoted(std::string_view strText, std::string& strOut) {
    strOut.push_back('\'');
    for (;;) {
        auto nQuote = strText.find('\'');
        if (nQuote == std::string_view::npos)
            break;
        strOut.append(strText.data(), nQuote + 1);
        strOut.push_back('\'');
        strText.remove_prefix(nQuote + 1);
    }
    strOut.append(strText);
    strOut.push_back('\'');
}

const char* StatementEnd(bool bDirect) {
    return bDirect ? ";" : "\r\ngo\r\n";
}
}  // namespace

CInsertStatementBuilder::SColumn CInsertStatementBuilder::Describe(const CColumnInfo& column) {
    SColumn described;
    described.eType = CValueRenderer::Classify(column.m_strType);
    described.bSkipped = column.m_bDeleted || !column.m_strFormula.empty();
    described.bNullable = column.m_bNullable;
    if (IsUnicode(described.eType)) {
        int nSize = column.m_nLength / 2;
        if (column.m_nLength >= 4000 || described.eType == EColumnType::NText)
            nSize = 4000;
        else if (described.eType == EColumnType::NChar)
            nSize = column.m_nLength;
        described.strConvert = "CONVERT(nvarchar(" + std::to_string(nSize) + "),0x";
    }
    return described;
}

CInsertStatementBuilder::CInsertStatementBuilder(const CTable& table)
    : m_strTable("Insert into " + SqlText::Bracket(table.m_strName) + " ") {
    m_vecColumns.reserve(table.m_vecColumns.size());
    m_strFullHead = m_strTable + "(";
    for (const CColumnInfo& column : table.m_vecColumns) {
        SColumn described = Describe(column);
        described.strBracketed = SqlText::Bracket(column.m_strName);
        if (m_vecColumns.size() > 0)
            m_strFullHead.push_back(',');
        m_strFullHead += described.strBracketed;
        m_vecColumns.push_back(std::move(described));
    }
    m_strFullHead += ")  values(";
}

bool CInsertStatementBuilder::AppendLiteral(const SColumn& column, const CFieldValue& value,
                                            std::string& strOut) {
    if (column.bSkipped)
        return false;
    const EColumnType eType = column.eType;
    switch (value.m_eKind) {
        case EValueKind::Formula:
        case EValueKind::Deleted:
            return false;
        case EValueKind::Null:
        case EValueKind::Missing:
        case EValueKind::Corrupt:
            // A column that may not be NULL still gets a value, so the row is not refused.
            if (IsCharacter(eType) && !column.bNullable) {
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
        strOut += column.strConvert;
        strOut += strText;
        strOut += ')';
    } else if (IsQuoted(eType)) {
        AppendQuoted(strText, strOut);
    } else if (eType == EColumnType::SmallDatetime) {
        strOut += "CONVERT(smalldatetime, 0x";
        strOut += strText;
        strOut += ')';
    } else {
        strOut += strText;
    }
    return true;
}

bool CInsertStatementBuilder::AppendLiteral(const CColumnInfo& column, EColumnType eType,
                                            const CFieldValue& value, std::string& strOut) {
    SColumn described = Describe(column);
    described.eType = eType;
    return AppendLiteral(described, value, strOut);
}

std::string_view CInsertStatementBuilder::Append(const std::vector<CFieldValue>& vecValues,
                                                 bool bDirect, std::string& strOut) {
    const std::size_t nStart = strOut.size();
    const std::size_t nCount = std::min(vecValues.size(), m_vecColumns.size());
    // Written as if every column were present; the head is redone when one is left out.
    strOut += m_strFullHead;
    const std::size_t nValues = strOut.size();
    m_vecPresent.assign(nCount, false);
    bool bAll = nCount == m_vecColumns.size();
    bool bAny = false;
    for (std::size_t i = 0; i < nCount; ++i) {
        const std::size_t nBefore = strOut.size();
        if (bAny)
            strOut.push_back(',');
        if (!AppendLiteral(m_vecColumns[i], vecValues[i], strOut)) {
            strOut.resize(nBefore);
            bAll = false;
            continue;
        }
        m_vecPresent[i] = true;
        bAny = true;
    }
    if (!bAny) {
        strOut.resize(nStart);
        strOut += m_strTable;
        strOut += "default values";
        strOut += StatementEnd(bDirect);
        return {};
    }
    std::size_t nListStart = nValues;
    if (!bAll) {
        m_strScratch.assign(strOut, nValues, std::string::npos);
        strOut.resize(nStart);
        strOut += m_strTable;
        strOut.push_back('(');
        bool bFirst = true;
        for (std::size_t i = 0; i < nCount; ++i) {
            if (!m_vecPresent[i])
                continue;
            if (!bFirst)
                strOut.push_back(',');
            strOut += m_vecColumns[i].strBracketed;
            bFirst = false;
        }
        strOut += ")  values(";
        nListStart = strOut.size();
        strOut += m_strScratch;
    }
    const std::size_t nListEnd = strOut.size();
    strOut.push_back(')');
    strOut += StatementEnd(bDirect);
    return std::string_view(strOut).substr(nListStart, nListEnd - nListStart);
}

CInsertStatementBuilder::SStatement CInsertStatementBuilder::Build(
    const CTable& table, const std::vector<CFieldValue>& vecValues, bool bDirect) {
    SStatement statement;
    CInsertStatementBuilder builder(table);
    statement.strValueList = builder.Append(vecValues, bDirect, statement.strText);
    return statement;
}
