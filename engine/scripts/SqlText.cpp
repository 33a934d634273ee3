// engine/scripts/SqlText.cpp
#include "engine/scripts/SqlText.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <regex>

namespace {
bool IsLineBreak(char ch) {
    return ch == '\r' || ch == '\n';
}

bool IsWordCharacter(char ch) {
    return std::isalnum(static_cast<unsigned char>(ch)) != 0 || ch == '_';
}

bool StartsWithWord(std::string_view strText, std::string_view strWord) {
    if (strText.size() < strWord.size())
        return false;
    for (std::size_t i = 0; i < strWord.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(strText[i])) != strWord[i])
            return false;
    }
    return strText.size() == strWord.size() || !IsWordCharacter(strText[strWord.size()]);
}

void AppendDoubled(std::string_view strText, std::string& strOut) {
    for (;;) {
        const auto nQuote = strText.find('\'');
        if (nQuote == std::string_view::npos)
            break;
        strOut.append(strText.data(), nQuote + 1);
        strOut.push_back('\'');
        strText.remove_prefix(nQuote + 1);
    }
    strOut.append(strText);
}
}  // namespace

namespace SqlText {

std::string ScriptName(std::string_view strName) {
    std::string strText(strName);
    for (char& ch : strText) {
        if (IsLineBreak(ch))
            ch = '_';
    }
    return strText;
}

bool NeedsRenaming(std::string_view strName) {
    return strName.find_first_of("\r\n") != std::string_view::npos;
}

std::string Bracket(std::string_view strName) {
    std::string strText = "[";
    for (char ch : strName) {
        strText.push_back(IsLineBreak(ch) ? '_' : ch);
        if (ch == ']')
            strText.push_back(']');
    }
    strText.push_back(']');
    return strText;
}

std::string Quote(std::string_view strText) {
    std::string strQuoted;
    AppendQuoted(strText, strQuoted, true);
    return strQuoted;
}

bool IsRunnerCommand(std::string_view strLine) {
    while (!strLine.empty() && (strLine.front() == ' ' || strLine.front() == '\t'))
        strLine.remove_prefix(1);
    if (strLine.empty())
        return false;
    if (strLine.front() == ':' || strLine.starts_with("!!"))
        return true;
    for (std::string_view strWord : {"go", "exit", "quit", "reset", "ed"}) {
        if (StartsWithWord(strLine, strWord))
            return true;
    }
    return false;
}

void AppendQuoted(std::string_view strText, std::string& strOut, bool bScript) {
    strOut.push_back('\'');
    const bool bLines = bScript && (std::memchr(strText.data(), '\n', strText.size()) != nullptr ||
                                    std::memchr(strText.data(), '\r', strText.size()) != nullptr);
    if (!bLines) {
        AppendDoubled(strText, strOut);
        strOut.push_back('\'');
        return;
    }
    std::size_t nPos = 0;
    while (nPos < strText.size()) {
        const std::size_t nBreak = strText.find_first_of("\r\n", nPos);
        if (nBreak == std::string_view::npos) {
            AppendDoubled(strText.substr(nPos), strOut);
            break;
        }
        AppendDoubled(strText.substr(nPos, nBreak - nPos), strOut);
        std::size_t nLine = nBreak;
        while (nLine < strText.size() && IsLineBreak(strText[nLine]))
            ++nLine;
        const std::size_t nLineEnd = std::min(strText.find_first_of("\r\n", nLine), strText.size());
        if (IsRunnerCommand(strText.substr(nLine, nLineEnd - nLine))) {
            strOut.push_back('\'');
            for (std::size_t i = nBreak; i < nLine; ++i)
                strOut += strText[i] == '\r' ? "+CHAR(13)" : "+CHAR(10)";
            strOut += "+'";
        } else {
            strOut.append(strText.substr(nBreak, nLine - nBreak));
        }
        nPos = nLine;
    }
    strOut.push_back('\'');
}

std::string QualifiedName(std::string_view strSchema, std::string_view strName) {
    if (strSchema.empty())
        return Bracket(strName);
    return Bracket(strSchema) + "." + Bracket(strName);
}

std::string EnsureSchema(std::string_view strSchema) {
    if (strSchema.empty() || strSchema == "dbo")
        return {};
    return "IF SCHEMA_ID(" + Quote(strSchema) + ") IS NULL EXEC(" +
           Quote("CREATE SCHEMA " + Bracket(strSchema)) + ")";
}

std::string WithSchema(const std::string& strText, std::string_view strSchema) {
    if (strSchema.empty() || strSchema == "dbo")
        return strText;
    static const std::regex kCreate(
        R"(\bcreate\s+(procedure|proc|view|function|trigger|rule|default)\s+)", std::regex::icase);
    std::smatch match;
    if (!std::regex_search(strText, match, kCreate))
        return strText;
    const std::size_t nStart = static_cast<std::size_t>(match.position(0) + match.length(0));
    std::size_t nEnd = nStart;
    std::string strName;
    if (nStart < strText.size() && (strText[nStart] == '[' || strText[nStart] == '"')) {
        const char chClose = strText[nStart] == '[' ? ']' : '"';
        nEnd = nStart + 1;
        while (nEnd < strText.size()) {
            if (strText[nEnd] == chClose) {
                // A doubled closing character stands for itself.
                if (nEnd + 1 < strText.size() && strText[nEnd + 1] == chClose) {
                    strName.push_back(chClose);
                    nEnd += 2;
                    continue;
                }
                break;
            }
            strName.push_back(strText[nEnd++]);
        }
        if (nEnd >= strText.size())
            return strText;
        ++nEnd;
    } else {
        while (nEnd < strText.size() &&
               (std::isalnum(static_cast<unsigned char>(strText[nEnd])) != 0 ||
                strText[nEnd] == '_' || strText[nEnd] == '@' || strText[nEnd] == '#' ||
                strText[nEnd] == '$'))
            strName.push_back(strText[nEnd++]);
    }
    std::size_t nAfter = nEnd;
    while (nAfter < strText.size() && std::isspace(static_cast<unsigned char>(strText[nAfter])))
        ++nAfter;
    if (strName.empty() || (nAfter < strText.size() && strText[nAfter] == '.'))
        return strText;  // no name found, or a name that is already qualified
    return strText.substr(0, nStart) + QualifiedName(strSchema, strName) + strText.substr(nEnd);
}

}  // namespace SqlText
