// engine/format2005/CBootPage.cpp
#include "engine/format2005/CBootPage.h"

namespace format2005 {

bool CBootPage::Parse(const CPage& page) {
    *this = CBootPage();
    if (page.Type() != kPageBoot)
        return false;
    CByteView view = page.View();
    m_nVersion = *view.U16(kVersionOffset);
    m_nCreateVersion = *view.U16(kCreateVersionOffset);
    m_strName = NameFromField(*view.Slice(kNameOffset, kNameBytes));
    m_firstAllocUnitPage = *ReadPageId(view, kFirstAllocUnitPageOffset);
    return true;
}

std::string CBootPage::NameFromField(std::span<const std::byte> field) {
    CByteView view(field);
    std::string strName;
    for (std::size_t i = 0; view.Has(i, 2); i += 2) {
        const std::uint16_t nChar = *view.U16(i);
        if (nChar == 0 || nChar == 0x2020)
            break;
        strName += nChar < 256 ? static_cast<char>(nChar) : '?';
    }
    // Names cannot end in spaces; the server pads with them on some files.
    while (!strName.empty() && strName.back() == ' ')
        strName.pop_back();
    return strName;
}

}  // namespace format2005
