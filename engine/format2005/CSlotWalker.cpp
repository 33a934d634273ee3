// engine/format2005/CSlotWalker.cpp
#include "engine/format2005/CSlotWalker.h"

#include <string>

namespace format2005 {
namespace {
const char* CheckText(ERecordCheck eCheck) {
    switch (eCheck) {
        case ERecordCheck::Ok:
            return "";
        case ERecordCheck::FixedPartOutside:
            return "fixed part leaves the page";
        case ERecordCheck::BitmapOutside:
            return "NULL bitmap leaves the page";
        case ERecordCheck::VariableOutside:
            return "variable offsets leave the page";
        case ERecordCheck::VariableOrder:
            return "variable column ends out of order";
        case ERecordCheck::StubOutside:
            return "forwarding stub cut short";
    }
    return "";
}
}  // namespace

bool CSlotWalker::ParseSlot(const CPage& page, std::uint16_t nSlot, std::int32_t nObjectId,
                            CDamageList& damage, CRecord& record, bool& bEmpty) {
    bEmpty = false;
    if (nSlot >= page.UsableSlotCount()) {
        damage.Add(EDamage::SlotOutsidePage, page.Number(), nSlot, nObjectId, 0,
                   "slot beyond the slot array");
        return false;
    }
    const std::uint16_t nOffset = page.SlotEntry(nSlot);
    if (nOffset == 0) {
        bEmpty = true;
        return false;
    }
    if (!CPage::IsRecordOffset(nOffset)) {
        damage.Add(EDamage::SlotOutsidePage, page.Number(), nSlot, nObjectId, 0,
                   "record offset " + std::to_string(nOffset));
        return false;
    }
    const ERecordCheck eCheck = record.Parse(page.View(), nOffset);
    if (eCheck != ERecordCheck::Ok) {
        damage.Add(EDamage::RecordDamaged, page.Number(), nSlot, nObjectId, 0, CheckText(eCheck));
        return false;
    }
    return true;
}

void CSlotWalker::Walk(const CPage& page, std::int32_t nObjectId, CDamageList& damage,
                       const FRecord& onRecord) {
    const std::uint16_t nSlots = page.UsableSlotCount();
    if (nSlots < page.SlotCount()) {
        // A slot count the page cannot hold says its header is broken: no entry can be trusted.
        damage.Add(EDamage::SlotOutsidePage, page.Number(), -1, nObjectId, kPageSize,
                   "slot count " + std::to_string(page.SlotCount()) + " does not fit the page");
        return;
    }
    CRecord record;
    for (std::uint16_t nSlot = 0; nSlot < nSlots; ++nSlot) {
        bool bEmpty = false;
        if (ParseSlot(page, nSlot, nObjectId, damage, record, bEmpty))
            onRecord(nSlot, record);
    }
}

}  // namespace format2005
