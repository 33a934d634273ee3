// app/shell/CGridRowConverter.h
#pragma once

#include <vector>

#include "app/shell/SRecordPage.h"
#include "engine/records/CTypedValue.h"
#include "engine/records/CValueFormat.h"
#include "engine/records/SDecodedRow.h"

// Turns the engine's decoded rows into the window's rows: each value's grid text as the engine
// formats it, and its kind from the typed value itself, never guessed from the text.
class CGridRowConverter {
  public:
    // REQUIRES: vecFormats holds a format per value of the table's rows.
    static SGridRow FromDecodedRow(const SDecodedRow& row,
                                   const std::vector<SColumnFormat>& vecFormats);
    static SGridValue FromTypedValue(const CTypedValue& value, const SColumnFormat& format);
    // How the grid draws a value whose grid text is strText.
    static EGridValueKind KindOf(const CTypedValue& value, const SColumnFormat& format,
                                 const std::string& strText);
};
