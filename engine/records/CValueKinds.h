// engine/records/CValueKinds.h
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <initializer_list>
#include <vector>

#include "engine/records/CTypedValue.h"

// The kinds of one row's values, in column order. Rows of up to kInline columns keep them inline,
// so a grid row handed from the record thread to the window costs no allocation for its kinds.
class CValueKinds {
  public:
    static constexpr std::size_t kInline = 32;

    CValueKinds() = default;
    CValueKinds(std::initializer_list<EValueKind> kinds) {
        for (EValueKind eKind : kinds)
            push_back(eKind);
    }

    std::size_t size() const { return m_nSize; }
    bool empty() const { return m_nSize == 0; }
    // New entries are EValueKind::Null.
    void resize(std::size_t nSize) {
        if (nSize > kInline || !m_vecWide.empty()) {
            if (m_vecWide.empty())
                m_vecWide.assign(m_arrInline.begin(), m_arrInline.begin() + m_nSize);
            m_vecWide.resize(nSize, EValueKind::Null);
        } else {
            std::fill(m_arrInline.begin() + std::min(m_nSize, nSize), m_arrInline.begin() + nSize,
                      EValueKind::Null);
        }
        m_nSize = nSize;
    }
    void push_back(EValueKind eKind) {
        resize(m_nSize + 1);
        (*this)[m_nSize - 1] = eKind;
    }
    EValueKind* begin() { return m_vecWide.empty() ? m_arrInline.data() : m_vecWide.data(); }
    EValueKind* end() { return begin() + m_nSize; }
    const EValueKind* begin() const {
        return m_vecWide.empty() ? m_arrInline.data() : m_vecWide.data();
    }
    const EValueKind* end() const { return begin() + m_nSize; }
    EValueKind& operator[](std::size_t nIndex) { return begin()[nIndex]; }
    const EValueKind& operator[](std::size_t nIndex) const { return begin()[nIndex]; }
    bool operator==(const CValueKinds& other) const {
        return std::equal(begin(), end(), other.begin(), other.end());
    }

  private:
    std::array<EValueKind, kInline> m_arrInline{};
    std::vector<EValueKind> m_vecWide;  // all entries, once a row is wider than kInline
    std::size_t m_nSize = 0;
};
