// engine/core/CBookmarkStack.cpp
#include "engine/core/CBookmarkStack.h"

bool CBookmarkStack::empty() const {
    std::lock_guard lock(m_mutex);
    return m_dqEntries.empty();
}

std::size_t CBookmarkStack::size() const {
    std::lock_guard lock(m_mutex);
    return m_dqEntries.size();
}

void CBookmarkStack::clear() {
    std::lock_guard lock(m_mutex);
    m_dqEntries.clear();
}

void CBookmarkStack::push_back(const SBookmark& bookmark) {
    std::lock_guard lock(m_mutex);
    m_dqEntries.push_back(bookmark);
}

void CBookmarkStack::pop_back() {
    std::lock_guard lock(m_mutex);
    if (!m_dqEntries.empty())
        m_dqEntries.pop_back();
}

std::optional<SBookmark> CBookmarkStack::back() const {
    std::lock_guard lock(m_mutex);
    if (m_dqEntries.empty())
        return std::nullopt;
    return m_dqEntries.back();
}

std::optional<SBookmark> CBookmarkStack::TakeBack() {
    std::lock_guard lock(m_mutex);
    if (m_dqEntries.empty())
        return std::nullopt;
    SBookmark bookmark = m_dqEntries.back();
    m_dqEntries.pop_back();
    return bookmark;
}
