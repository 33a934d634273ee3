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

std::string ReadScript(const std::filesystem::path& script) {
    std::ifstream in(script, std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

// The next bare word at i, lower case (empty at a quote, bracket or punctuation).
std::string Word(const std::string& s, std::size_t& i) {
    SkipSpace(s, i);
    std::string strWord;
    while (i < s.size() && (std::isalnum(static_cast<unsigned char>(s[i])) || s[i] == '_'))
        strWord += static_cast<char>(std::tolower(static_cast<unsigned char>(s[i++])));
    return strWord;
}

// The text between the parenthesis at or after i and its match; i moves past the match.
std::string Parenthesized(const std::string& s, std::size_t& i) {
    const std::size_t nOpen = s.find('(', i);
    if (nOpen == std::string::npos) {
        i = s.size();
        return {};
    }
    int nDepth = 0;
    std::size_t nClose = nOpen;
    for (; nClose < s.size(); ++nClose) {
        if (s[nClose] == '(')
            ++nDepth;
        if (s[nClose] == ')' && --nDepth == 0)
            break;
    }
    i = nClose + 1;
    return s.substr(nOpen + 1, nClose - nOpen - 1);
}

std::vector<std::pair<std::string, bool>> ColumnList(const std::string& strList) {
    std::vector<std::pair<std::string, bool>> vecColumns;
    for (const std::string& strPart : Elements(strList)) {
        std::size_t j = 0;
        std::string strName = Identifier(strPart, j);
        vecColumns.emplace_back(strName, Word(strPart, j) == "desc");
    }
    return vecColumns;
}

bool IsWordAt(const std::string& strLower, std::size_t nAt, std::size_t nLength) {
    auto isName = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; };
    return (nAt == 0 || !isName(strLower[nAt - 1])) &&
           (nAt + nLength >= strLower.size() || !isName(strLower[nAt + nLength]));
}
}  // namespace

std::vector<SConstraint> Constraints(const std::filesystem::path& script) {
    const std::string strText = ReadScript(script);
    const std::string strLower = Lower(strText);
    // The table a constraint belongs to: the last CREATE TABLE or ALTER TABLE before it.
    auto owner = [&](std::size_t nAt) {
        const std::size_t nCreate = strLower.rfind("create table", nAt);
        const std::size_t nAlter = strLower.rfind("alter table", nAt);
        std::size_t i = 0;
        if (nCreate != std::string::npos && (nAlter == std::string::npos || nCreate > nAlter))
            i = nCreate + 12;
        else if (nAlter != std::string::npos)
            i = nAlter + 11;
        else
            return std::string();
        return Identifier(strText, i);
    };

    std::vector<SConstraint> vecConstraints;
    for (std::size_t nAt = 0; (nAt = strLower.find("constraint", nAt)) != std::string::npos;
         nAt += 10) {
        if (!IsWordAt(strLower, nAt, 10))
            continue;
        std::size_t i = nAt + 10;
        SConstraint constraint;
        constraint.strTable = owner(nAt);
        constraint.strName = Identifier(strText, i);
        const std::string strKind = Word(strText, i);
        if (strKind == "primary" || strKind == "unique") {
            constraint.eKind =
                strKind == "primary" ? SConstraint::EKind::PrimaryKey : SConstraint::EKind::Unique;
            if (strKind == "primary")
                Word(strText, i);  // KEY
            std::size_t j = i;
            const std::string strNext = Word(strText, j);
            constraint.bClustered = strKind == "primary";
            if (strNext == "clustered" || strNext == "nonclustered") {
                constraint.bClustered = strNext == "clustered";
                i = j;
            }
            constraint.vecColumns = ColumnList(Parenthesized(strText, i));
        } else if (strKind == "foreign") {
            constraint.eKind = SConstraint::EKind::ForeignKey;
            constraint.vecColumns = ColumnList(Parenthesized(strText, i));
            Word(strText, i);  // REFERENCES
            constraint.strReferencedTable = Identifier(strText, i);
            for (const auto& [strName, bDescending] : ColumnList(Parenthesized(strText, i)))
                constraint.vecReferencedColumns.push_back(strName);
        } else if (strKind == "check") {
            constraint.eKind = SConstraint::EKind::Check;
            constraint.strCheck = Parenthesized(strText, i);
        } else {
            continue;  // DEFAULT, or CHECK CONSTRAINT ALL
        }
        vecConstraints.push_back(std::move(constraint));
    }
    for (std::size_t nAt = 0; (nAt = strLower.find("create ", nAt)) != std::string::npos;
         nAt += 7) {
        std::size_t i = nAt + 7;
        SConstraint index;
        std::string strWord = Word(strText, i);
        if (strWord == "unique") {
            index.bUnique = true;
            strWord = Word(strText, i);
        }
        if (strWord == "clustered" || strWord == "nonclustered") {
            index.bClustered = strWord == "clustered";
            strWord = Word(strText, i);
        }
        if (strWord != "index")
            continue;
        index.strName = Identifier(strText, i);
        Word(strText, i);  // ON
        index.strTable = Identifier(strText, i);
        index.vecColumns = ColumnList(Parenthesized(strText, i));
        vecConstraints.push_back(std::move(index));
    }
    return vecConstraints;
}

std::vector<STable> Tables(const std::filesystem::path& script) {
    const std::string strText = ReadScript(script);
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
