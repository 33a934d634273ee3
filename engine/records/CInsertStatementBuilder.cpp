// engine/records/CInsertStatementBuilder.cpp
#include "engine/records/CInsertStatementBuilder.h"

#include <charconv>
#include <cstring>

#include "engine/catalog/CTable.h"
#include "engine/scripts/SqlText.h"

namespace {
const char* StatementEnd(bool bDirect) {
    return bDirect ? ";" : "\r\ngo\r\n";
}
}  // namespace

CInsertStatementBuilder::CInsertStatementBuilder(const CTable& table)
    : m_strTable("Insert into " + SqlText::QualifiedName(table.m_strSchema, table.m_strName) +
                 " ") {
    m_vecColumns.reserve(table.m_vecColumns.size());
    m_strFullHead = m_strTable + "(";
    for (const CColumnInfo& column : table.m_vecColumns) {
        SColumn described{SColumnFormat::Of(column), {}};
        described.strBracketed = SqlText::Bracket(column.m_strName);
        if (m_vecColumns.size() > 0)
            m_strFullHead.push_back(',');
        m_strFullHead += described.strBracketed;
        m_vecColumns.push_back(std::move(described));
    }
    m_strFullHead += ")  values(";
}

std::string_view CInsertStatementBuilder::Append(const std::vector<CTypedValue>& vecValues,
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
        if (!CValueFormat::AppendSqlLiteral(vecValues[i], m_vecColumns[i].format, strOut,
                                            !bDirect)) {
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
    const CTable& table, const std::vector<CTypedValue>& vecValues, bool bDirect) {
    SStatement statement;
    CInsertStatementBuilder builder(table);
    statement.strValueList = builder.Append(vecValues, bDirect, statement.strText);
    return statement;
}
