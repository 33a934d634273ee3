// engine/scripts/CFolderScripts.cpp
#include "engine/scripts/CFolderScripts.h"

#include <algorithm>

#include "common/ScriptFile.h"
#include "engine/core/CSQLServerEngine.h"
#include "engine/scripts/SqlText.h"

namespace {
constexpr std::string_view kRowSeparator = "#&#";
constexpr std::string_view kValueSeparator = "$#$";

std::vector<std::string> Split(std::string_view strText, std::string_view strSeparator) {
    std::vector<std::string> vecParts;
    std::size_t nStart = 0;
    while (true) {
        std::size_t nAt = strText.find(strSeparator, nStart);
        if (nAt == std::string_view::npos) {
            vecParts.emplace_back(strText.substr(nStart));
            return vecParts;
        }
        vecParts.emplace_back(strText.substr(nStart, nAt - nStart));
        nStart = nAt + strSeparator.size();
    }
}

// Types whose values are written as quoted literals: text, binary text, dates and ids. A bare
// date or name would not parse.
bool IsQuotedType(const std::string& strType) {
    static const char* const kQuoted[] = {"varchar", "nvarchar",      "ntext",           "text",
                                          "image",   "varbinary",     "datetime",        "char",
                                          "nchar",   "smalldatetime", "uniqueidentifier"};
    return std::find(std::begin(kQuoted), std::end(kQuoted), strType) != std::end(kQuoted);
}

void WriteFile(const std::filesystem::path& path, const std::string& strText) {
    CScriptFile file;
    if (file.Create(path))
        file.Write(strText);
    file.Close();
}

// Sets "ExportEvent" and waits for the caller's "ExportReady". False when a stop request came.
bool HandShake(CEngineStatus& status) {
    // "ExportReady" is cleared before "ExportEvent" is set: the other way round, an answer
    // given at once would be erased and the caller would have to answer twice.
    status.m_hExportReady->Reset();
    status.m_hExportEvent->Set();
    if (status.m_bStop)
        return false;
    status.m_hExportReady->Wait(&status.m_bStop);
    status.m_hExportEvent->Reset();
    return !status.m_bStop;
}
}  // namespace

std::vector<std::vector<std::string>> CFolderScripts::SplitRecordText(const std::string& strText) {
    std::vector<std::vector<std::string>> vecRows;
    if (strText.empty())
        return vecRows;
    for (const std::string& strRow : Split(strText, kRowSeparator)) {
        if (strRow.empty())
            continue;
        vecRows.push_back(Split(strRow, kValueSeparator));
    }
    return vecRows;
}

std::string CFolderScripts::Literal(const std::string& strValue, const std::string& strType) {
    if (!IsQuotedType(strType) || strValue == "NULL")
        return strValue;
    return SqlText::Quote(strValue);
}

void CFolderScripts::GenerateQueries(CSQLServerEngine& engine,
                                     const std::filesystem::path& folder) {
    WriteFile(folder / "Create_Database.sql",
              "CREATE DATABASE " + SqlText::Bracket(engine.m_strDatabaseName));

    std::string strTables;
    std::string strInserts;
    for (const auto& [strKey, pTable] : engine.m_mapObjects) {
        if (pTable->m_strName.empty())
            continue;
        const std::string strName = SqlText::Bracket(pTable->m_strName);
        strTables += "CREATE TABLE " + strName + "(";
        for (std::size_t i = 0; i < pTable->m_vecColumns.size(); ++i) {
            if (i > 0)
                strTables += ",";
            strTables += SqlText::Bracket(pTable->m_vecColumns[i].m_strName) + " " +
                         pTable->m_vecColumns[i].m_strType;
        }
        strTables += ")\r\n";

        for (const auto& vecValues : SplitRecordText(pTable->m_strRecordText)) {
            strInserts += "Insert into  " + strName + " values(";
            // Values beyond the last column have nowhere to go.
            const std::size_t nValues = std::min(vecValues.size(), pTable->m_vecColumns.size());
            for (std::size_t i = 0; i < nValues; ++i) {
                if (i > 0)
                    strInserts += ",";
                strInserts += Literal(vecValues[i], pTable->m_vecColumns[i].m_strType);
            }
            strInserts += ")\r\n";
        }
    }
    WriteFile(folder / "Create_Table.sql", strTables);

    auto joinTexts = [](const COrderedMap<CViewStoredProc>& map) {
        std::string strText;
        for (const auto& [strKey, pObject] : map) {
            if (!pObject->m_strName.empty())
                strText += pObject->m_strText + "\r\n";
        }
        return strText;
    };
    WriteFile(folder / "Views.sql", joinTexts(engine.m_mapViews));
    WriteFile(folder / "Stored_Procedure.sql", joinTexts(engine.m_mapProcedures));
    WriteFile(folder / "Insert_Queries.sql", strInserts);
}

void CFolderScripts::GenerateTableInsertQueries(CSQLServerEngine& engine,
                                                const std::filesystem::path& folder) {
    CEngineStatus& status = *engine.m_pStatus;
    CScriptFile file;
    file.Create(folder / "Insert_Queries.sql");
    status.m_bInsertDone = false;

    std::string strText;
    for (const auto& [strKey, pTable] : engine.m_mapObjects) {
        if (pTable->m_strName.empty() || pTable->m_nColumns == 0)
            continue;
        const std::vector<CColumnInfo>& vecColumns = pTable->m_vecColumns;
        for (const auto& vecValues : SplitRecordText(pTable->m_strRecordText)) {
            std::string strColumns = "Insert into " + SqlText::Bracket(pTable->m_strName) + " (";
            std::string strValues = " values(";
            bool bFirst = true;
            const std::size_t nValues = std::min(vecValues.size(), vecColumns.size());
            for (std::size_t i = 0; i < nValues; ++i) {
                if (vecValues[i] == "Empty")
                    continue;
                if (!bFirst) {
                    strColumns += ",";
                    strValues += ",";
                }
                bFirst = false;
                strColumns += SqlText::Bracket(vecColumns[i].m_strName);
                strValues += Literal(vecValues[i], vecColumns[i].m_strType);
            }
            strText += strColumns + ") " + strValues + ")\r\ngo\r\n";
        }
        if (!HandShake(status))
            return;
    }

    // The text is written as built: values keep every character, "^" included.
    file.Write(strText);
    engine.m_strBatchWinAuth += "sqlcmd -i Insert_Queries.sql\r\n";
    file.Close();
    status.m_bInsertDone = true;
    HandShake(status);
}
