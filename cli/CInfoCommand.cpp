// cli/CInfoCommand.cpp
#include "cli/CInfoCommand.h"

#include <cstdio>
#include <map>

#include "cli/CCliOptions.h"
#include "cli/CDamageReport.h"
#include "cli/CJsonWriter.h"
#include "cli/ExitCodes.h"
#include "engine/core/CFormatProbe.h"

const char* CInfoCommand::Help() {
    return "usage: ambermill-cli info FILE [--json] [--damage]\n"
           "  Prints the database name, the version stamp, the engine it selects, the page count,\n"
           "  the number of data pages per object id and what the page scan finds damaged: pages\n"
           "  with damaged headers, torn pages (their saved bits are put back), stray pages, a "
           "cut\n"
           "  tail, the file header and boot pages. --damage lists each piece (in --json as a\n"
           "  \"damage\" array). Exit 0 for any data file, 2 for a file that is none.\n";
}

int CInfoCommand::Run(const std::vector<std::string>& vecArgs) {
    CCliOptions options(vecArgs, {"json", "help", "damage"}, {});
    if (auto nExit = options.Preflight("info", Help(), 1, "expected one FILE"))
        return *nExit;
    const std::string& strPath = options.Positionals()[0];
    CFormatProbe::SResult probe = CFormatProbe::Probe(strPath);
    if (!probe.bOk) {
        std::fprintf(stderr, "ambermill-cli: %s\n", probe.strError.c_str());
        return kExitBadInput;
    }

    CDamageReport damage;
    for (const SDamage& record : probe.vecDamage)
        damage.Log().Report(record);
    const std::string& strDatabase = probe.strDatabaseName;
    const std::map<std::int32_t, std::uint32_t> mapDataPages =
        CFormatProbe::DataPagesPerObject(strPath, &damage.Log());
    const SDamageSummary summary = damage.Log().Summary();
    const bool bList = options.Has("damage");

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
        json.EndObject().Key("page_damage").BeginObject();
        json.Key("damaged_headers")
            .Number(static_cast<std::int64_t>(summary.Count(EDamageKind::PageHeader)))
            .Key("torn_pages")
            .Number(static_cast<std::int64_t>(summary.Count(EDamageKind::TornPage)))
            .Key("stray_pages")
            .Number(static_cast<std::int64_t>(summary.Count(EDamageKind::StrayPage)));
        json.Key("tail_bytes")
            .Number(probe.nTailBytes)
            .Key("header_page_damaged")
            .Bool(probe.bHeaderPageDamaged)
            .Key("boot_page_damaged")
            .Bool(probe.bBootPageDamaged)
            .Key("name_from_file")
            .Bool(probe.bNameFromFile)
            .EndObject();
        if (bList)
            damage.WriteJson(json);
        json.EndObject();
        std::printf("%s\n", json.Text().c_str());
        return kExitOk;
    }
    std::printf("Database:  %s%s\nVersion:   %u\nEngine:    %s\nPages:     %u\n",
                strDatabase.c_str(), probe.bNameFromFile ? " (the file's name)" : "",
                probe.nVersion, strEngine.c_str(), probe.nPages);
    std::printf("Damage:    %s\n", summary.Empty() ? "none found" : summary.Text().c_str());
    std::printf("  pages with damaged headers: %llu\n",
                static_cast<unsigned long long>(summary.Count(EDamageKind::PageHeader)));
    std::printf("  torn pages:                 %llu\n",
                static_cast<unsigned long long>(summary.Count(EDamageKind::TornPage)));
    std::printf("  stray pages:                %llu\n",
                static_cast<unsigned long long>(summary.Count(EDamageKind::StrayPage)));
    if (probe.nTailBytes > 0) {
        std::printf("  cut tail:                   the file ends %u bytes into page %u\n",
                    probe.nTailBytes, probe.nPages);
    } else {
        std::printf("  cut tail:                   none\n");
    }
    std::printf("  file header page:           %s\n",
                probe.bHeaderPageDamaged ? "damaged" : "sound");
    std::printf("  boot page:                  %s\n", probe.bBootPageDamaged ? "damaged" : "sound");
    if (bList) {
        for (const SDamage& record : damage.Log().Records())
            std::printf("  damage: %s\n", record.Text().c_str());
    }
    std::printf("Data pages per object id:\n");
    for (const auto& [nId, nCount] : mapDataPages)
        std::printf("  %12d  %u\n", nId, nCount);
    return kExitOk;
}
