// engine/records/CFieldValue.h
#pragma once

#include <cstdint>
#include <string>

// What a decoded column value is, beside its text. The grid shows the text; the statement
// builder decides by the kind, so a stored string that happens to read "NULL" or "Empty" is
// still written as that string.
enum class EValueKind : std::uint8_t {
    Value,        // m_strText is the rendered value
    Null,         // NULL in the row (bitmap, a column the row does not store, or not decodable)
    Missing,      // nothing could be read (an unreadable text pointer, a column beyond the row)
    EmptyString,  // a stored zero-length value; the grid shows "Empty"
    Corrupt,      // the stored length or offset is impossible
    Formula,      // computed column: nothing stored
    Deleted,      // column marked deleted
};

class CFieldValue {
  public:
    CFieldValue() = default;
    CFieldValue(std::string strText, EValueKind eKind)
        : m_strText(std::move(strText)), m_eKind(eKind) {}

    static CFieldValue Null() { return {"NULL", EValueKind::Null}; }
    static CFieldValue Missing() { return {"Empty", EValueKind::Missing}; }
    static CFieldValue EmptyString() { return {"Empty", EValueKind::EmptyString}; }
    static CFieldValue Corrupt() { return {"Corrupt", EValueKind::Corrupt}; }
    static CFieldValue Formula() { return {"FORMULA", EValueKind::Formula}; }
    static CFieldValue Deleted() { return {"Deleted", EValueKind::Deleted}; }

    bool IsValue() const { return m_eKind == EValueKind::Value; }

    std::string m_strText;
    EValueKind m_eKind = EValueKind::Value;
};
