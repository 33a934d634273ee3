// engine/format2005/CRowDecoder.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/format2005/CDamageList.h"
#include "engine/format2005/CLobReader.h"
#include "engine/format2005/CRecord.h"
#include "engine/format2005/CatalogModel.h"

namespace format2005 {

// The state of one decoded value.
enum class EValueState : std::uint8_t {
    Value,       // vecBytes holds the stored value
    Null,        // NULL in the row, or a column the row does not store (added later)
    NotStored,   // no physical column: a computed column that is not persisted
    Corrupt,     // the row's offsets do not allow reading it
    Unreadable,  // a large or row-overflow value of which nothing could be read
    Truncated,   // a large value read in part: vecBytes holds what came back
    NotDecoded,  // stored in a form this reader does not decode (sparse vector, vardecimal)
    NotRead,     // a binary value stored off the row, left unread on request
};

// One value as stored: the type id and its bytes, before any rendering. Fixed types keep their
// storage bytes (an int is 4 little-endian bytes), bit gives one byte 0 or 1, variable types their
// bytes in the row or assembled from their fragments.
struct SRawValue {
    EValueState eState = EValueState::Null;
    std::uint8_t nTypeId = 0;
    bool bOffRow = false;  // read through a text pointer, LOB root or row-overflow pointer
    std::vector<std::byte> vecBytes;
    bool HasBytes() const {
        return eState == EValueState::Value || eState == EValueState::Truncated;
    }
};

// One row: a value per column, in column order.
struct SRawRow {
    std::vector<SRawValue> vecValues;
    bool bGhost = false;      // a deleted row not yet cleaned up
    bool bForwarded = false;  // read at the place a forwarding stub points to
    std::uint32_t nPage = 0;  // where the row's record lies
    std::uint16_t nSlot = 0;
};

// Decodes data records of one partition of a table into raw values, by the partition's physical
// layout (leaf offsets and NULL bits), not by column order. Every read is checked against the
// record's parsed bounds; what cannot be read becomes a marked value and a damage record.
class CRowDecoder {
  public:
    // table, partition and lob must outlive the decoder.
    CRowDecoder(const STable& table, const SPartition& partition, CLobReader& lob);

    // Binary values stored off the row (image, varbinary(max), CLR types) are read unless this is
    // turned off; they are then NotRead, as the grid shows them without their bytes.
    void SetReadBinaryLobs(bool bRead) { m_bReadBinaryLobs = bRead; }

    // Decodes a parsed record (primary, ghost or forwarded) into row.vecValues.
    void Decode(const CRecord& record, std::uint32_t nPage, std::uint16_t nSlot, SRawRow& row,
                CDamageList& damage);

    // The size of a fixed column's storage, from its declared length (bit: 1 byte).
    static std::size_t FixedSize(const SColumn& column);

  private:
    void DecodeFixed(const CRecord& record, const SColumn& column, const SColumnPlace& place,
                     SRawValue& value, std::uint32_t nPage, std::uint16_t nSlot,
                     CDamageList& damage);
    void DecodeVariable(const CRecord& record, const SColumn& column, const SColumnPlace& place,
                        SRawValue& value, std::uint32_t nPage, std::uint16_t nSlot,
                        CDamageList& damage);

    const STable& m_table;
    const SPartition& m_partition;
    CLobReader& m_lob;
    bool m_bReadBinaryLobs = true;
};

}  // namespace format2005
