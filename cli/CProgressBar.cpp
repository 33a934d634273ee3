// cli/CProgressBar.cpp
#include "cli/CProgressBar.h"

#include <unistd.h>

#include <cstdio>

CProgressBar::CProgressBar() : m_bEnabled(::isatty(STDERR_FILENO) == 1) {}

CProgressBar::~CProgressBar() {
    Finish();
}

void CProgressBar::Show(int nPercent, const std::string& strPhase) {
    if (!m_bEnabled || (nPercent == m_nLastPercent && strPhase == m_strLastPhase))
        return;
    m_nLastPercent = nPercent;
    m_strLastPhase = strPhase;
    constexpr int kWidth = 30;
    int nFilled = nPercent * kWidth / 100;
    std::string strBar(static_cast<std::size_t>(nFilled), '#');
    strBar.append(static_cast<std::size_t>(kWidth - nFilled), '.');
    std::fprintf(stderr, "\r[%s] %3d%%  %-40.40s", strBar.c_str(), nPercent, strPhase.c_str());
    std::fflush(stderr);
    m_bDrawn = true;
}

void CProgressBar::Finish() {
    if (m_bDrawn) {
        std::fprintf(stderr, "\r%80s\r", "");
        std::fflush(stderr);
        m_bDrawn = false;
    }
}
