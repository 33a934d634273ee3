// common/StrTok.h
#pragma once

#include "common/Export.h"

// A re-entrant tokenizer over a caller-owned, writable, zero-terminated buffer. Each cut writes a
// terminating zero into the buffer and remembers the character it overwrote; the next call (or
// Start) puts it back, so the buffer is whole again once tokenizing has moved on.
// REQUIRES: the buffer outlives the tokenizer's use of it.
class AMBERMILL_API CStrTok {
  public:
    static constexpr const char* kDefaultSet = " \t\r\n";

    bool m_bReturnDelims = false;   // delimiters come back as tokens of their own
    bool m_bSingleDelim = false;    // skip one delimiter only; empty tokens are returned
    bool m_bDelimIsString = false;  // the delimiters form one string rather than a set

    // Restarts on a new buffer and returns its first token (or nullptr).
    char* Start(char* pBuffer, const char* pszDelims);
    // The next token, or nullptr at the end (and for an empty token unless m_bSingleDelim).
    char* Next(const char* pszDelims);

    // Advances p over characters of the set.
    static char* SkipLeading(char* p, const char* pszSet = kDefaultSet);
    // Overwrites characters of the set with zeros, backwards from the character before the
    // position.
    void TrimTrailing(const char* pszSet = kDefaultSet);

  private:
    void Restore();

    char* m_pPos = nullptr;
    char* m_pSavedAt = nullptr;
    char m_chSaved = 0;
    const char* m_pBufferStart = nullptr;
};
