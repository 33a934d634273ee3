// engine/records/CRowDecoder.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/ByteView.h"
#include "common/Export.h"
#include "engine/records/CTypeTable.h"
#include "engine/records/CTypedValue.h"
#include "engine/records/CValueFormat.h"
#include "engine/records/SDecodedRow.h"

class CTable;
class CColumnInfo;
class CTextPointerReader;

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

    void DecodeVariable(const CByteView& data, std::size_t nRunning, std::size_t nEnd,
                        const SVarSlot& slot, CTypedValue& out);
    void ReadPointer(const CByteView& data, std::size_t nRunning, const SVarSlot& slot,
                     CTypedValue& out);
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
};
