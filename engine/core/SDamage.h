// engine/core/SDamage.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "common/Export.h"

// What kind of damage a reader met. Each reader that drops or marks data says which.
enum class EDamageKind : std::uint8_t {
    FileTruncated,   // the file ends inside a page; the partial page is not read
    HeaderPage,      // the file header page (0) is damaged; nothing is read from it
    BootPage,        // the boot page (9) is damaged: its version stamp or name cannot be read
    DatabaseName,    // the database name cannot be read; the file's base name stands in
    PageHeader,      // an allocated page's header is not a page header
    StrayPage,       // a page's header names another page number: it was written in the wrong place
    TornPage,        // sectors of a page were written at different times, or its torn bits are
                     // damaged
    UnreadablePage,  // a page of an object's list could not be read: its rows are lost
    ForeignPage,     // a page of an object's list is no data page of that object: skipped
    SlotArray,       // a page's slot count is impossible: only slots inside the page are read
    SlotOutsidePage,  // a slot points outside the page: its row is skipped
    RowRejected,      // a row could not be decoded: it is skipped
    ValueCorrupt,     // a value's stored length or offset is impossible: it is marked "Corrupt"
    LargeValue,       // a value behind a text pointer is missing, foreign, cyclic or cut short
    CatalogRow,       // a row of a system table could not be read: its object or column is lost
    ScanFile,         // a scan file entry is inconsistent
};
inline constexpr std::size_t kDamageKinds = static_cast<std::size_t>(EDamageKind::ScanFile) + 1;

// One piece of damage: where it is, what it is and how much was lost. Damage is data: readers
// report it to a sink (IDamageSink) and go on.
struct AMBERMILL_API SDamage {
    EDamageKind eKind = EDamageKind::RowRejected;
    std::optional<std::uint32_t> nPage;     // page number in the data file
    std::optional<std::uint16_t> nSlot;     // slot on that page
    std::optional<std::int32_t> nObjectId;  // object the damage belongs to
    std::uint64_t nBytes = 0;               // bytes that were not read (0 when nothing was lost)
    std::string strDetail;                  // a short sentence for the user

    bool operator==(const SDamage&) const = default;

    // One line: "page 1234, slot 5, object 2073058421: row skipped: ... (120 bytes)".
    std::string Text() const;
    // A stable name of the kind for programs: "row_rejected", "file_truncated", ...
    static std::string_view KindName(EDamageKind eKind);
};

// Where readers report damage. Implementations must accept reports from several threads.
class AMBERMILL_API IDamageSink {
  public:
    virtual ~IDamageSink() = default;
    virtual void Report(const SDamage& damage) = 0;
};
