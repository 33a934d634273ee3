// common/StrTok.cpp
#include "common/StrTok.h"

#include <cstring>

void CStrTok::Restore() {
    if (m_pSavedAt)
        *m_pSavedAt = m_chSaved;
    m_pSavedAt = nullptr;
    m_chSaved = 0;
}

char* CStrTok::Start(char* pBuffer, const char* pszDelims) {
    Restore();
    m_pPos = pBuffer;
    m_pBufferStart = pBuffer;
    return Next(pszDelims);
}

char* CStrTok::Next(const char* pszDelims) {
    if (!m_pPos)
        return nullptr;
    const bool bHadSaved = m_pSavedAt != nullptr;
    Restore();
    char* pStart = m_pPos;
    char* pEnd = nullptr;
    if (m_bDelimIsString) {
        const std::size_t nDelim = std::strlen(pszDelims);
        if (nDelim == 0) {
            pEnd = pStart + std::strlen(pStart);
        } else if (!m_bReturnDelims) {
            while (std::strncmp(pStart, pszDelims, nDelim) == 0) {
                pStart += nDelim;
                if (m_bSingleDelim)
                    break;
            }
            char* pNext = std::strstr(pStart, pszDelims);
            pEnd = pNext ? pNext : pStart + std::strlen(pStart);
        } else if (std::strncmp(pStart, pszDelims, nDelim) == 0) {
            pEnd = pStart + nDelim;
        } else {
            char* pNext = std::strstr(pStart, pszDelims);
            pEnd = pNext ? pNext : pStart + std::strlen(pStart);
        }
    } else {
        auto isDelim = [&](char ch) { return ch != '\0' && std::strchr(pszDelims, ch) != nullptr; };
        if (!m_bReturnDelims) {
            if (m_bSingleDelim) {
                if (bHadSaved && isDelim(*pStart))
                    ++pStart;
            } else {
                while (isDelim(*pStart))
                    ++pStart;
            }
            pEnd = pStart;
            while (*pEnd && !isDelim(*pEnd))
                ++pEnd;
        } else if (isDelim(*pStart)) {
            pEnd = pStart + 1;
        } else {
            pEnd = pStart;
            while (*pEnd && !isDelim(*pEnd))
                ++pEnd;
        }
    }

    if (*pEnd == '\0') {
        m_pPos = nullptr;  // the token runs to the end of the buffer
    } else {
        m_pSavedAt = pEnd;
        m_chSaved = *pEnd;
        *pEnd = '\0';
        m_pPos = pEnd;
    }
    if (*pStart == '\0' && !m_bSingleDelim)
        return nullptr;
    return pStart;
}

char* CStrTok::SkipLeading(char* p, const char* pszSet) {
    while (p && *p && std::strchr(pszSet, *p))
        ++p;
    return p;
}

void CStrTok::TrimTrailing(const char* pszSet) {
    if (!m_pPos || m_pPos == m_pBufferStart)
        return;
    for (char* p = m_pPos - 1; p >= m_pBufferStart && *p && std::strchr(pszSet, *p); --p) {
        *p = '\0';
        if (p == m_pBufferStart)
            break;
    }
}
