// common/OrderedMap.h
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

// A string-keyed map that owns its values and iterates in insertion order. Replacing a value keeps
// its position, so every walk over the catalog (tree, scripts, scan file) sees one stable order.
// Pointers to values stay valid until the entry is removed or replaced.
template <typename T>
class COrderedMap {
  public:
    using Entry = std::pair<std::string, std::unique_ptr<T>>;

    T* Find(const std::string& strKey) const {
        auto it = m_mapIndex.find(strKey);
        return it == m_mapIndex.end() ? nullptr : m_vecEntries[it->second].second.get();
    }
    bool Contains(const std::string& strKey) const { return m_mapIndex.contains(strKey); }

    // Inserts, or replaces the value under an existing key in place. Returns the stored value.
    T& Set(const std::string& strKey, std::unique_ptr<T> pValue) {
        auto it = m_mapIndex.find(strKey);
        if (it != m_mapIndex.end()) {
            m_vecEntries[it->second].second = std::move(pValue);
            return *m_vecEntries[it->second].second;
        }
        m_mapIndex.emplace(strKey, m_vecEntries.size());
        m_vecEntries.emplace_back(strKey, std::move(pValue));
        return *m_vecEntries.back().second;
    }

    bool Remove(const std::string& strKey) {
        return RemoveIf([&](const std::string& k, const T&) { return k == strKey; }) > 0;
    }

    // Removes every entry for which fnPredicate(key, value) holds; returns how many went.
    template <typename Predicate>
    std::size_t RemoveIf(Predicate fnPredicate) {
        std::size_t nBefore = m_vecEntries.size();
        std::erase_if(m_vecEntries,
                      [&](const Entry& e) { return fnPredicate(e.first, *e.second); });
        if (m_vecEntries.size() != nBefore)
            Reindex();
        return nBefore - m_vecEntries.size();
    }

    void Clear() {
        m_vecEntries.clear();
        m_mapIndex.clear();
    }
    std::size_t Count() const { return m_vecEntries.size(); }
    bool Empty() const { return m_vecEntries.empty(); }

    auto begin() const { return m_vecEntries.begin(); }
    auto end() const { return m_vecEntries.end(); }

  private:
    void Reindex() {
        m_mapIndex.clear();
        for (std::size_t i = 0; i < m_vecEntries.size(); ++i)
            m_mapIndex.emplace(m_vecEntries[i].first, i);
    }

    std::vector<Entry> m_vecEntries;
    std::unordered_map<std::string, std::size_t> m_mapIndex;
};
