// engine/records/CRecordExport.h
#pragma once

#include "common/Export.h"

class CExportContext;
class CInsertStatementBuilder;
struct SDecodedRow;

// The record half of a table export: walks the table of a context and sends one INSERT per row
// to the context's target.
class AMBERMILL_API CRecordExport {
  public:
    // By the context's walk. Returns 1, or 0 when a stop request ended the table early.
    static unsigned Run(CExportContext& context);
    // Every row statement by statement: written to the script, or executed on its own unless
    // duplicate avoidance finds the same value list already executed for this table.
    static unsigned RowByRow(CExportContext& context);
    // Every row into batches of m_nBatchSize statements, executed when full and at each page end;
    // a cleared slot after a decoded row is read at that row's end when deleted rows are wanted.
    static unsigned Batched(CExportContext& context);

    // The batched rules over a context's own row source: batches of m_nBatchSize rows, executed
    // when full and at each page end.
    static unsigned BatchedFromSource(CExportContext& context);

    // One decoded row under the row-by-row rules.
    static void SendRow(CExportContext& context, CInsertStatementBuilder& builder,
                        const SDecodedRow& row);
    // One decoded row under the batched rules; bFlush (set by the caller every batch size slots)
    // executes the batch and is cleared.
    static void BatchRow(CExportContext& context, CInsertStatementBuilder& builder,
                         const SDecodedRow& row, bool& bFlush);
};
