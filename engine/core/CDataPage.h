// engine/core/CDataPage.h
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

#include "common/ByteView.h"
#include "common/DataFileReader.h"
#include "common/Export.h"

// Page header layout of the data file (little-endian).
inline constexpr std::size_t kPageHeaderSize = 96;   // the data area begins here
inline constexpr std::size_t kPageTypeOffset = 1;    // 1 byte
inline constexpr std::size_t kPageFlagsOffset = 4;   // 2 bytes
inline constexpr std::size_t kSlotCountOffset = 22;  // 2 bytes
inline constexpr std::size_t kObjectIdOffset = 24;   // 4 bytes
inline constexpr std::size_t kTornBitsOffset = 60;   // 4 bytes: two saved bits per 512-byte sector
inline constexpr std::uint16_t kTornBitsFlag = 0x0100;  // the page carries torn-page bits
inline constexpr std::size_t kSectorSize = 512;

inline constexpr std::uint8_t kDataPageType = 1;
inline constexpr std::uint8_t kTextPageType = 3;
inline constexpr std::uint8_t kTextTreePageType = 4;

// One 8192-byte page read from the data file, with checked access to its header and slot array.
class AMBERMILL_API CDataPage {
  public:
    CDataPage() { m_arrBytes.fill(std::byte{0}); }

    std::span<std::byte> Buffer() { return m_arrBytes; }
    std::span<const std::byte> Bytes() const { return m_arrBytes; }
    CByteView View() const { return CByteView(m_arrBytes); }
    // The data area (page byte 96 to the page end); row offsets handed to row readers count from
    // here.
    CByteView DataArea() const {
        return CByteView(std::span<const std::byte>(m_arrBytes).subspan(kPageHeaderSize));
    }

    std::uint8_t Type() const { return *View().U8(kPageTypeOffset); }
    std::uint16_t Flags() const { return *View().U16(kPageFlagsOffset); }
    std::uint16_t SlotCount() const { return *View().U16(kSlotCountOffset); }
    std::int32_t ObjectId() const { return *View().I32(kObjectIdOffset); }
    std::uint32_t TornBits() const { return *View().U32(kTornBitsOffset); }

    // The raw slot-array entry (at byte 8190 - 2 * nSlot); 0 when the entry would lie in the
    // header.
    std::uint16_t SlotEntry(std::uint32_t nSlot) const;
    // The slot entry with the first slot's damaged high byte repaired; every walk reads entries
    // through this. The first row always starts at 96, so a first entry whose low byte is 96
    // reads 96. With bGridRule (the record grid's walk) a first entry whose high byte is 1 and
    // whose low byte is above 105 also reads as its low byte, unless the page holds a row start
    // (0x30) at the stored offset. Other entries are returned as stored.
    std::uint16_t RepairedSlotEntry(std::uint32_t nSlot, bool bGridRule = false) const;
    // The repaired entry if it lies within [96, 8192): std::nullopt for 0 or any other offset.
    std::optional<std::uint16_t> AcceptedRowOffset(std::uint32_t nSlot) const;

    // Puts the saved sector bits back when the header says the page carries torn bits.
    void RestoreTornBits();

    bool Read(const CDataFileReader& reader, std::uint32_t nPage) {
        return reader.ReadPage(nPage, m_arrBytes);
    }

  private:
    std::array<std::byte, kPageSize> m_arrBytes;
};
