// common/SettingsFile.cpp
#include "common/SettingsFile.h"

#include <fstream>
#include <limits>

std::optional<std::string> CSettingsFile::ReadValue(const std::filesystem::path& path,
                                                    const std::string& strKey, bool* pbFileFound) {
    std::ifstream in(path);
    if (pbFileFound)
        *pbFileFound = static_cast<bool>(in);
    if (!in)
        return std::nullopt;
    std::string strLine;
    while (std::getline(in, strLine)) {
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        auto nEq = strLine.find('=');
        if (nEq == std::string::npos)
            continue;
        if (strLine.compare(0, nEq, strKey) == 0 && nEq == strKey.size())
            return strLine.substr(nEq + 1);
    }
    return std::nullopt;
}

long CSettingsFile::LeadingInteger(const std::string& strText) {
    std::size_t i = 0;
    while (i < strText.size() && (strText[i] == ' ' || strText[i] == '\t'))
        ++i;
    bool bNegative = false;
    if (i < strText.size() && (strText[i] == '+' || strText[i] == '-'))
        bNegative = strText[i++] == '-';
    long nValue = 0;
    for (; i < strText.size() && strText[i] >= '0' && strText[i] <= '9'; ++i) {
        if (nValue > (std::numeric_limits<long>::max() - 9) / 10)
            break;  // saturate rather than overflow
        nValue = nValue * 10 + (strText[i] - '0');
    }
    return bNegative ? -nValue : nValue;
}
