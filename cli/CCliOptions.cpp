// cli/CCliOptions.cpp
#include "cli/CCliOptions.h"

#include <cstdio>

#include "cli/ExitCodes.h"

CCliOptions::CCliOptions(const std::vector<std::string>& vecArgs,
                         const std::set<std::string>& setSwitches,
                         const std::set<std::string>& setValued) {
    for (std::size_t i = 0; i < vecArgs.size(); ++i) {
        const std::string& strArg = vecArgs[i];
        if (strArg.size() < 2 || strArg.compare(0, 2, "--") != 0) {
            m_vecPositionals.push_back(strArg);
            continue;
        }
        std::string strName = strArg.substr(2);
        std::optional<std::string> value;
        if (auto nEq = strName.find('='); nEq != std::string::npos) {
            value = strName.substr(nEq + 1);
            strName.resize(nEq);
        }
        if (setSwitches.contains(strName) && !value) {
            m_setSeen.insert(strName);
        } else if (setValued.contains(strName)) {
            if (!value) {
                if (i + 1 >= vecArgs.size()) {
                    m_strError = "option --" + strName + " needs a value";
                    return;
                }
                value = vecArgs[++i];
            }
            m_setSeen.insert(strName);
            m_mapValues[strName] = *value;
        } else {
            m_strError = "unknown option " + strArg;
            return;
        }
    }
}

std::optional<std::string> CCliOptions::Value(const std::string& strName) const {
    auto it = m_mapValues.find(strName);
    if (it == m_mapValues.end())
        return std::nullopt;
    return it->second;
}

std::optional<int> CCliOptions::Preflight(const char* pszCommand, const char* pszHelp,
                                          std::size_t nPositionals, const char* pszExpected) const {
    if (Has("help")) {
        std::fputs(pszHelp, stdout);
        return kExitOk;
    }
    if (!Ok() || m_vecPositionals.size() != nPositionals) {
        std::fprintf(stderr, "ambermill-cli %s: %s\n%s", pszCommand,
                     Ok() ? pszExpected : m_strError.c_str(), pszHelp);
        return kExitBadInput;
    }
    return std::nullopt;
}
