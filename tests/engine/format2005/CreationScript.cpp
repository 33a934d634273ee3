// tests/engine/format2005/CreationScript.cpp
#include "CreationScript.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <sstream>

namespace CreationScript {
namespace {
std::string Lower(std::string strText) {
    std::transform(strText.begin(), strText.end(), strText.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return strText;
}

void SkipSpace(const std::string& s, std::size_t& i) {
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
}

// One identifier: "quoted", [bracketed] or bare; a schema prefix (dbo.) is dropped.
std::string Identifier(const std::string& s, std::size_t& i) {
    std::string strName;
    while (true) {
        SkipSpace(s, i);
        strName.clear();
        if (i < s.size() && (s[i] == '"' || s[i] == '[')) {
            const char cEnd = s[i] == '"' ? '"' : ']';
            const std::size_t nEnd = s.find(cEnd, i + 1);
            strName = s.substr(i + 1, nEnd - i - 1);
            i = nEnd + 1;
        } else {
            while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_'))
                strName += s[i++];
        }
        if (i < s.size() && s[i] == '.') {
            ++i;
            continue;
        }
        return strName;
    }
}

// The column definitions of a table body, split at top-level commas.
std::vector<std::string> Elements(const std::string& strBody) {
    std::vector<std::string> vecParts;
    int nDepth = 0;
    std::string strPart;
    for (char c : strBody) {
        if (c == '(')
            ++nDepth;
        if (c == ')')
            --nDepth;
        if (c == ',' && nDepth == 0) {
            vecParts.push_back(strPart);
            strPart.clear();
        } else {
            strPart += c;
        }
    }
    vecParts.push_back(strPart);
    return vecParts;
}
}  // namespace

std::vector<STable> Tables(const std::filesystem::path& script) {
    std::ifstream in(script, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    const std::string strText = buffer.str();
    const std::string strLower = Lower(strText);

    std::vector<STable> vecTables;
    std::size_t nAt = 0;
    while ((nAt = strLower.find("create table", nAt)) != std::string::npos) {
        std::size_t i = nAt + 12;
        STable table;
        table.strName = Identifier(strText, i);
        const std::size_t nOpen = strText.find('(', i);
        int nDepth = 0;
        std::size_t nClose = nOpen;
        for (; nClose < strText.size(); ++nClose) {
            if (strText[nClose] == '(')
                ++nDepth;
            if (strText[nClose] == ')' && --nDepth == 0)
                break;
        }
        for (const std::string& strElement :
             Elements(strText.substr(nOpen + 1, nClose - nOpen - 1))) {
            std::size_t j = 0;
            SkipSpace(strElement, j);
            const std::string strRest = Lower(strElement.substr(j));
            if (strRest.empty() || strRest.rfind("constraint", 0) == 0 ||
                strRest.rfind("primary", 0) == 0)
                continue;
            SColumn column;
            column.strName = Identifier(strElement, j);
            column.strType = Lower(Identifier(strElement, j));
            SkipSpace(strElement, j);
            if (j < strElement.size() && strElement[j] == '(') {
                column.nSize = std::stoi(strElement.substr(j + 1));
            }
            // Options before any named constraint: NOT NULL, IDENTITY.
            std::string strOptions = Lower(strElement.substr(j));
            strOptions = strOptions.substr(0, strOptions.find("constraint"));
            column.bNullable = strOptions.find("not null") == std::string::npos;
            const std::size_t nIdentity = strOptions.find("identity");
            column.bIdentity = nIdentity != std::string::npos;
            const std::size_t nOpen = column.bIdentity ? strOptions.find('(', nIdentity) : 0;
            if (column.bIdentity && nOpen != std::string::npos &&
                strOptions.find_first_not_of(" ", nIdentity + 8) == nOpen) {
                column.nSeed = std::stol(strOptions.substr(nOpen + 1));
                column.nIncrement = std::stol(strOptions.substr(strOptions.find(',', nOpen) + 1));
            }
            table.vecColumns.push_back(column);
        }
        vecTables.push_back(std::move(table));
        nAt = nClose;
    }
    return vecTables;
}

}  // namespace CreationScript
