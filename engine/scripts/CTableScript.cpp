// engine/scripts/CTableScript.cpp
#include "engine/scripts/CTableScript.h"

#include <algorithm>

#include "common/ExecutionLog.h"
#include "common/OdbcConnection.h"
#include "common/ScriptFile.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/records/CExportContext.h"
#include "engine/records/CRecordExport.h"
#include "engine/records/CTypeTable.h"
#include "engine/scripts/CConstraintScript.h"
#include "engine/scripts/SqlText.h"

namespace {
constexpr const char* kBatchEnd = "\r\ngo\r\n";

bool IsBoundDefault(const std::string& strDefault) {
    return strDefault.find("create default") != std::string::npos ||
           strDefault.find("CREATE DEFAULT") != std::string::npos;
}
}  // namespace

std::string CTableScript::DeclaredType(const std::string& strUserType, unsigned nLength,
                                       unsigned nPrecision, unsigned nScale) {
    std::string strType = SqlText::Bracket(strUserType);
    static const char* const kSized[] = {"varchar", "char",      "nvarchar",
                                         "nchar",   "varbinary", "binary"};
    if (std::find(std::begin(kSized), std::end(kSized), strUserType) != std::end(kSized)) {
        std::string strSize;
        if (nLength > 8000) {
            strSize = "max";
        } else if (strUserType == "nvarchar" || strUserType == "nchar") {
            // Both Unicode types store two bytes per character and are declared in characters;
            // declaring nchar by its byte length would double the column and pad every value.
            strSize = std::to_string(nLength / 2);
        } else {
            strSize = std::to_string(nLength);
        }
        strType += "(" + strSize + ")";
    } else if (strUserType == "decimal" || strUserType == "numeric") {
        strType += "(" + std::to_string(nPrecision) + "," + std::to_string(nScale) + ")";
    }
    return strType;
}

std::string CTableScript::DeclaredType(const CColumnInfo& column) {
    if (column.m_bMax && CTypeTable::HasSize(column.m_strUserType))
        return SqlText::Bracket(column.m_strUserType) + "(max)";
    if (CTypeTable::HasFractionalDigits(column.m_strUserType)) {
        return SqlText::Bracket(column.m_strUserType) + "(" +
               std::to_string(static_cast<unsigned>(column.m_nScale)) + ")";
    }
    return DeclaredType(column.m_strUserType, column.m_nLength, column.m_nPrecision,
                        column.m_nScale);
}

CTableScript::SStatement CTableScript::Build(const CSQLServerEngine& engine, const CTable& table) {
    return Build(table, &engine.m_pStatus->m_bStop);
}

CTableScript::SStatement CTableScript::Build(const CTable& table, const std::atomic<bool>* pStop) {
    SStatement statement;
    std::string& strText = statement.strCreate;
    statement.strSchema = SqlText::EnsureSchema(table.m_strSchema);
    strText = "CREATE TABLE " + SqlText::QualifiedName(table.m_strSchema, table.m_strName) + " (";
    bool bFirst = true;
    for (const CColumnInfo& column : table.m_vecColumns) {
        if (column.IsComputed() && column.m_strFormula.empty()) {
            statement.vecLeftOut.push_back(column.m_strName);
            continue;
        }
        if (!bFirst)
            strText += ",";
        bFirst = false;
        if (column.IsComputed()) {
            // A computed column has no type of its own: the expression gives it.
            strText += SqlText::Bracket(column.m_strName) + " AS " + column.m_strFormula;
            if (pStop != nullptr && pStop->load()) {
                statement.bStopped = true;
                return statement;
            }
            continue;
        }
        strText += SqlText::Bracket(column.m_strName) + " " + DeclaredType(column);
        if (column.m_bColumnSet) {
            strText += " COLUMN_SET FOR ALL_SPARSE_COLUMNS";
            continue;
        }
        if (column.m_bSparse)
            strText += " SPARSE";
        if (column.m_bIdentity && !column.m_bDeleted) {
            strText += " IDENTITY(" + std::to_string(column.m_nIdentitySeed) + "," +
                       std::to_string(column.m_nIdentityIncrement) + ")";
        }
        if (!column.m_strDefault.empty()) {
            if (IsBoundDefault(column.m_strDefault)) {
                if (std::find(statement.vecDefaults.begin(), statement.vecDefaults.end(),
                              column.m_strDefault) == statement.vecDefaults.end()) {
                    statement.vecDefaults.push_back(column.m_strDefault);
                }
            } else {
                strText += " default " + column.m_strDefault;
            }
        }
        if (!column.m_bNullable)
            strText += " NOT NULL";
        else if (column.m_bSparse)
            strText += " NULL";  // as the server scripts a sparse column
        if (pStop != nullptr && pStop->load()) {
            statement.bStopped = true;
            return statement;
        }
    }
    strText += ")\r\n";
    return statement;
}

