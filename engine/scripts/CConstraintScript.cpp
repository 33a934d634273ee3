// engine/scripts/CConstraintScript.cpp
#include "engine/scripts/CConstraintScript.h"

#include <algorithm>

#include "common/ExecutionLog.h"
#include "common/OdbcConnection.h"
#include "common/ScriptFile.h"
#include "engine/catalog/CTable.h"
#include "engine/core/CEngineStatus.h"
#include "engine/records/CExportContext.h"
#include "engine/scripts/SqlText.h"

namespace {
constexpr const char* kBatchEnd = "\r\ngo\r\n";

std::string Described(const char* pszWhat, const std::string& strName, const CTable& table) {
    return std::string(pszWhat) + " " +
           (strName.empty() ? "(unnamed)" : SqlText::Bracket(strName)) + " of table " +
           SqlText::Bracket(table.m_strName);
}

// "([a],[b] DESC)", or empty when a column was not recovered.
std::string ColumnList(const std::vector<CIndexColumn>& vecColumns) {
    if (vecColumns.empty())
        return {};
    std::string strList = "(";
    for (const CIndexColumn& column : vecColumns) {
        if (column.m_strName.empty())
            return {};
        if (strList.size() > 1)
            strList += ",";
        strList += SqlText::Bracket(column.m_strName);
        if (column.m_bDescending)
            strList += " DESC";
    }
    return strList + ")";
}

std::string NameList(const std::vector<std::string>& vecNames) {
    std::vector<CIndexColumn> vecColumns;
    for (const std::string& strName : vecNames)
        vecColumns.push_back(CIndexColumn{strName, false});
    return ColumnList(vecColumns);
}

// The table as its CREATE TABLE names it: with its schema where the format has one, so a table
// outside the default schema is found.
std::string TableName(const CTable& table) {
    return SqlText::QualifiedName(table.m_strSchema, table.m_strName);
}

// "ALTER TABLE [T] ADD CONSTRAINT [c] " (without a name when none was recovered).
std::string AddConstraint(const CTable& table, const std::string& strName, bool bNoCheck) {
    std::string strText = "ALTER TABLE " + TableName(table);
    if (bNoCheck)
        strText += " WITH NOCHECK";
    strText += " ADD ";
    if (!strName.empty())
        strText += "CONSTRAINT " + SqlText::Bracket(strName) + " ";
    return strText;
}

std::string NoCheck(const CTable& table, const std::string& strName) {
    return "ALTER TABLE " + TableName(table) + " NOCHECK CONSTRAINT " + SqlText::Bracket(strName);
}
}  // namespace

CConstraintScript::SStatements CConstraintScript::TableStatements(const CTable& table) {
    SStatements out;
    struct SOrdered {
        bool bClustered;
        std::string strText;
    };
    std::vector<SOrdered> vecOrdered;
    for (const CKeyConstraint& key : table.m_vecKeys) {
        const char* pszKind = key.m_bPrimaryKey ? "primary key" : "unique constraint";
        const std::string strColumns = ColumnList(key.m_vecColumns);
        if (strColumns.empty()) {
            out.vecSkipped.push_back(Described(pszKind, key.m_strName, table) +
                                     " was not scripted: its columns were not recovered");
            continue;
        }
        vecOrdered.push_back(
            {key.m_bClustered, AddConstraint(table, key.m_strName, false) +
                                   (key.m_bPrimaryKey ? "PRIMARY KEY " : "UNIQUE ") +
                                   (key.m_bClustered ? "CLUSTERED " : "NONCLUSTERED ") +
                                   strColumns});
    }
    for (const CTableIndex& index : table.m_vecIndexes) {
        const bool bMadeByKey =
            index.m_bKeyIndex || std::any_of(table.m_vecKeys.begin(), table.m_vecKeys.end(),
                                             [&](const CKeyConstraint& key) {
                                                 return key.m_strName == index.m_strName;
                                             });
        if (bMadeByKey)
            continue;
        const std::string strColumns = ColumnList(index.m_vecColumns);
        if (strColumns.empty() || index.m_strName.empty()) {
            out.vecSkipped.push_back(Described("index", index.m_strName, table) +
                                     " was not scripted: its columns were not recovered");
            continue;
        }
        // A non-clustered index is written without the keyword: it is the default, and a
        // target that does not know the word still takes the index.
        vecOrdered.push_back(
            {index.m_bClustered, std::string("CREATE ") + (index.m_bUnique ? "UNIQUE " : "") +
                                     (index.m_bClustered ? "CLUSTERED " : "") + "INDEX " +
                                     SqlText::Bracket(index.m_strName) + " ON " + TableName(table) +
                                     " " + strColumns});
    }
    std::stable_partition(vecOrdered.begin(), vecOrdered.end(),
                          [](const SOrdered& s) { return s.bClustered; });
    for (SOrdered& ordered : vecOrdered)
        out.vecStatements.push_back(std::move(ordered.strText));

    for (const CCheckConstraint& check : table.m_vecChecks) {
        if (check.m_strText.empty()) {
            out.vecSkipped.push_back(Described("check constraint", check.m_strName, table) +
                                     " was not scripted: its condition was not recovered");
            continue;
        }
        const std::string strCondition =
            check.m_strText.starts_with("(") ? check.m_strText : "(" + check.m_strText + ")";
        out.vecStatements.push_back(AddConstraint(table, check.m_strName, check.m_bDisabled) +
                                    "CHECK " + strCondition);
        if (check.m_bDisabled && !check.m_strName.empty())
            out.vecStatements.push_back(NoCheck(table, check.m_strName));
    }
    return out;
}

