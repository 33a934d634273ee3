// app/export/job/CConnectString.cpp
#include "app/export/job/CConnectString.h"

std::string CConnectString::Value(const std::string& strValue) {
    const bool bPlain = strValue.find_first_of(";{}=") == std::string::npos &&
                        (strValue.empty() || (strValue.front() != ' ' && strValue.back() != ' '));
    if (bPlain)
        return strValue;
    std::string strQuoted = "{";
    for (char ch : strValue) {
        strQuoted.push_back(ch);
        if (ch == '}')
            strQuoted.push_back('}');
    }
    strQuoted.push_back('}');
    return strQuoted;
}

std::string CConnectString::Build(const std::string& strServer, const std::string& strUser,
                                  const std::string& strPassword, const std::string& strDatabase) {
    std::string strConnect = "DRIVER=SQL SERVER;SERVER=" + Value(strServer) +
                             ";UID=" + Value(strUser) + ";PWD=" + Value(strPassword);
    if (!strDatabase.empty())
        strConnect += ";DATABASE=" + Value(strDatabase);
    return strConnect;
}

std::string CConnectString::Masked(std::string strText, const std::string& strSecret) {
    if (strSecret.empty())
        return strText;
    for (std::size_t nAt = strText.find(strSecret); nAt != std::string::npos;
         nAt = strText.find(strSecret, nAt + 3)) {
        strText.replace(nAt, strSecret.size(), "***");
    }
    return strText;
}
