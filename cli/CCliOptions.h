// cli/CCliOptions.h
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

// Command-line arguments of one command: positionals, switches (--json) and valued options
// (--page 3, --page=3). Unknown options are reported, not ignored.
class CCliOptions {
  public:
    // vecValued names the options that take a value; vecSwitches those that do not.
    CCliOptions(const std::vector<std::string>& vecArgs, const std::set<std::string>& setSwitches,
                const std::set<std::string>& setValued);

    bool Ok() const { return m_strError.empty(); }
    const std::string& Error() const { return m_strError; }
    const std::vector<std::string>& Positionals() const { return m_vecPositionals; }
    bool Has(const std::string& strName) const { return m_setSeen.contains(strName); }
    std::optional<std::string> Value(const std::string& strName) const;

    // The start every command shares: --help prints pszHelp (exit 0); an unknown option or a
    // positional count other than nPositionals prints the problem and the help (exit 2).
    // std::nullopt when the command should run.
    std::optional<int> Preflight(const char* pszCommand, const char* pszHelp,
                                 std::size_t nPositionals, const char* pszExpected) const;

  private:
    std::vector<std::string> m_vecPositionals;
    std::set<std::string> m_setSeen;
    std::map<std::string, std::string> m_mapValues;
    std::string m_strError;
};
