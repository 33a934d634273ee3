// engine/format2005/CSlotWalker.h
#pragma once

#include <cstdint>
#include <functional>

#include "engine/format2005/CDamageList.h"
#include "engine/format2005/CPage.h"
#include "engine/format2005/CRecord.h"

namespace format2005 {

// Walks the slots of one page in slot order and hands every record that parses to a callback. A
// page whose slot count cannot fit is reported whole and not walked.
// Emptied slots (offset 0) are skipped without a word; a slot outside the data area and a record
// whose offsets leave the page are reported and skipped, and the walk goes on with the next slot.
class CSlotWalker {
  public:
    using FRecord = std::function<void(std::uint16_t nSlot, const CRecord& record)>;

    static void Walk(const CPage& page, std::int32_t nObjectId, CDamageList& damage,
                     const FRecord& onRecord);
    // Parses the record of one slot. False (after reporting) when the slot or record is damaged;
    // bEmpty is set for an emptied slot, which is no damage.
    static bool ParseSlot(const CPage& page, std::uint16_t nSlot, std::int32_t nObjectId,
                          CDamageList& damage, CRecord& record, bool& bEmpty);
};

}  // namespace format2005
