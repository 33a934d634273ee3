// engine/records/CRowSource.cpp
#include "engine/records/CRowSource.h"

#include "engine/catalog/CTable.h"
#include "engine/records/CRowDecoder.h"

CRowSource::~CRowSource() = default;

namespace {
class CFixedVarRowSource final : public CRowSource {
  public:
    CFixedVarRowSource(const CTable& table, const SRowSourceOptions& options)
        : m_table(table),
          m_walker(options.ePolicy, options.strFileName),
          m_decoder(table, options.strFileName,
                    {options.bRecoverDeleted, options.bFollowBinaryPointers}),
          m_pDamage(options.pDamage) {
        m_walker.ReportTo(m_pDamage);
    }

    SWalkResult Walk(SWalkPosition start, const std::atomic<bool>* pStop, const FnRow& fnRow,
                     const FnPageEnd& fnPageEnd) override {
        return m_walker.Walk(
            m_table.m_vecPages, m_table.m_nObjectId, start, pStop,
            [&](const SSlotVisit& visit) {
                if (!m_decoder.Decode(visit, m_row, m_pDamage))
                    return SSlotStep{};
                return SSlotStep{fnRow(SRowVisit{
                    m_row, SWalkPosition{visit.nPageIndex, visit.nSlot}, visit.page.SlotCount()})};
            },
            [&] {
                if (fnPageEnd)
                    fnPageEnd();
            });
    }
    std::size_t PageCount() const override { return m_table.m_vecPages.size(); }

  private:
    const CTable& m_table;
    CSlotWalker m_walker;
    CRowDecoder m_decoder;
    SDecodedRow m_row;
    IDamageSink* m_pDamage;
};
}  // namespace

std::unique_ptr<CRowSource> MakeFixedVarRowSource(const CTable& table,
                                                  const SRowSourceOptions& options) {
    return std::make_unique<CFixedVarRowSource>(table, options);
}
