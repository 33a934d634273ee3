// common/SettingsFile.h
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "common/Export.h"

// sql.settings: lines of key=value. The key is the text before the first '='.
class AMBERMILL_API CSettingsFile {
  public:
    // Value of the first line whose key is exactly strKey. std::nullopt when the key is missing;
    // bFileFound tells a missing file apart from a missing key (the callers treat them
    // differently).
    static std::optional<std::string> ReadValue(const std::filesystem::path& path,
                                                const std::string& strKey,
                                                bool* pbFileFound = nullptr);
    // Leading decimal digits after optional blanks and a sign, as atoi reads them; 0 without
    // digits.
    static long LeadingInteger(const std::string& strText);
};
