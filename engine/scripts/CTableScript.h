// engine/scripts/CTableScript.h
#pragma once

class COdbcConnection;
class CRecordExtractor;
class CSQLServerEngine;
class CTable;

// CREATE TABLE for one table, written to the table's script or executed, then its records.
class CTableScript {
public:
    // pDatabase null: the one-connection form (m_pDatabase or m_hTableFile); otherwise the
    // explicit-connection form used by pooled workers.
    static void Generate(CSQLServerEngine& engine, CRecordExtractor& extractor, CTable* pTable,
                         COdbcConnection* pDatabase);
};
