// engine/format2005/CPage.h
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/ByteView.h"
#include "common/DataFileReader.h"
#include "engine/format2005/PageLayout.h"

namespace format2005 {

// A page id as stored: page number and file id.
struct SPageId {
    std::uint32_t nPage = 0;
    std::uint16_t nFile = 0;
    bool IsNull() const { return nPage == 0 && nFile == 0; }
    friend bool operator==(const SPageId&, const SPageId&) = default;
};

// A page id read from untrusted bytes at nOffset of a view; std::nullopt when it leaves the view.
std::optional<SPageId> ReadPageId(const CByteView& view, std::size_t nOffset);

// What loading a page found before anything else of it is trusted.
enum class EPageCheck : std::uint8_t {
    Ok,
    Unreadable,    // past the end of the file, or a short read
    NotFormatted,  // header version is not 1
    Stray,         // the header names another page than the one read
};

// One 8192-byte page of a 2005+ data file with checked access to its header and slot array.
// Loading restores torn-page bits, so every later read sees the page as it was written.
class CPage {
  public:
    CPage() { m_arrBytes.fill(std::byte{0}); }
    // A copy holds the bytes of its own.
    CPage(const CPage& other);
    CPage& operator=(const CPage& other);

    // Reads page nPage of the file, restores torn bits and checks the header version and the
    // page's own id (file 1 only: these readers read one-file databases).
    EPageCheck Load(const CDataFileReader& reader, std::uint32_t nPage);
    // The same checks on bytes already in the buffer (tests, pages from memory).
    EPageCheck Check(std::uint32_t nPage);
    // The same checks on kPageSize bytes read earlier, used where they lie rather than copied: a
    // page with torn bits to restore is copied first. REQUIRES: bytes stay unchanged while the
    // page is used (until the next Load, Borrow or Buffer).
    EPageCheck Borrow(std::span<const std::byte> bytes, std::uint32_t nPage);

    // The page's own buffer (a borrowed page's bytes are copied into it first).
    std::span<std::byte> Buffer();
    std::span<const std::byte> Bytes() const { return m_bytes; }
    CByteView View() const { return CByteView(m_bytes); }

    std::uint32_t Number() const { return m_nNumber; }
    std::uint8_t HeaderVersion() const { return U8(kHeaderVersionOffset); }
    std::uint8_t Type() const { return U8(kTypeOffset); }
    std::uint8_t Level() const { return U8(kLevelOffset); }
    std::uint16_t Flags() const { return U16(kFlagsOffset); }
    std::uint16_t IndexId() const { return U16(kIndexIdOffset); }
    std::uint32_t ObjectId() const { return *View().U32(kObjectIdOffset); }
    std::uint16_t SlotCount() const { return U16(kSlotCountOffset); }
    std::uint16_t GhostCount() const { return U16(kGhostCountOffset); }
    SPageId PrevPage() const { return *ReadPageId(View(), kPrevPageOffset); }
    SPageId NextPage() const { return *ReadPageId(View(), kNextPageOffset); }
    SPageId OwnId() const { return *ReadPageId(View(), kPageIdOffset); }

    // Allocation-unit id the header names.
    std::uint64_t UnitId() const { return format2005::UnitId(IndexId(), ObjectId()); }
    // True when the header names unit nUnit, either exactly or, for a page last written by
    // SQL Server 2000, as the object with index id 0 while the unit's index part is 1.
    bool BelongsToUnit(std::uint64_t nUnit) const;

    // Slots whose entries fit beside the header: the slot count, capped so the slot array never
    // reaches into the header of a damaged page.
    std::uint16_t UsableSlotCount() const {
        constexpr std::size_t kMaxSlots = (kPageSize - kHeaderSize) / 2;
        const std::uint16_t nSlots = SlotCount();
        return nSlots > kMaxSlots ? static_cast<std::uint16_t>(kMaxSlots) : nSlots;
    }
    // The raw slot entry of nSlot (0: an emptied slot); 0 for a slot past UsableSlotCount().
    std::uint16_t SlotEntry(std::uint16_t nSlot) const {
        return View().U16(kSlotArrayEnd - 2 * static_cast<std::size_t>(nSlot)).value_or(0);
    }
    // True when a record may start at nOffset (inside the data area, before the slot array's
    // last entry).
    static bool IsRecordOffset(std::uint16_t nOffset) {
        return nOffset >= kHeaderSize && nOffset < kSlotArrayEnd;
    }

    // Puts the saved sector bits back when the page carries torn-page bits (flag 0x0100).
    void RestoreTornBits();
    // True when the page carries a checksum that does not match its bytes.
    bool ChecksumMismatch() const;
    static std::uint32_t ComputeChecksum(std::span<const std::byte> page);

  private:
    std::uint8_t U8(std::size_t n) const { return *View().U8(n); }
    std::uint16_t U16(std::size_t n) const { return *View().U16(n); }

    std::array<std::byte, kPageSize> m_arrBytes;
    std::span<const std::byte> m_bytes{m_arrBytes};  // the page: m_arrBytes or borrowed bytes
    std::uint32_t m_nNumber = 0;
};

}  // namespace format2005
