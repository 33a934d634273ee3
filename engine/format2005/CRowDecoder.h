// engine/format2005/CRowDecoder.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "engine/format2005/CDamageList.h"
#include "engine/format2005/CLobReader.h"
#include "engine/format2005/CRecord.h"
#include "engine/format2005/CatalogModel.h"

struct SDecodedRow;

namespace format2005 {

class CValueConverter;

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
    // The same values as typed values, converted straight from the record's bytes (a value
    // stored off the row from the bytes read for it): what a walk of many rows uses. Sets
    // row.vecValues only. REQUIRES: converter was made for this decoder's table.
    void Decode(const CRecord& record, std::uint32_t nPage, std::uint16_t nSlot,
                const CValueConverter& converter, SDecodedRow& row, CDamageList& damage);

    // The size of a fixed column's storage, from its declared length (bit: 1 byte).
    static std::size_t FixedSize(const SColumn& column);

  private:
    enum class EAction : std::uint8_t {
        Sparse,     // a sparse column: its value lives in the sparse vector
        NotStored,  // no physical column
        Fixed,
        Bit,
        Variable,
    };
    // How one column is read from the partition's records, worked out once.
    struct SPlan {
        const SColumn* pColumn = nullptr;
        EAction eAction = EAction::NotStored;
        std::uint16_t nNullBit = 0;    // 1-based bit of the NULL bitmap; 0: none
        std::size_t nOffset = 0;       // fixed and bit columns: record offset
        std::size_t nSize = 0;         // fixed columns: bytes
        bool bBadOffset = false;       // a fixed offset inside the record header
        std::uint8_t nBitShift = 0;    // bit columns: the bit in its byte
        std::size_t nVarIndex = 0;     // variable columns: index among the variable columns
        bool bVarDecimal = false;      // a variable decimal (the vardecimal format)
        bool bTextPointer = false;     // may be held through a 16-byte text pointer
        bool bBinaryLob = false;       // a binary type left unread on request
        std::size_t nSparseIndex = 0;  // sparse columns: index into m_vecSparseValues
        bool bSparseVariable = false;  // sparse columns: a variable type, of any length
    };
    // Where one sparse column's value lies in the current row's sparse vector.
    struct SSparseValue {
        EValueState eState = EValueState::Null;
        std::size_t nStart = 0;
        std::size_t nSize = 0;
    };

    // Hands each column's value to fnValue(column, state, off row, bytes), reporting what cannot
    // be read. A value read off the row is read into fnBuffer(column), then handed over as the
    // whole of that buffer (or as no bytes when nothing came back).
    template <class FBuffer, class FValue>
    void Values(const CRecord& record, std::uint32_t nPage, std::uint16_t nSlot,
                CDamageList& damage, FBuffer&& fnBuffer, FValue&& fnValue);
    // A complex (off-row) variable column: reads its value into buffer and returns its state.
    EValueState ReadOffRow(const SPlan& plan, std::span<const std::byte> bytes,
                           std::vector<std::byte>& buffer, std::uint32_t nPage, std::uint16_t nSlot,
                           CDamageList& damage);

    // Splits the row's sparse vector into m_vecSparseValues, reporting what does not fit; returns
    // the vector's bytes (none when the row has no sparse value).
    std::span<const std::byte> SplitSparseVector(const CRecord& record, std::uint32_t nPage,
                                                 std::uint16_t nSlot, CDamageList& damage);
    // Marks every sparse column of the row unreadable, after damage to the vector as a whole.
    void MarkSparseCorrupt();

    const STable& m_table;
    CLobReader& m_lob;
    bool m_bReadBinaryLobs = true;
    std::vector<SPlan> m_vecPlans;
    std::size_t m_nSparseVector = 0;  // 1-based variable column of the sparse vector; 0: none
    // Sparse columns by column id (sorted) with their plan, and the current row's value of each.
    std::vector<std::pair<std::int32_t, std::size_t>> m_vecSparseIds;
    std::vector<SSparseValue> m_vecSparseValues;
    std::vector<std::byte> m_vecLobBytes;  // an off-row value on its way to a typed value
};

}  // namespace format2005
