// engine/records/CSlotWalker.cpp
#include "engine/records/CSlotWalker.h"

namespace {
// A system table page claiming more slots than this is damaged; its slot array is not trusted.
constexpr std::uint16_t kMaxSystemSlots = 500;
}  // namespace

CSlotWalker::CSlotWalker(EWalkPolicy ePolicy, const std::string& strFileName,
                         bool bFollowFreedSlots)
    : m_ePolicy(ePolicy), m_bFollowFreedSlots(bFollowFreedSlots), m_reader(strFileName) {}

CSlotWalker::EPageAction CSlotWalker::ReadPage(std::uint32_t nPage, std::int32_t nObjectId,
                                               const std::atomic<bool>* pStop) {
    const bool bStop = pStop != nullptr && pStop->load();
    switch (m_ePolicy) {
        case EWalkPolicy::GridPage:
            if (bStop)
                return EPageAction::Stop;
            if (!m_page.Read(m_reader, nPage) || m_page.Type() != kDataPageType ||
                m_page.ObjectId() != nObjectId)
                return EPageAction::Skip;
            break;
        case EWalkPolicy::Statement:
            if (!m_page.Read(m_reader, nPage) || m_page.ObjectId() != nObjectId)
                return EPageAction::End;
            if (m_page.Type() != kDataPageType)
                return EPageAction::Skip;
            break;
        case EWalkPolicy::ExportBatches:
            if (!m_page.Read(m_reader, nPage) || m_page.ObjectId() != nObjectId)
                return EPageAction::End;
            if (pStop != nullptr && pStop->load())
                return EPageAction::Stop;
            if (m_page.Type() != kDataPageType)
                return EPageAction::Skip;
            break;
        case EWalkPolicy::SystemTable:
            if (bStop)
                return EPageAction::Stop;
            if (!m_page.Read(m_reader, nPage) || m_page.Type() != kDataPageType)
                return EPageAction::Skip;
            m_page.RestoreTornBits();
            if (m_page.SlotCount() > kMaxSystemSlots)
                return EPageAction::Skip;
            return EPageAction::Walk;
    }
    m_page.RestoreTornBits();
    return EPageAction::Walk;
}

bool CSlotWalker::RowOffset(std::uint32_t nSlot, std::uint16_t nPreviousEnd,
                            std::uint16_t& nRowOffset) const {
    std::uint16_t nEntry = 0;
    switch (m_ePolicy) {
        case EWalkPolicy::SystemTable: {
            auto nOffset = m_page.AcceptedRowOffset(nSlot);
            if (!nOffset)
                return false;
            nEntry = *nOffset;
            break;
        }
        case EWalkPolicy::GridPage:
        case EWalkPolicy::Statement:
            nEntry = m_page.RepairedSlotEntry(nSlot, m_ePolicy == EWalkPolicy::GridPage);
            if (nEntry == 0)
                return false;
            break;
        case EWalkPolicy::ExportBatches:
            nEntry = m_page.RepairedSlotEntry(nSlot);
            if (nEntry == 0 && m_bFollowFreedSlots && nPreviousEnd != 0)
                nEntry = static_cast<std::uint16_t>(nPreviousEnd + kPageHeaderSize);
            break;
    }
    nRowOffset = static_cast<std::uint16_t>(nEntry - kPageHeaderSize);
    return true;
}
