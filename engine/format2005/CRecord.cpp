// engine/format2005/CRecord.cpp
#include "engine/format2005/CRecord.h"

namespace format2005 {

ERecordCheck CRecord::Parse(const CByteView& page, std::size_t nOffset) {
    *this = CRecord();
    m_nOffset = nOffset;
    auto rest = page.Slice(nOffset, nOffset <= page.Size() ? page.Size() - nOffset : 0);
    if (!rest)
        return ERecordCheck::FixedPartOutside;
    m_record = CByteView(*rest);
    auto nStatusA = m_record.U8(0);
    if (!nStatusA)
        return ERecordCheck::FixedPartOutside;
    m_nStatusA = *nStatusA;

    if (Type() == ERecordType::ForwardingStub) {
        auto target = ReadPageId(m_record, 1);
        auto nSlot = m_record.U16(7);
        if (!target || !nSlot)
            return ERecordCheck::StubOutside;
        m_stubPage = *target;
        m_nStubSlot = *nSlot;
        m_nLength = kStubSize;
        return ERecordCheck::Ok;
    }

    auto nStatusB = m_record.U8(1);
    auto nFixedEnd = m_record.U16(2);
    if (!nStatusB || !nFixedEnd || *nFixedEnd < kFixedStart)
        return ERecordCheck::FixedPartOutside;
    m_nStatusB = *nStatusB;
    m_nFixedEnd = *nFixedEnd;
    auto nColumns = m_record.U16(m_nFixedEnd);
    if (!nColumns)
        return ERecordCheck::FixedPartOutside;
    m_nColumns = *nColumns;
    std::size_t nPos = m_nFixedEnd + 2;
    if (m_nStatusA & kStatusNullBitmap) {
        const std::size_t nBitmapBytes = (std::size_t{m_nColumns} + 7) / 8;
        if (!m_record.Has(nPos, nBitmapBytes))
            return ERecordCheck::BitmapOutside;
        m_nBitmap = nPos;
        nPos += nBitmapBytes;
    }
    if (m_nStatusA & kStatusVariable) {
        auto nVariables = m_record.U16(nPos);
        if (!nVariables || !m_record.Has(nPos + 2, 2 * std::size_t{*nVariables}))
            return ERecordCheck::VariableOutside;
        m_nVariables = *nVariables;
        m_nVarEnds = nPos + 2;
        nPos = m_nVarEnds + 2 * std::size_t{m_nVariables};
    }
    m_nVarData = nPos;
    std::size_t nPrevious = nPos;
    for (std::size_t i = 0; i < m_nVariables; ++i) {
        const std::size_t nEnd = VariableEnd(i);
        if (nEnd < nPrevious || nEnd > m_record.Size())
            return ERecordCheck::VariableOrder;
        nPrevious = nEnd;
    }
    m_nLength = nPrevious;
    return ERecordCheck::Ok;
}

std::uint16_t CRecord::VariableEnd(std::size_t nIndex) const {
    return static_cast<std::uint16_t>(*m_record.U16(m_nVarEnds + 2 * nIndex) & ~kComplexBit);
}

std::span<const std::byte> CRecord::FixedPart() const {
    return *m_record.Slice(kFixedStart, m_nFixedEnd - kFixedStart);
}

bool CRecord::NullBit(std::size_t nBit) const {
    if (m_nBitmap == 0)
        return false;
    return ((*m_record.U8(m_nBitmap + nBit / 8) >> (nBit % 8)) & 1) != 0;
}

std::span<const std::byte> CRecord::Variable(std::size_t nIndex) const {
    const std::size_t nStart = nIndex == 0 ? m_nVarData : VariableEnd(nIndex - 1);
    return *m_record.Slice(nStart, VariableEnd(nIndex) - nStart);
}

bool CRecord::IsComplex(std::size_t nIndex) const {
    return (*m_record.U16(m_nVarEnds + 2 * nIndex) & kComplexBit) != 0;
}

}  // namespace format2005
