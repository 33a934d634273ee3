// engine/scripts/SqlText.cpp
#include "engine/scripts/SqlText.h"

#include <cctype>
#include <regex>

namespace SqlText {

std::string Bracket(std::string_view strName) {
    std::string strText = "[";
    for (char ch : strName) {
        strText.push_back(ch);
        if (ch == ']')
            strText.push_back(']');
    }
    strText.push_back(']');
    return strText;
}

std::string Quote(std::string_view strText) {
    std::string strQuoted = "'";
    for (char ch : strText) {
        strQuoted.push_back(ch);
        if (ch == '\'')
            strQuoted.push_back('\'');
    }
    strQuoted.push_back('\'');
    return strQuoted;
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
