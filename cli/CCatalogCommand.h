// cli/CCatalogCommand.h
#pragma once

#include <string>
#include <vector>

class CSQLServerEngine;

// ambermill-cli catalog FILE [--json] [--text]: the recovered catalog.
// ambermill-cli user-types FILE: the sp_addtype statements of the user data types.
class CCatalogCommand {
  public:
    static int Run(const std::vector<std::string>& vecArgs);
    static int RunUserTypes(const std::vector<std::string>& vecArgs);
    static const char* Help();
    static const char* UserTypesHelp();

    // The whole catalog as JSON (also used by tests comparing scan files with data files).
    static std::string CatalogJson(const CSQLServerEngine& engine, std::uint32_t nPages,
                                   int nVersion);
};
