// engine/scripts/CTableScript.h
#pragma once

#include <string>
#include <vector>

class COdbcConnection;
class CRecordExtractor;
class CSQLServerEngine;
class CTable;

// CREATE TABLE for one table, written to the table's script or executed, then its records.
class CTableScript {
  public:
    struct SStatement {
        std::string strCreate;                 // CREATE TABLE ... ) CR LF
        std::vector<std::string> vecDefaults;  // bound CREATE DEFAULT texts, each once
        bool bStopped = false;                 // a stop request came between columns
    };

    // The column's declared type: bracketed type name plus its size or precision.
    static std::string DeclaredType(const std::string& strUserType, unsigned nLength,
                                    unsigned nPrecision, unsigned nScale);
    // Builds the statement; checks the stop flag between columns.
    static SStatement Build(const CSQLServerEngine& engine, const CTable& table);

    // pDatabase null: the one-connection form (m_pDatabase or m_hTableFile); otherwise the
    // explicit-connection form used by pooled workers.
    static void Generate(CSQLServerEngine& engine, CRecordExtractor& extractor, CTable* pTable,
                         COdbcConnection* pDatabase);
};
