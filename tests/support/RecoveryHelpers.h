// tests/support/RecoveryHelpers.h
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/core/CSQLServerEngine.h"
#include "fixtures/CDataFileBuilder.h"

namespace TestRecovery {

// A whole recovery of a data file through the engine's thread, answering every hand-shake.
// Fails the current test when the recovery does not complete.
std::unique_ptr<CSQLServerEngine> Recover(const std::filesystem::path& path);

// Writes the builder's file into the folder and recovers it.
std::unique_ptr<CSQLServerEngine> BuildAndRecover(const fixtures::CDataFileBuilder& builder,
                                                  const std::filesystem::path& folder);

// Lines of a log file ("Code:...  MSG:text" -> "text").
std::vector<std::string> LogMessages(const std::filesystem::path& logFile);

}  // namespace TestRecovery
