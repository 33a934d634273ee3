// cli/CProgressBar.h
#pragma once

#include <string>

// A one-line progress bar on stderr, drawn only when stderr is a terminal.
class CProgressBar {
  public:
    CProgressBar();
    ~CProgressBar();
    void Show(int nPercent, const std::string& strPhase);
    void Finish();

  private:
    bool m_bEnabled = false;
    bool m_bDrawn = false;
    int m_nLastPercent = -1;
    std::string m_strLastPhase;
};
