// engine/format2005/CRecord.cpp
#include "engine/format2005/CRecord.h"

namespace format2005 {

ERecordCheck CRecord::Parse(const CByteView& page, std::size_t nOffset) {
    // Members are set one by one rather than from a fresh record: this runs once per row.
    m_nOffset = nOffset;
    m_nLength = 0;
    m_nStatusA = 0;
    m_nStatusB = 0;
    m_nFixedEnd = 0;
    m_nColumns = 0;
    m_nBitmap = 0;
    m_nBitmapBits = 0;
    m_nVariables = 0;
    m_nVarEnds = 0;
    m_nVarData = 0;
    m_stubPage = SPageId();
    m_nStubSlot = 0;
    if (nOffset >= page.Size()) {
        m_record = CByteView();
        return ERecordCheck::FixedPartOutside;
    }
    m_record = CByteView(page.Bytes().subspan(nOffset));
    const CByteView& record = m_record;
    const auto nStatusA = static_cast<std::uint8_t>(record.Load(0, 1));

    if (TypeOf(nStatusA) == ERecordType::ForwardingStub) {
        auto target = ReadPageId(record, 1);
        auto nSlot = record.U16(7);
        if (!target || !nSlot)
            return ERecordCheck::StubOutside;
        m_nStatusA = nStatusA;
        m_stubPage = *target;
        m_nStubSlot = *nSlot;
        m_nLength = kStubSize;
        return ERecordCheck::Ok;
    }

    // Status A, status B and the fixed end, then the column count at the fixed end.
    if (!record.Has(0, kFixedStart))
        return ERecordCheck::FixedPartOutside;
    const std::size_t nFixedEnd = record.Load(2, 2);
    if (nFixedEnd < kFixedStart || !record.Has(nFixedEnd, 2))
        return ERecordCheck::FixedPartOutside;
    const auto nColumns = static_cast<std::uint16_t>(record.Load(nFixedEnd, 2));
    std::size_t nPos = nFixedEnd + 2;
    std::size_t nBitmap = 0;
    std::size_t nBitmapBits = 0;
    if (nStatusA & kStatusNullBitmap) {
        const std::size_t nBitmapBytes = (std::size_t{nColumns} + 7) / 8;
        if (!record.Has(nPos, nBitmapBytes))
            return ERecordCheck::BitmapOutside;
        nBitmap = nPos;
        nBitmapBits = nColumns;
        nPos += nBitmapBytes;
    }
    std::size_t nVariables = 0;
    std::size_t nVarEnds = 0;
    if (nStatusA & kStatusVariable) {
        if (!record.Has(nPos, 2))
            return ERecordCheck::VariableOutside;
        nVariables = record.Load(nPos, 2);
        if (!record.Has(nPos + 2, 2 * nVariables))
            return ERecordCheck::VariableOutside;
        nVarEnds = nPos + 2;
        nPos = nVarEnds + 2 * nVariables;
    }
    // Every end once, here: the accessors rely on them lying in order inside the page.
    const std::size_t nVarData = nPos;
    std::size_t nPrevious = nPos;
    for (std::size_t i = 0; i < nVariables; ++i) {
        const std::size_t nEnd = record.Load(nVarEnds + 2 * i, 2) & ~std::size_t{kComplexBit};
        if (nEnd < nPrevious || nEnd > record.Size())
            return ERecordCheck::VariableOrder;
        nPrevious = nEnd;
    }
    m_nStatusA = nStatusA;
    m_nStatusB = static_cast<std::uint8_t>(record.Load(1, 1));
    m_nFixedEnd = nFixedEnd;
    m_nColumns = nColumns;
    m_nBitmap = nBitmap;
    m_nBitmapBits = nBitmapBits;
    m_nVariables = static_cast<std::uint16_t>(nVariables);
    m_nVarEnds = nVarEnds;
    m_nVarData = nVarData;
    m_nLength = nPrevious;
    return ERecordCheck::Ok;
}

std::span<const std::byte> CRecord::FixedPart() const {
    if (m_nFixedEnd < kFixedStart)
        return {};
    return m_record.Bytes().subspan(kFixedStart, m_nFixedEnd - kFixedStart);
}

}  // namespace format2005
