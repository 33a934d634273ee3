// engine/records/CRecordExport.cpp
#include "engine/records/CRecordExport.h"

#include "engine/catalog/CTable.h"
#include "engine/records/CExportContext.h"
#include "engine/records/CInsertStatementBuilder.h"
#include "engine/records/CRowDecoder.h"
#include "engine/records/CRowSource.h"
#include "engine/records/CSlotWalker.h"

namespace {
bool Exportable(const CTable* pTable) {
    return pTable != nullptr && !pTable->m_strName.empty() && pTable->m_nColumns != 0;
}

std::unique_ptr<CRowSource> MakeSource(const CExportContext& context, EWalkPolicy ePolicy) {
    const SRowSourceOptions options{context.m_strFileName, context.m_bRecoverDeleted, true, ePolicy,
                                    context.m_pDamage};
    return context.m_fnRowSource ? context.m_fnRowSource(*context.m_pTable, options)
                                 : MakeFixedVarRowSource(*context.m_pTable, options);
}
}  // namespace

unsigned CRecordExport::BatchedFromSource(CExportContext& context) {
    std::unique_ptr<CRowSource> pSource = MakeSource(context, EWalkPolicy::ExportBatches);
    CInsertStatementBuilder builder(*context.m_pTable);
    bool bFlush = false;
    int nCounter = 0;
    if (pSource) {
        pSource->Walk(
            SWalkPosition{}, context.m_pStop,
            [&](const SRowVisit& visit) {
                if (++nCounter >= context.m_nBatchSize) {
                    bFlush = true;
                    nCounter = 0;
                }
                BatchRow(context, builder, visit.row, bFlush);
                return context.StopRequested();
            },
            // A batch never spans two pages.
            [&] { context.ExecuteBatch(); });
    }
    // What a stop left in the batch was not sent: it is not counted as exported.
    context.MarkTableDone();
    return context.StopRequested() ? 0 : 1;
}

unsigned CRecordExport::Run(CExportContext& context) {
    return context.m_eWalk == CExportContext::EWalk::RowByRow ? RowByRow(context)
                                                              : Batched(context);
}

void CRecordExport::SendRow(CExportContext& context, CInsertStatementBuilder& builder,
                            const SDecodedRow& row) {
    std::string& strStatement = context.m_strStatement;
    strStatement.clear();
    const std::string_view strValueList =
        builder.Append(row.vecValues, context.m_bDirect, strStatement);
    if (context.StopRequested()) {
        context.MarkTableDone();
        return;
    }
    if (!context.m_bDirect) {
        context.WriteStatement(strStatement);
        context.RowDelivered();
        return;
    }
    if (context.CancelRequested())
        return;
    const bool bDuplicate =
        context.m_bAvoidDuplicate && !context.m_setInsertedRows.emplace(strValueList).second;
    if (!bDuplicate) {
        context.AddToBatch(strStatement);
        if (context.m_nPending >= context.m_nBatchSize)
            context.ExecuteBatch();
    }
    context.RowDelivered();
}

void CRecordExport::BatchRow(CExportContext& context, CInsertStatementBuilder& builder,
                             const SDecodedRow& row, bool& bFlush) {
    std::string& strStatement = context.m_strStatement;
    strStatement.clear();
    builder.Append(row.vecValues, context.m_bDirect, strStatement);
    if (context.StopRequested()) {
        context.MarkTableDone();
        return;
    }
    if (!context.m_bDirect) {
        context.WriteStatement(strStatement);
    } else {
        context.AddToBatch(strStatement);
        if (context.CancelRequested())
            return;
        if (bFlush) {
            context.ExecuteBatch();
            bFlush = false;
        }
    }
    context.RowDelivered();
}

unsigned CRecordExport::RowByRow(CExportContext& context) {
    if (!Exportable(context.m_pTable) || context.StopRequested()) {
        context.MarkTableDone();
        return 1;
    }
    const CTable& table = *context.m_pTable;
    std::unique_ptr<CRowSource> pSource = MakeSource(context, EWalkPolicy::Statement);
    CInsertStatementBuilder builder(table);
    SWalkResult result;
    context.ClearBatch();
    if (pSource) {
        result = pSource->Walk(
            SWalkPosition{}, nullptr,
            [&](const SRowVisit& visit) {
                SendRow(context, builder, visit.row);
                return context.StopRequested();
            },
            // A batch never spans two pages.
            [&] { context.ExecuteBatch(); });
    }
    // What a stop left in the batch was not sent: it is not counted as exported.
    if (result.eEnd != EWalkEnd::StoppedByVisitor && !context.StopRequested())
        context.ExecuteBatch();
    // Duplicates are avoided within one table only.
    context.m_setInsertedRows.clear();
    context.ClearBatch();
    context.MarkTableDone();
    return result.eEnd == EWalkEnd::StoppedByVisitor ? 0 : 1;
}

unsigned CRecordExport::Batched(CExportContext& context) {
    if (context.m_pTable) {
        context.m_pTable->m_nExportCount = 0;
        context.m_pTable->m_nFailedCount = 0;
    }
    if (!Exportable(context.m_pTable) || context.StopRequested()) {
        context.MarkTableDone();
        return context.StopRequested() ? 0 : 1;
    }
    if (context.m_fnRowSource)
        return BatchedFromSource(context);
    const CTable& table = *context.m_pTable;
    CSlotWalker walker(EWalkPolicy::ExportBatches, context.m_strFileName,
                       context.m_bRecoverDeleted);
    walker.ReportTo(context.m_pDamage);
    CRowDecoder decoder(table, context.m_strFileName, {context.m_bRecoverDeleted, true});
    CInsertStatementBuilder builder(table);
    SDecodedRow row;
    bool bFlush = false;
    int nCounter = 0;
    walker.Walk(
        table.m_vecPages, table.m_nObjectId, SWalkPosition{}, context.m_pStop,
        [&](const SSlotVisit& visit) {
            // Every slot counts towards the batch, cleared ones included.
            if (++nCounter >= context.m_nBatchSize) {
                bFlush = true;
                nCounter = 0;
            }
            SSlotStep step;
            if (decoder.Decode(visit, row, context.m_pDamage)) {
                step.nRowEnd = row.nEnd;
                BatchRow(context, builder, row, bFlush);
            }
            step.bStop = context.StopRequested();
            return step;
        },
        // A batch never spans two pages.
        [&] { context.ExecuteBatch(); });
    context.MarkTableDone();
    return context.StopRequested() ? 0 : 1;
}
