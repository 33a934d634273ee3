// engine/format2005/CDamageList.cpp
#include "engine/format2005/CDamageList.h"

#include <algorithm>

namespace format2005 {

void CDamageList::Add(EDamage eKind, std::uint32_t nPage, std::int32_t nSlot,
                      std::int32_t nObjectId, std::uint64_t nBytes, std::string strDetail) {
    m_vecRecords.push_back({eKind, nPage, nSlot, nObjectId, nBytes, std::move(strDetail)});
}

void CDamageList::Append(const CDamageList& other) {
    m_vecRecords.insert(m_vecRecords.end(), other.m_vecRecords.begin(), other.m_vecRecords.end());
}

std::size_t CDamageList::Count(EDamage eKind) const {
    return static_cast<std::size_t>(
        std::count_if(m_vecRecords.begin(), m_vecRecords.end(),
                      [&](const SDamage& d) { return d.eKind == eKind; }));
}

std::string_view CDamageList::KindText(EDamage eKind) {
    switch (eKind) {
        case EDamage::PageUnreadable:
            return "page unreadable";
        case EDamage::PageNotFormatted:
            return "page not formatted";
        case EDamage::StrayPage:
            return "stray page";
        case EDamage::PageOfOtherUnit:
            return "page of another allocation unit";
        case EDamage::PageNotAllocated:
            return "page not allocated";
        case EDamage::ChecksumMismatch:
            return "checksum mismatch";
        case EDamage::PageWrongType:
            return "page of unexpected type";
        case EDamage::ChainLoop:
            return "page chain loops";
        case EDamage::ChainTooLong:
            return "page chain too long";
        case EDamage::PageNotInChain:
            return "page outside the leaf chain";
        case EDamage::SlotOutsidePage:
            return "slot outside the page";
        case EDamage::RecordDamaged:
            return "damaged record";
        case EDamage::RecordUnexpected:
            return "unexpected record";
        case EDamage::ForwardingBroken:
            return "broken forwarding stub";
        case EDamage::LobUnreadable:
            return "large value unreadable";
        case EDamage::LobTruncated:
            return "large value truncated";
        case EDamage::CatalogMissing:
            return "catalog table missing";
        case EDamage::CatalogRowDamaged:
            return "damaged catalog row";
        case EDamage::LayoutMissing:
            return "physical layout missing";
        case EDamage::TableNotRead:
            return "rows not read";
        case EDamage::ValueNotDecoded:
            return "value not decoded";
        case EDamage::ValueCorrupt:
            return "corrupt value";
    }
    return "damage";
}

std::string CDamageList::Describe(const SDamage& damage) {
    std::string strLine(KindText(damage.eKind));
    if (damage.nPage != kNoPage)
        strLine += " page " + std::to_string(damage.nPage);
    if (damage.nSlot >= 0)
        strLine += " slot " + std::to_string(damage.nSlot);
    if (damage.nObjectId != 0)
        strLine += " object " + std::to_string(damage.nObjectId);
    if (damage.nBytes != 0)
        strLine += " (" + std::to_string(damage.nBytes) + " bytes)";
    if (!damage.strDetail.empty())
        strLine += ": " + damage.strDetail;
    return strLine;
}

}  // namespace format2005
