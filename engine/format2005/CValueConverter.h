// engine/format2005/CValueConverter.h
#pragma once

#include <string>
#include <vector>

#include "engine/catalog/CColumnInfo.h"
#include "engine/format2005/CRowDecoder.h"
#include "engine/format2005/CatalogModel.h"
#include "engine/records/CTypeTable.h"
#include "engine/records/CValueDecoder.h"
#include "engine/records/SDecodedRow.h"

namespace format2005 {

// Raw values of this reader as the core's typed values, so that the grid texts, SQL literals and
// data texts are those every format shares. The types SQL Server 2000 had decode exactly as the
// 2000 reader decodes them; the 2008 date and time types, CLR types and sql_variant get kinds and
// rules of their own; xml (binary XML) is not decoded.
class CValueConverter {
  public:
    // REQUIRES: table outlives the converter.
    explicit CValueConverter(const STable& table);

    // One row: a typed value per column, in column order. A ghost row is a deleted row.
    void Convert(const SRawRow& raw, SDecodedRow& out) const;
    void Convert(std::size_t nColumn, const SRawValue& raw, CTypedValue& out) const;
    // One value from its state and stored bytes, as a raw value holds them (bit: one byte, 0 or
    // 1); bOffRow: read through a text pointer, LOB root or row-overflow pointer. The usual case,
    // a value in the row of a type decoded as it stands, is decided here; the rest out of line.
    void Convert(std::size_t nColumn, EValueState eState, bool bOffRow,
                 std::span<const std::byte> bytes, CTypedValue& out) const {
        const SPlan& plan = m_vecPlans[nColumn];
        if (eState == EValueState::Value && !bOffRow && !bytes.empty()) {
            if (plan.eRoute == ERoute::Fixed && bytes.size() >= plan.nMinSize)
                return CValueDecoder::Fixed(plan.eType, bytes, plan.column, out);
            if (plan.eRoute == ERoute::InRow)
                return CValueDecoder::InRow(plan.eType, bytes, out);
        }
        ConvertOther(plan, eState, bOffRow, bytes, out);
    }

    // The shared model's column for a catalog column: names, types ((max) kept as the marker),
    // sizes, nullability, identity. Defaults, formulas and row offsets are the caller's.
    static CColumnInfo ColumnInfo(const SColumn& column);
    // The base type name the model classifies a column by ("nvarchar", "datetime2", "clr").
    static std::string BaseTypeName(const SColumn& column);
    // A sql_variant's stored bytes (base type, version, properties, value) as the value it holds.
    static void Variant(std::span<const std::byte> bytes, CTypedValue& out);

    // The grid text of a raw value, as the record grid shows it (tools and tests).
    static std::string GridText(const SColumn& column, const SRawValue& value);

  private:
    // Which decoder a stored value goes to straight away.
    enum class ERoute : std::uint8_t {
        Other,  // bit, xml, sql_variant, CLR types
        Fixed,
        InRow,
    };
    struct SPlan {
        EColumnType eType = EColumnType::Int;
        CColumnInfo column;  // precision and scale for the decoders
        bool bVariable = false;
        std::size_t nMinSize = 0;  // fixed types: the bytes a value needs
        ERoute eRoute = ERoute::Other;
    };
    void ConvertOther(const SPlan& plan, EValueState eState, bool bOffRow,
                      std::span<const std::byte> bytes, CTypedValue& out) const;
    std::vector<SPlan> m_vecPlans;
};

}  // namespace format2005
