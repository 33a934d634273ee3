// app/shell/SRecordPage.h
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/shell/SDamageRecord.h"

// What a grid cell holds besides its text. The grid draws each kind differently, so a stored
// string that reads "NULL" never looks like a NULL.
enum class EGridValueKind : std::uint8_t {
    Value,
    Null,
    EmptyString,  // shown as a blank
    Corrupt,
    Formula,  // computed column: nothing stored
    DroppedColumn,
};

struct SGridValue {
    std::string strText;
    EGridValueKind eKind = EGridValueKind::Value;
};

struct SGridRow {
    std::vector<SGridValue> vecValues;
    bool bDeleted = false;
};

struct SGridColumn {
    std::string strName;
    std::string strType;  // base type name ("varbinary", "image", ...)
};

enum class EPageRequest { First, Next, Previous };

// One page of records as the window shows it, handed from the loader thread to the GUI thread.
struct SRecordPage {
    std::uint64_t nRequest = 0;    // the request this page answers
    const void* pTable = nullptr;  // the table it belongs to (identity only)
    std::vector<SGridColumn> vecColumns;
    std::vector<SGridRow> vecRows;
    bool bPreviousEnabled = false;  // a bookmark to go back to exists
    bool bLastPage = false;
    std::string strError;  // why nothing could be read (the data file is missing), or empty
    std::vector<SDamageRecord> vecDamage;
};
