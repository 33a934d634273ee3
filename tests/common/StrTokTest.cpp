// tests/common/StrTokTest.cpp
// The tokenizer restores the buffer behind it and honours its three switches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/StrTok.h"

namespace {
std::vector<std::string> All(CStrTok& tok, std::string& strBuffer, const char* pszDelims) {
    std::vector<std::string> vecTokens;
    for (char* p = tok.Start(strBuffer.data(), pszDelims); p; p = tok.Next(pszDelims))
        vecTokens.emplace_back(p);
    return vecTokens;
}
}  // namespace

TEST(StrTok, CharacterSetsSkipRunsOrSingleDelimiters) {
    std::string strBuffer = "a,,b, c";
    CStrTok tok;
    EXPECT_EQ(All(tok, strBuffer, ", "), (std::vector<std::string>{"a", "b", "c"}));
    tok.Start(strBuffer.data(), "|");  // a restart puts the last cut character back
    EXPECT_EQ(strBuffer, "a,,b, c");

    CStrTok single;
    single.m_bSingleDelim = true;
    std::string strFields = "1,,3";
    EXPECT_EQ(All(single, strFields, ","), (std::vector<std::string>{"1", "", "3"}));

    CStrTok delims;
    delims.m_bReturnDelims = true;
    std::string strExpr = "a+b";
    EXPECT_EQ(All(delims, strExpr, "+"), (std::vector<std::string>{"a", "+", "b"}));
}

TEST(StrTok, StringDelimiterCutsRowValues) {
    std::string strRow = "1$#$O'Brien$#$$#$x";
    CStrTok tok;
    tok.m_bDelimIsString = true;
    tok.m_bSingleDelim = true;
    EXPECT_EQ(All(tok, strRow, "$#$"), (std::vector<std::string>{"1", "O'Brien", "", "x"}));
    EXPECT_EQ(strRow, "1$#$O'Brien$#$$#$x");

    CStrTok returning;
    returning.m_bDelimIsString = true;
    returning.m_bReturnDelims = true;
    std::string strText = "ab#&#cd";
    EXPECT_EQ(All(returning, strText, "#&#"), (std::vector<std::string>{"ab", "#&#", "cd"}));
}

TEST(StrTok, SkipAndTrimBlanks) {
    std::string strText = "  word  ,rest";
    EXPECT_STREQ(CStrTok::SkipLeading(strText.data()), "word  ,rest");
    CStrTok tok;
    char* p = tok.Start(strText.data(), ",");
    tok.TrimTrailing();
    EXPECT_STREQ(CStrTok::SkipLeading(p), "word");
}
