// tests/support/RecoveryHelpers.cpp
#include "support/RecoveryHelpers.h"

#include <gtest/gtest.h>

#include <fstream>

#include "engine/binding/EngineFactories.h"
#include "engine/core/CRecoveryMonitor.h"

namespace TestRecovery {

std::unique_ptr<CSQLServerEngine> Recover(const std::filesystem::path& path) {
    auto pEngine = CreateSQLServer2000Engine();
    pEngine->m_strFileName = path.string();
    CRecoveryMonitor monitor(*pEngine);
    EXPECT_TRUE(monitor.Run()) << "recovery of " << path << " did not complete";
    return pEngine;
}

std::unique_ptr<CSQLServerEngine> BuildAndRecover(const fixtures::CDataFileBuilder& builder,
                                                  const std::filesystem::path& folder) {
    std::filesystem::path path = folder / "built.mdf";
    builder.WriteTo(path);
    return Recover(path);
}

std::vector<std::string> LogMessages(const std::filesystem::path& logFile) {
    std::ifstream in(logFile, std::ios::binary);
    std::vector<std::string> vecLines;
    std::string strLine;
    while (std::getline(in, strLine)) {
        if (!strLine.empty() && strLine.back() == '\r')
            strLine.pop_back();
        auto nPos = strLine.find("MSG:");
        if (nPos != std::string::npos)
            vecLines.push_back(strLine.substr(nPos + 4));
    }
    return vecLines;
}

}  // namespace TestRecovery