std::string CTableScript::IdentityInsert(const CTable& table, bool bOn) {
    return "SET IDENTITY_INSERT " + SqlText::QualifiedName(table.m_strSchema, table.m_strName) +
           (bOn ? " ON" : " OFF");
}

namespace {
// A session setting around the records, not a record: it is not counted. If the target refuses
// it, the INSERTs that need it are refused too and counted there, so it is only logged.
void SendSetting(CExportContext& context, const std::string& strSetting) {
    if (!context.m_bDirect) {
        if (context.m_pTableFile)
            context.m_pTableFile->Write(strSetting + kBatchEnd);
        return;
    }
    try {
        if (context.m_pConnection)
            context.m_pConnection->Execute(strSetting);
    } catch (const COdbcError& error) {
        CExecutionLog::WriteLog(1, 0, std::string(error.what()) + " : " + strSetting, true);
    }
}
}  // namespace

void CTableScript::Generate(CSQLServerEngine& engine, CExportContext& context) {
    CTable* pTable = context.m_pTable;
    if (!pTable)
        return;
    SStatement statement = Build(*pTable, context.m_pStop);
    if (statement.bStopped)
        return;
    for (const std::string& strColumn : statement.vecLeftOut) {
        CExecutionLog::WriteLog(1, 0,
                                "Computed column " + SqlText::Bracket(strColumn) + " of table " +
                                    SqlText::Bracket(pTable->m_strName) +
                                    " was left out: its expression was not recovered",
                                true);
    }

    bool bCreateFailed = false;
    if (context.m_bDirect) {
        COdbcConnection* pConnection = context.m_pConnection;
        // The schema and the bound defaults must exist before the table; one that already exists
        // (bound in an earlier table) fails harmlessly, so it is only logged.
        std::vector<std::string> vecBefore = statement.vecDefaults;
        if (!statement.strSchema.empty())
            vecBefore.insert(vecBefore.begin(), statement.strSchema);
        for (const std::string& strDefault : vecBefore) {
            try {
                if (pConnection)
                    pConnection->Execute(strDefault);
            } catch (const COdbcError& error) {
                CExecutionLog::WriteLog(1, 0, std::string(error.what()) + " : " + strDefault, true);
            }
        }
        try {
            if (!pConnection)
                throw COdbcError("no database connection");
            pConnection->Execute(statement.strCreate);
        } catch (const COdbcError& error) {
            bCreateFailed = true;
            CExecutionLog::WriteLog(1, 0, std::string(error.what()) + " : " + statement.strCreate,
                                    true);
        }
    } else {
        // Each default ends its own batch: CREATE DEFAULT must be the only statement of a batch.
        if (context.m_pDefaultFile) {
            for (const std::string& strDefault : statement.vecDefaults)
                context.m_pDefaultFile->Write(strDefault + kBatchEnd);
        }
        if (context.m_pTableFile) {
            if (!statement.strSchema.empty())
                context.m_pTableFile->Write(statement.strSchema + kBatchEnd);
            context.m_pTableFile->Write(statement.strCreate + kBatchEnd);
        }
    }

    if (context.m_bExportRecords) {
        if (CEngineStatus* pStatus = context.m_pStatus) {
            pStatus->m_bTableDone = false;
            engine.m_bRecordExportRunning = true;
            pStatus->m_pCurrentTable = pTable;
        }
        const bool bIdentity = pTable->IdentityColumn() != nullptr;
        if (bIdentity)
            SendSetting(context, IdentityInsert(*pTable, true));
        CRecordExport::Run(context);
        if (bIdentity)
            SendSetting(context, IdentityInsert(*pTable, false));
    }
    // The keys and indexes come after the records: the rows go in unchecked and unsorted, and a
    // stopped export leaves them out.
    if (!context.StopRequested())
        CConstraintScript::Generate(context);
    // A table that could not be created is a failed statement of its own, even without records.
    if (bCreateFailed) {
        ++context.m_nFailed;
        if (context.m_pStatus)
            ++context.m_pStatus->m_nFailedRecords;
    }
}
