// engine/records/CRecordExtractor.cpp
#include "engine/records/CRecordExtractor.h"

#include "engine/core/CSQLServerEngine.h"

// Record decoding arrives with the row decoder; until then no rows are delivered.
CRecordExtractor::CRecordExtractor(CSQLServerEngine& engine) : m_engine(engine) {}

void CRecordExtractor::DecodeRecord(std::span<const std::byte>, std::uint16_t, CTable&) {}

std::uint16_t CRecordExtractor::DecodeRecordForExport(std::span<const std::byte>, std::uint16_t, CTable&,
                                                      COdbcConnection*, std::string&, bool&) {
    return 0;
}

unsigned CRecordExtractor::RecoverTableRecordThread() {
    m_engine.m_pStatus->m_bTableDone = true;
    return 1;
}

unsigned CRecordExtractor::RecoverTableRecordThread(CTable&, COdbcConnection*) {
    m_engine.m_pStatus->m_bTableDone = true;
    return 1;
}

void CRecordExtractor::ResetPaging() {}
