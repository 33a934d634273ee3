// engine/records/CSlotWalker.cpp
#include "engine/records/CSlotWalker.h"

namespace {
// A system table page claiming more slots than this is damaged; its slot array is not trusted.
constexpr std::uint16_t kMaxSystemSlots = 500;
// Slot entries that fit between the header and the page end.
constexpr std::uint32_t kMaxSlots = (kPageSize - kPageHeaderSize) / 2;
// The offset a slot without a row is visited with: no row reader accepts it.
constexpr std::uint16_t kNoRow = 0xFFFF;
}  // namespace

SDamage SSlotVisit::Damage(EDamageKind eKind, std::string strDetail, std::uint64_t nBytes) const {
    SDamage damage;
    damage.eKind = eKind;
    damage.nPage = nPage;
    damage.nSlot = static_cast<std::uint16_t>(nSlot);
    damage.nObjectId = nObjectId;
    damage.nBytes = nBytes;
    damage.strDetail = std::move(strDetail);
    return damage;
}

CSlotWalker::CSlotWalker(EWalkPolicy ePolicy, const std::string& strFileName,
                         bool bFollowFreedSlots)
    : m_ePolicy(ePolicy), m_bFollowFreedSlots(bFollowFreedSlots), m_reader(strFileName) {}

void CSlotWalker::Report(EDamageKind eKind, std::optional<std::uint16_t> nSlot,
                         std::uint64_t nBytes, std::string strDetail) const {
    if (!m_pDamage)
        return;
    SDamage damage;
    damage.eKind = eKind;
    damage.nPage = m_nPage;
    damage.nSlot = nSlot;
    damage.nObjectId = m_nObjectId;
    damage.nBytes = nBytes;
    damage.strDetail = std::move(strDetail);
    m_pDamage->Report(damage);
}

CSlotWalker::EPageAction CSlotWalker::ReadPage(std::uint32_t nPage, std::int32_t nObjectId,
                                               const std::atomic<bool>* pStop) {
    const bool bStopFirst = m_ePolicy != EWalkPolicy::ExportBatches;
    if (bStopFirst && pStop != nullptr && pStop->load())
        return EPageAction::Stop;
    m_nPage = nPage;
    if (!m_page.Read(m_reader, nPage)) {
        // Nothing known is lost when the file itself is gone; a page past its end is.
        if (m_reader.IsOpen()) {
            Report(EDamageKind::UnreadablePage, std::nullopt, kPageSize,
                   "the page cannot be read (the file ends before it): its rows are lost");
        }
        return EPageAction::Skip;
    }
    if (!bStopFirst && pStop != nullptr && pStop->load())
        return EPageAction::Stop;
    if (m_page.Type() != kDataPageType) {
        Report(EDamageKind::ForeignPage, std::nullopt, 0,
               "the page is no longer a data page (page type " + std::to_string(m_page.Type()) +
                   "): it is skipped");
        return EPageAction::Skip;
    }
    // The catalog readers walk the pages the scan filed under their table, so the owner is not
    // asked again there.
    if (m_ePolicy != EWalkPolicy::SystemTable && m_page.ObjectId() != nObjectId) {
        Report(EDamageKind::ForeignPage, std::nullopt, 0,
               "the page belongs to object " + std::to_string(m_page.ObjectId()) +
                   ", not to this table: it is skipped");
        return EPageAction::Skip;
    }
    m_page.RestoreTornBits();
    if (m_ePolicy == EWalkPolicy::SystemTable && m_page.SlotCount() > kMaxSystemSlots) {
        Report(EDamageKind::SlotArray, std::nullopt, kPageSize - kPageHeaderSize,
               "the page claims " + std::to_string(m_page.SlotCount()) +
                   " slots, more than a system table page holds: its rows are not read");
        return EPageAction::Skip;
    }
    return EPageAction::Walk;
}

std::uint32_t CSlotWalker::SlotsToWalk() {
    const std::uint32_t nSlots = m_page.SlotCount();
    if (nSlots <= kMaxSlots)
        return nSlots;
    Report(EDamageKind::SlotArray, std::nullopt, 0,
           "the page claims " + std::to_string(nSlots) +
               " slots, more than fit in a page: only the first " + std::to_string(kMaxSlots) +
               " are read");
    return kMaxSlots;
}

bool CSlotWalker::RowOffset(std::uint32_t nSlot, std::uint16_t nPreviousEnd,
                            std::uint16_t& nRowOffset, ESlotEntry& eEntry) {
    const std::uint16_t nEntry =
        m_page.RepairedSlotEntry(nSlot, m_ePolicy == EWalkPolicy::GridPage);
    eEntry = ESlotEntry::Row;
    if (nEntry == 0) {
        if (m_ePolicy != EWalkPolicy::ExportBatches)
            return false;
        if (m_bFollowFreedSlots && nPreviousEnd != 0) {
            eEntry = ESlotEntry::Guessed;
            nRowOffset = nPreviousEnd;
        } else {
            eEntry = ESlotEntry::Cleared;
            nRowOffset = kNoRow;
        }
        return true;
    }
    if (nEntry < kPageHeaderSize || nEntry >= kPageSize) {
        Report(EDamageKind::SlotOutsidePage, static_cast<std::uint16_t>(nSlot), 0,
               "the slot points to byte " + std::to_string(nEntry) +
                   ", outside the page's rows: its row is skipped");
        if (m_ePolicy != EWalkPolicy::ExportBatches)
            return false;
        eEntry = ESlotEntry::Outside;
        nRowOffset = kNoRow;
        return true;
    }
    nRowOffset = static_cast<std::uint16_t>(nEntry - kPageHeaderSize);
    return true;
}
