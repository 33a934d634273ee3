// engine/scripts/SqlText.cpp
#include "engine/scripts/SqlText.h"

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

}  // namespace SqlText
