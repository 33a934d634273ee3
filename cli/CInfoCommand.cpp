// cli/CInfoCommand.cpp
#include "cli/CInfoCommand.h"

#include <cstdio>
#include <map>

#include "cli/CCliOptions.h"
#include "cli/CJsonWriter.h"
#include "cli/ExitCodes.h"
#include "engine/core/CFormatProbe.h"

const char* CInfoCommand::Help() {
    return "usage: ambermill-cli info FILE [--json]\n"
           "  Prints the database name, the version stamp, the engine it selects, the page count\n"
           "  and the number of data pages per object id.\n";
}

int CInfoCommand::Run(const std::vector<std::string>& vecArgs) {
    CCliOptions options(vecArgs, {"json", "help"}, {});
    if (auto nExit = options.Preflight("info", Help(), 1, "expected one FILE"))
        return *nExit;
    const std::string& strPath = options.Positionals()[0];
    CFormatProbe::SResult probe = CFormatProbe::Probe(strPath);
    if (!probe.bOk) {
        std::fprintf(stderr, "ambermill-cli: %s\n", probe.strError.c_str());
        return kExitBadInput;
    }

    const std::string& strDatabase = probe.strDatabaseName;
    const std::map<std::int32_t, std::uint32_t> mapDataPages =
        CFormatProbe::DataPagesPerObject(strPath);

    const std::string strEngine = CFormatProbe::FormatName(probe.eFormat);
    if (options.Has("json")) {
        CJsonWriter json;
        json.BeginObject()
            .Key("database")
            .String(strDatabase)
            .Key("version")
            .Number(probe.nVersion);
        json.Key("engine")
            .String(strEngine)
            .Key("pages")
            .Number(probe.nPages)
            .Key("data_pages")
            .BeginObject();
        for (const auto& [nId, nCount] : mapDataPages)
            json.Key(std::to_string(nId)).Number(nCount);
        json.EndObject().EndObject();
        std::printf("%s\n", json.Text().c_str());
        return kExitOk;
    }
    std::printf("Database:  %s\nVersion:   %u\nEngine:    %s\nPages:     %u\n", strDatabase.c_str(),
                probe.nVersion, strEngine.c_str(), probe.nPages);
    std::printf("Data pages per object id:\n");
    for (const auto& [nId, nCount] : mapDataPages)
        std::printf("  %12d  %u\n", nId, nCount);
    return kExitOk;
}
