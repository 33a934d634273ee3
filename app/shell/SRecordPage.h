// app/shell/SRecordPage.h
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/CBookmarkStack.h"
#include "engine/core/SDamage.h"

// What a grid cell holds besides its text. The grid draws each kind differently, so a stored
// string that reads "NULL" never looks like a NULL, nor a stored "Empty" like an empty value.
enum class EGridValueKind : std::uint8_t {
    Value,
    Null,
    Default,      // NULL, or nothing read, shown as the column's default text
    EmptyString,  // a stored empty value: shown as a blank
    Missing,      // nothing could be read: shown as a blank
    Corrupt,
    Formula,  // computed column: nothing stored
    DroppedColumn,
    BinaryNotRead,  // a binary value behind a text pointer, read only when the cell is opened
};

struct SGridValue {
    std::string strText;  // the engine's grid text
    EGridValueKind eKind = EGridValueKind::Value;
    // A binary value read with its row (binary, varbinary, timestamp) keeps its stored bytes for
    // the value view, whatever its grid text is.
    bool bHasBytes = false;
    // Unicode text the grid cannot narrow (it shows "?????") keeps its UTF-16LE bytes, so that
    // the value view shows the text itself.
    bool bUtf16Text = false;
    std::string strBytes;
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
    int nPageNumber = 0;            // 1 for the first page
    bool bPreviousEnabled = false;  // a bookmark to go back to exists
    bool bLastPage = false;
    bool bShowsDeleted = false;  // deleted records were read with this page
    SBookmark bmPageStart;       // where the page began: a value of it is read again from here
    std::string strError;        // why nothing could be read (the data file is missing), or empty
    std::vector<SDamage> vecDamage;  // what the walk of this page reported
};

// Where to find one value of a page shown in the grid, to read it in full.
struct SValueRequest {
    const void* pTable = nullptr;  // a CTable of the session's engine
    SBookmark bmPageStart;
    int nRow = 0;  // row of the page, as the page counted them
    int nColumn = 0;
    bool bShowsDeleted = false;
};

// One value read in full, handed from the loader thread to the GUI thread.
struct SLoadedValue {
    std::uint64_t nRequest = 0;
    SGridValue value;      // the bytes when it is a binary value, otherwise its kind and text
    std::string strDump;   // hex and ASCII lines of the bytes (the first kMaxDumpBytes), UTF-8
    std::string strError;  // why it could not be read, or empty
};