CConstraintScript::SStatements CConstraintScript::ForeignKeyStatements(const CTable& table) {
    SStatements out;
    for (const CForeignKey& key : table.m_vecForeignKeys)
        AddForeignKey(table, key, out);
    return out;
}

void CConstraintScript::AddForeignKey(const CTable& table, const CForeignKey& key,
                                      SStatements& out) {
    const std::string strColumns = NameList(key.m_vecColumns);
    const std::string strReferenced = NameList(key.m_vecReferencedColumns);
    if (strColumns.empty() || strReferenced.empty() || key.m_strReferencedTable.empty() ||
        key.m_vecColumns.size() != key.m_vecReferencedColumns.size()) {
        out.vecSkipped.push_back(
            Described("foreign key", key.m_strName, table) + " was not scripted: " +
            (key.m_strReferencedTable.empty() ? "the table it references was not recovered"
                                              : "its columns were not recovered"));
        return;
    }
    std::string strText =
        AddConstraint(table, key.m_strName, key.m_bDisabled) + "FOREIGN KEY " + strColumns +
        " REFERENCES " +
        SqlText::QualifiedName(key.m_strReferencedSchema, key.m_strReferencedTable) + " " +
        strReferenced;
    if (key.m_eOnDelete != CForeignKey::EAction::NoAction)
        strText += std::string(" ON DELETE ") + CForeignKey::ActionText(key.m_eOnDelete);
    if (key.m_eOnUpdate != CForeignKey::EAction::NoAction)
        strText += std::string(" ON UPDATE ") + CForeignKey::ActionText(key.m_eOnUpdate);
    out.vecStatements.push_back(std::move(strText));
    if (key.m_bDisabled && !key.m_strName.empty())
        out.vecStatements.push_back(NoCheck(table, key.m_strName));
}

void CConstraintScript::LogSkipped(const std::vector<std::string>& vecSkipped) {
    for (const std::string& strReason : vecSkipped)
        CExecutionLog::WriteLog(1, 0, strReason, true);
}

int CConstraintScript::Execute(COdbcConnection* pConnection,
                               const std::vector<std::string>& vecStatements) {
    int nFailed = 0;
    for (const std::string& strStatement : vecStatements) {
        try {
            if (!pConnection)
                throw COdbcError("no database connection");
            pConnection->Execute(strStatement);
        } catch (const COdbcError& error) {
            ++nFailed;
            CExecutionLog::WriteLog(1, 0, std::string(error.what()) + " : " + strStatement, true);
        }
    }
    return nFailed;
}

void CConstraintScript::Generate(CExportContext& context) {
    const CTable* pTable = context.m_pTable;
    if (!pTable)
        return;
    const SStatements statements = TableStatements(*pTable);
    LogSkipped(statements.vecSkipped);
    if (!context.m_bDirect) {
        if (context.m_pConstraintFile) {
            for (const std::string& strStatement : statements.vecStatements)
                context.m_pConstraintFile->Write(strStatement + kBatchEnd);
        }
        return;
    }
    const int nFailed = Execute(context.m_pConnection, statements.vecStatements);
    context.m_nFailed += nFailed;
    if (context.m_pStatus)
        context.m_pStatus->m_nFailedRecords += nFailed;
}
