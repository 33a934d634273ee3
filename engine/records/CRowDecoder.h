// engine/records/CRowDecoder.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "common/Export.h"
#include "engine/core/SDamage.h"
#include "engine/records/CTypeTable.h"
#include "engine/records/CTypedValue.h"
#include "engine/records/CValueFormat.h"
#include "engine/records/SDecodedRow.h"

class CTable;
class CColumnInfo;
class CTextPointerReader;
class IDamageSink;
struct SSlotVisit;

// Why the decoder gave no row.
enum class ERowReject : std::uint8_t {
    None,           // the row was decoded
    NotWanted,      // a ghost row while deleted rows are off: no damage
    OutsidePage,    // the row offset is past the page
    ZeroStatus,     // the row's status bytes are zero: no row starts there
    HeaderOutside,  // the end of the row's fixed part or its column count lies past the page
    ColumnCount,    // the stored column count is impossible for the table
    BitmapOutside,  // the NULL bitmap runs past the page
    VariableBlock,  // the variable-length column count or offsets run past the page
    FixedOutside,   // a fixed-length column lies past the page
};

// Decodes the data rows of one table (the fixed/variable row format). The column layout is
// worked out once, so a walk over many rows pays only for the rows. Every read goes through
// bounds-checked views of the page's data area: a damaged row gives markers or is rejected, never
// a read outside the page.
class AMBERMILL_API CRowDecoder {
  public:
    struct SOptions {
        bool bRecoverDeleted = false;  // ghost rows are decoded, otherwise rejected
        // Binary values behind text pointers are read; the grid leaves them unread.
        bool bFollowBinaryPointers = true;
    };

    CRowDecoder(const CTable& table, std::string strFileName, SOptions options);
    ~CRowDecoder();
    CRowDecoder(const CRowDecoder&) = delete;
    CRowDecoder& operator=(const CRowDecoder&) = delete;

    // dataArea starts at page byte 96; nRowOffset counts from there. False when the row is
    // rejected (bad offset, zero status, a ghost while deleted rows are off, an impossible
    // column count) or abandoned (a fixed column outside the page).
    bool Decode(const CByteView& dataArea, std::uint16_t nRowOffset, SDecodedRow& row);
    // The row of a visited slot, with what could not be read reported to pDamage (may be null):
    // a rejected row, each value marked "Corrupt" and each large value that could not be read
    // whole. A slot without a row gives false; a row guessed at a cleared slot (the batched
    // export's freed slots) is decoded but reports nothing, since no row need be there.
    bool Decode(const SSlotVisit& visit, SDecodedRow& row, IDamageSink* pDamage);

    // Why the last Decode gave no row.
    ERowReject LastReject() const { return m_eReject; }
    // A sentence for a reason.
    static const char* RejectText(ERowReject eReject);

    const CTable& Table() const { return m_table; }
    // How each column's values are formatted, in column order.
    const std::vector<SColumnFormat>& Formats() const { return m_vecFormats; }
    EColumnType ColumnType(std::size_t nColumn) const { return m_vecPlans[nColumn].eType; }

  private:
    enum class EAction : std::uint8_t { Formula, Deleted, Variable, Fixed, Variant };
    struct SColumnPlan {
        const CColumnInfo* pColumn = nullptr;
        EColumnType eType = EColumnType::Int;
        EAction eAction = EAction::Fixed;
        int nVarIndex = -1;
        int nNullIndex = -1;  // bit of the NULL bitmap (column order - 1)
        std::size_t nOffset = 0;
        std::size_t nSize = 0;
        bool bFirstUse = true;  // first column reading this variable entry
    };
    struct SVarSlot {
        EColumnType eType = EColumnType::Varchar;
        bool bNeeded = false;
        std::size_t nColumn = 0;  // the first column that reads the entry: decoded straight there
    };

    // What went wrong with one value of the row being decoded.
    struct SValueDamage {
        std::size_t nColumn = 0;
        EDamageKind eKind = EDamageKind::ValueCorrupt;
        std::string strWhat;
    };

    bool DecodeRow(const CByteView& dataArea, std::uint16_t nRowOffset, SDecodedRow& row);
    void DecodeVariable(const CByteView& data, std::size_t nRunning, std::size_t nEnd,
                        const SVarSlot& slot, CTypedValue& out);
    void ReadPointer(const CByteView& data, std::size_t nRunning, const SVarSlot& slot,
                     CTypedValue& out);
    void MarkCorrupt(const SVarSlot& slot, CTypedValue& out, const char* pszWhat);
    void ReportRow(const SSlotVisit& visit, IDamageSink& damage) const;
    CTextPointerReader& TextReader();

    const CTable& m_table;
    std::string m_strFileName;
    SOptions m_options;
    std::vector<SColumnPlan> m_vecPlans;
    std::vector<SColumnFormat> m_vecFormats;
    std::vector<SVarSlot> m_vecVarSlots;  // by variable index
    std::unique_ptr<CTextPointerReader> m_pTextReader;
    // Reused per row.
    std::vector<std::uint8_t> m_vecVarZeroLength;
    ERowReject m_eReject = ERowReject::None;
    std::vector<SValueDamage> m_vecValueDamage;  // of the last row; empty for a sound row
};
