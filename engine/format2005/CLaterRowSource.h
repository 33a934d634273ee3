// engine/format2005/CLaterRowSource.h
#pragma once

#include <functional>
#include <memory>

#include "engine/catalog/CTable.h"
#include "engine/format2005/CAllocationMaps.h"
#include "engine/format2005/CDatabaseReader.h"
#include "engine/format2005/CTableReader.h"
#include "engine/format2005/CValueConverter.h"
#include "engine/records/CRowSource.h"

namespace format2005 {

// The rows of one table of a 2005+ file as the core's grid cursor and record export walk them:
// places are indexes into the table's page list (its data pages in reading order) and slots, the
// rows typed values. Deleted (ghost) rows come only when asked for. What a walk could not read
// goes to the report callback after the walk.
class CLaterRowSource final : public CRowSource, private CTableReader::IListedSink {
  public:
    using FReport = std::function<void(const CDamageList& damage)>;

    // REQUIRES: table and model outlive the source.
    CLaterRowSource(std::shared_ptr<const CDatabaseReader> pReader, const STable& table,
                    const CTable& model, const SRowSourceOptions& options, FReport fnReport);

    SWalkResult Walk(SWalkPosition start, const std::atomic<bool>* pStop, const FnRow& fnRow,
                     const FnPageEnd& fnPageEnd) override;
    std::size_t PageCount() const override { return m_model.m_vecPages.size(); }

  private:
    // Decodes a row of the walk straight into typed values and hands it to the walk's visitor.
    bool Row(const CTableReader::SListedRecord& row) override;

    std::shared_ptr<const CDatabaseReader> m_pReader;  // keeps the file and catalog open
    const CTable& m_model;
    SRowSourceOptions m_options;
    FReport m_fnReport;
    CDamageList m_damage;
    CAllocationMaps m_maps;
    CTableReader m_tableReader;
    CValueConverter m_converter;
    SDecodedRow m_row;
    // State of one walk.
    const FnRow* m_pFnRow = nullptr;
    SWalkResult m_result;
    bool m_bStopped = false;
};

}  // namespace format2005
