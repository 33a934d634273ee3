// engine/format2005/CRecord.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/ByteView.h"
#include "engine/format2005/CPage.h"

namespace format2005 {

// Record types in bits 1-3 of status byte A.
enum class ERecordType : std::uint8_t {
    Primary = 0,
    Forwarded = 1,
    ForwardingStub = 2,
    Index = 3,
    Blob = 4,
    GhostIndex = 5,
    GhostData = 6,
    GhostVersion = 7,
};

// Why a record could not be parsed.
enum class ERecordCheck : std::uint8_t {
    Ok,
    FixedPartOutside,  // the end of the fixed part lies before its start or off the page
    BitmapOutside,     // the column count or NULL bitmap leaves the page
    VariableOutside,   // the variable offset array leaves the page
    VariableOrder,     // a variable column ends before the one before it, or off the page
    StubOutside,       // a forwarding stub shorter than its 9 bytes
};

// One FixedVar record (the data and catalog row format of 2005+) parsed in place: every offset
// is checked once, by Parse, so the accessors read without checking again and cannot fail. The
// record is read from a view of its whole page; it must not outlive the page's bytes.
class CRecord {
  public:
    static constexpr std::uint8_t kStatusNullBitmap = 0x10;
    static constexpr std::uint8_t kStatusVariable = 0x20;
    static constexpr std::uint8_t kStatusVersionTag = 0x40;
    static constexpr std::uint16_t kComplexBit = 0x8000;
    static constexpr std::size_t kStubSize = 9;
    static constexpr std::size_t kFixedStart = 4;  // status A, status B, fixed end (u16)

    // Parses the record at page offset nOffset. After a failure the accessors describe an empty
    // record (no columns, no variable columns).
    ERecordCheck Parse(const CByteView& page, std::size_t nOffset);

    static ERecordType TypeOf(std::uint8_t nStatusA) {
        return static_cast<ERecordType>((nStatusA >> 1) & 0x7);
    }
    ERecordType Type() const { return TypeOf(m_nStatusA); }
    std::uint8_t StatusA() const { return m_nStatusA; }
    std::uint8_t StatusB() const { return m_nStatusB; }
    std::size_t Offset() const { return m_nOffset; }
    // Bytes from the record start to the end of its last part.
    std::size_t Length() const { return m_nLength; }

    // Target of a forwarding stub. REQUIRES: Type() == ForwardingStub.
    SPageId StubPage() const { return m_stubPage; }
    std::uint16_t StubSlot() const { return m_nStubSlot; }

    // The fixed part (record bytes 4 up to the column count).
    std::span<const std::byte> FixedPart() const;
    // The record from its first byte to the end of the fixed part, so fixed columns are read at
    // their record offsets and a read past the fixed part fails.
    CByteView FixedView() const { return CByteView(m_record.Bytes().first(m_nFixedEnd)); }
    std::uint16_t ColumnCount() const { return m_nColumns; }
    // True when bit nBit (0-based) of the NULL bitmap is set; a record without a bitmap has no
    // NULLs, and neither has a bit past the column count.
    bool NullBit(std::size_t nBit) const {
        return nBit < m_nBitmapBits && NullBit(NullBitmap(), nBit);
    }
    // The NULL bitmap's bytes (none without one), and bit nBit of such a view.
    CByteView NullBitmap() const {
        return CByteView(m_record.Bytes().subspan(m_nBitmap, (m_nBitmapBits + 7) / 8));
    }
    static bool NullBit(const CByteView& bitmap, std::size_t nBit) {
        return nBit / 8 < bitmap.Size() && ((bitmap.Load(nBit / 8, 1) >> (nBit % 8)) & 1) != 0;
    }

    std::uint16_t VariableCount() const { return m_nVariables; }
    // Variable column nIndex: its bytes and whether the complex bit is set. An index past
    // VariableCount() gives no bytes and no complex bit.
    std::span<const std::byte> Variable(std::size_t nIndex) const {
        if (nIndex >= m_nVariables)
            return {};
        const std::size_t nStart = nIndex == 0 ? m_nVarData : VariableEnd(nIndex - 1);
        return m_record.Bytes().subspan(nStart, VariableEnd(nIndex) - nStart);
    }
    bool IsComplex(std::size_t nIndex) const {
        return nIndex < m_nVariables &&
               (m_record.Load(m_nVarEnds + 2 * nIndex, 2) & kComplexBit) != 0;
    }
    // Record offset where variable data begins.
    std::size_t VariableDataStart() const { return m_nVarData; }

  private:
    // REQUIRES: nIndex < m_nVariables (Parse checked the whole end-offset array and every end).
    std::size_t VariableEnd(std::size_t nIndex) const {
        return m_record.Load(m_nVarEnds + 2 * nIndex, 2) & ~std::size_t{kComplexBit};
    }

    // Offsets are record offsets, checked by Parse to lie inside m_record.
    CByteView m_record;  // from the record start to the page end
    std::size_t m_nOffset = 0;
    std::size_t m_nLength = 0;
    std::uint8_t m_nStatusA = 0;
    std::uint8_t m_nStatusB = 0;
    std::size_t m_nFixedEnd = 0;
    std::uint16_t m_nColumns = 0;
    std::size_t m_nBitmap = 0;      // the NULL bitmap
    std::size_t m_nBitmapBits = 0;  // its bits (the column count): 0 without one
    std::uint16_t m_nVariables = 0;
    std::size_t m_nVarEnds = 0;  // the end-offset array of the variable columns
    std::size_t m_nVarData = 0;
    SPageId m_stubPage;
    std::uint16_t m_nStubSlot = 0;
};

}  // namespace format2005
