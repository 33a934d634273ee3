// app/shell/SDamageRecord.h
#pragma once

#include <compare>
#include <cstdint>
#include <string>

// One piece of damage a recovery or a page load reported: where it was and what was lost.
struct SDamageRecord {
    static constexpr std::int64_t kNoPage = -1;
    static constexpr std::int32_t kNoSlot = -1;

    std::int64_t nPage = kNoPage;  // page id, or kNoPage when the damage has no single page
    std::int32_t nSlot = kNoSlot;  // slot on that page, or kNoSlot
    std::int32_t nObjectId = 0;    // object the damage belongs to, 0 when unknown
    std::string strObject;         // its name, as far as it is known
    std::string strWhat;           // what was dropped or marked, for the user
    std::uint32_t nBytes = 0;      // bytes that could not be read
    // The row at nSlot was lost; false when only a value of it was marked or nothing was lost.
    bool bRowLost = true;

    auto operator<=>(const SDamageRecord&) const = default;
};
