// engine/core/CBookmarkStack.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>

#include "common/Export.h"

// Position in a table's page list for record paging: index into m_vecPages, byte distance of the
// next slot-array entry from the page end (the first entry is at distance 2), and slot index.
struct AMBERMILL_API SBookmark {
    std::uint32_t nPageIndex = 0;
    std::uint32_t nDistance = 2;
    std::uint32_t nSlot = 0;
    bool operator==(const SBookmark&) const = default;
};

// The paging history of the record grid: where each earlier page began, the newest at the back.
// The record thread pushes and pops while the program reads it and empties it for a new table,
// so every operation takes the stack's own lock. The names are those of the double-ended queue
// it replaces.
class AMBERMILL_API CBookmarkStack {
  public:
    CBookmarkStack() = default;
    CBookmarkStack(const CBookmarkStack&) = delete;
    CBookmarkStack& operator=(const CBookmarkStack&) = delete;

    bool empty() const;
    std::size_t size() const;
    void clear();
    void push_back(const SBookmark& bookmark);
    // Removes the newest entry; nothing happens when the stack is empty.
    void pop_back();
    // The newest entry, or std::nullopt.
    std::optional<SBookmark> back() const;
    // Removes and returns the newest entry, or std::nullopt.
    std::optional<SBookmark> TakeBack();

  private:
    mutable std::mutex m_mutex;
    std::deque<SBookmark> m_dqEntries;
};
