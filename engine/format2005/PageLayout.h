// engine/format2005/PageLayout.h
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/DataFileReader.h"

// Fixed layout of the pages of the SQL Server 2005 and later data files (2005, 2008, 2008 R2).
// Every multi-byte field is little-endian and read through CByteView.
namespace format2005 {

// Page header (96 bytes).
inline constexpr std::size_t kHeaderSize = 96;
inline constexpr std::size_t kHeaderVersionOffset = 0;  // 1 byte: 1 on every formatted page
inline constexpr std::size_t kTypeOffset = 1;           // 1 byte
inline constexpr std::size_t kLevelOffset = 3;          // 1 byte: 0 = leaf
inline constexpr std::size_t kFlagsOffset = 4;          // 2 bytes
inline constexpr std::size_t kIndexIdOffset = 6;        // 2 bytes: high part of the unit id
inline constexpr std::size_t kPrevPageOffset = 8;       // page u32 + file u16
inline constexpr std::size_t kNextPageOffset = 16;      // page u32 + file u16
inline constexpr std::size_t kSlotCountOffset = 22;     // 2 bytes
inline constexpr std::size_t kObjectIdOffset = 24;      // 4 bytes: low part of the unit id
inline constexpr std::size_t kPageIdOffset = 32;        // page u32 + file u16: its own position
inline constexpr std::size_t kGhostCountOffset = 58;    // 2 bytes
inline constexpr std::size_t kTornBitsOffset = 60;      // 4 bytes: torn bits or checksum

inline constexpr std::uint8_t kHeaderVersion = 1;
inline constexpr std::uint16_t kFlagTornBits = 0x0100;  // two saved bits per 512-byte sector
inline constexpr std::uint16_t kFlagChecksum = 0x0200;  // offset 60 holds a page checksum
inline constexpr std::size_t kSectorSize = 512;

// A page id on disk: page number u32 then file id u16.
inline constexpr std::size_t kPageIdSize = 6;

// Page types.
inline constexpr std::uint8_t kPageData = 1;
inline constexpr std::uint8_t kPageIndex = 2;
inline constexpr std::uint8_t kPageText = 3;      // LOB records of several values
inline constexpr std::uint8_t kPageTextTree = 4;  // LOB records of one value's tree
inline constexpr std::uint8_t kPageGam = 8;
inline constexpr std::uint8_t kPageSgam = 9;
inline constexpr std::uint8_t kPageIam = 10;
inline constexpr std::uint8_t kPagePfs = 11;
inline constexpr std::uint8_t kPageBoot = 13;

// Fixed pages of file 1.
inline constexpr std::uint32_t kFirstPfsPage = 1;
inline constexpr std::uint32_t kFirstGamPage = 2;
inline constexpr std::uint32_t kFirstSgamPage = 3;
inline constexpr std::uint32_t kBootPage = 9;

// Slot array: slot k's record offset is the u16 at kSlotArrayEnd - 2k.
inline constexpr std::size_t kSlotArrayEnd = kPageSize - 2;

// Allocation maps.
inline constexpr std::uint32_t kPfsInterval = 8088;  // pages covered by one PFS page
inline constexpr std::size_t kPfsBytesOffset = 100;  // record at 96 plus its 4-byte header
inline constexpr std::uint8_t kPfsAllocated = 0x40;
inline constexpr std::uint8_t kPfsIamPage = 0x10;
inline constexpr std::uint8_t kPfsMixedExtent = 0x20;
inline constexpr std::uint32_t kGamInterval = 511232;  // pages covered by one GAM/SGAM/IAM
inline constexpr std::uint32_t kPagesPerExtent = 8;
inline constexpr std::size_t kBitmapRecordHeader = 4;     // GAM, SGAM and IAM bitmap records
inline constexpr std::size_t kIamStartPageOffset = 40;    // in the IAM header record
inline constexpr std::size_t kIamSinglePagesOffset = 46;  // eight page ids of mixed extents
inline constexpr std::size_t kIamSinglePages = 8;

// Allocation-unit id from a page header (2005+): (m_indexId << 48) | (m_objId << 16).
constexpr std::uint64_t UnitId(std::uint16_t nIndexId, std::uint32_t nObjectId) {
    return (static_cast<std::uint64_t>(nIndexId) << 48) |
           (static_cast<std::uint64_t>(nObjectId) << 16);
}

}  // namespace format2005
