// cli/CCatalogCommand.cpp
#include "cli/CCatalogCommand.h"

#include <cstdio>

#include "cli/CCliOptions.h"
#include "cli/CDamageReport.h"
#include "cli/CJsonWriter.h"
#include "cli/CRecoveredSource.h"
#include "cli/ExitCodes.h"
#include "common/ScriptFile.h"
#include "engine/records/CTypeTable.h"
#include "engine/scripts/CUserTypeScript.h"

namespace {
const char* SystemTableName(const std::string& strKey, bool bHiddenBaseTables) {
    // The catalog of the 2005 and later formats lives in hidden base tables.
    static const std::pair<const char*, const char*> kLater[] = {
        {"3", "sysrscols"},     {"4", "sysrowsetcolumns"}, {"5", "sysrowsets"},
        {"7", "sysallocunits"}, {"13", "syshobtcolumns"},  {"34", "sysschobjs"},
        {"41", "syscolpars"},   {"50", "sysscalartypes"},  {"54", "sysidxstats"},
        {"55", "sysiscols"},    {"60", "sysobjvalues"},    {"64", "sysclsobjs"}};
    static const std::pair<const char*, const char*> k2000[] = {
        {"1", "sysobjects"}, {"3", "syscolumns"}, {"4", "systypes"}, {"6", "syscomments"}};
    if (bHiddenBaseTables) {
        for (const auto& [szKey, szName] : kLater) {
            if (strKey == szKey)
                return szName;
        }
    } else {
        for (const auto& [szKey, szName] : k2000) {
            if (strKey == szKey)
                return szName;
        }
    }
    return "system";
}

void WriteObjects(CJsonWriter& json, const char* pszKey, const COrderedMap<CViewStoredProc>& map) {
    json.Key(pszKey).BeginArray();
    for (const auto& [strKey, pObject] : map) {
        json.BeginObject()
            .Key("name")
            .String(pObject->m_strName)
            .Key("id")
            .Number(std::stoll(strKey));
        if (!pObject->m_strSchema.empty())
            json.Key("schema").String(pObject->m_strSchema);
        json.Key("text").String(pObject->m_strText).EndObject();
    }
    json.EndArray();
}

void PrintObjects(const char* pszTitle, const COrderedMap<CViewStoredProc>& map, bool bText) {
    std::printf("%s (%zu):\n", pszTitle, map.Count());
    for (const auto& [strKey, pObject] : map) {
        std::printf("  %s\n", pObject->m_strName.c_str());
        if (bText)
            std::printf("%s\n\n", pObject->m_strText.c_str());
    }
}

void WriteKeyColumns(CJsonWriter& json, const std::vector<CIndexColumn>& vecColumns) {
    json.Key("columns").BeginArray();
    for (const CIndexColumn& column : vecColumns) {
        json.BeginObject()
            .Key("name")
            .String(column.m_strName)
            .Key("descending")
            .Bool(column.m_bDescending)
            .EndObject();
    }
    json.EndArray();
}

void WriteNames(CJsonWriter& json, const char* pszKey, const std::vector<std::string>& vecNames) {
    json.Key(pszKey).BeginArray();
    for (const std::string& strName : vecNames)
        json.String(strName);
    json.EndArray();
}

// The keys, indexes, foreign keys and checks of one table.
void WriteSchemaParts(CJsonWriter& json, const CTable& table) {
    json.Key("keys").BeginArray();
    for (const CKeyConstraint& key : table.m_vecKeys) {
        json.BeginObject()
            .Key("name")
            .String(key.m_strName)
            .Key("type")
            .String(key.m_bPrimaryKey ? "PRIMARY KEY" : "UNIQUE")
            .Key("clustered")
            .Bool(key.m_bClustered);
        WriteKeyColumns(json, key.m_vecColumns);
        json.EndObject();
    }
    json.EndArray().Key("indexes").BeginArray();
    for (const CTableIndex& index : table.m_vecIndexes) {
        json.BeginObject()
            .Key("name")
            .String(index.m_strName)
            .Key("unique")
            .Bool(index.m_bUnique)
            .Key("clustered")
            .Bool(index.m_bClustered)
            .Key("key_index")
            .Bool(index.m_bKeyIndex);
        WriteKeyColumns(json, index.m_vecColumns);
        json.EndObject();
    }
    json.EndArray().Key("foreign_keys").BeginArray();
    for (const CForeignKey& key : table.m_vecForeignKeys) {
        json.BeginObject().Key("name").String(key.m_strName);
        WriteNames(json, "columns", key.m_vecColumns);
        json.Key("referenced_table").String(key.m_strReferencedTable);
        WriteNames(json, "referenced_columns", key.m_vecReferencedColumns);
        json.Key("on_delete")
            .String(CForeignKey::ActionText(key.m_eOnDelete))
            .Key("on_update")
            .String(CForeignKey::ActionText(key.m_eOnUpdate))
            .Key("enabled")
            .Bool(!key.m_bDisabled)
            .EndObject();
    }
    json.EndArray().Key("checks").BeginArray();
    for (const CCheckConstraint& check : table.m_vecChecks) {
        json.BeginObject()
            .Key("name")
            .String(check.m_strName)
            .Key("text")
            .String(check.m_strText)
            .Key("enabled")
            .Bool(!check.m_bDisabled)
            .EndObject();
    }
    json.EndArray();
}

std::string KeyColumnText(const std::vector<CIndexColumn>& vecColumns) {
    std::string strText;
    for (const CIndexColumn& column : vecColumns) {
        if (!strText.empty())
            strText += ", ";
        strText += column.m_strName.empty() ? "?" : column.m_strName;
        if (column.m_bDescending)
            strText += " DESC";
    }
    return strText;
}

std::string NameText(const std::vector<std::string>& vecNames) {
    std::string strText;
    for (const std::string& strName : vecNames)
        strText += (strText.empty() ? "" : ", ") + (strName.empty() ? std::string("?") : strName);
    return strText;
}

void PrintSchemaParts(const CTable& table) {
    for (const CKeyConstraint& key : table.m_vecKeys) {
        std::printf("    %s %s %s (%s)\n", key.m_bPrimaryKey ? "primary key" : "unique",
                    key.m_strName.c_str(), key.m_bClustered ? "clustered" : "nonclustered",
                    KeyColumnText(key.m_vecColumns).c_str());
    }
    for (const CTableIndex& index : table.m_vecIndexes) {
        std::printf("    index %s%s%s (%s)\n", index.m_strName.c_str(),
                    index.m_bUnique ? " unique" : "", index.m_bClustered ? " clustered" : "",
                    KeyColumnText(index.m_vecColumns).c_str());
    }
    for (const CForeignKey& key : table.m_vecForeignKeys) {
        std::printf("    foreign key %s (%s) references %s (%s)", key.m_strName.c_str(),
                    NameText(key.m_vecColumns).c_str(),
                    key.m_strReferencedTable.empty() ? "?" : key.m_strReferencedTable.c_str(),
                    NameText(key.m_vecReferencedColumns).c_str());
        if (key.m_eOnDelete != CForeignKey::EAction::NoAction)
            std::printf(" on delete %s", CForeignKey::ActionText(key.m_eOnDelete));
        if (key.m_eOnUpdate != CForeignKey::EAction::NoAction)
            std::printf(" on update %s", CForeignKey::ActionText(key.m_eOnUpdate));
        std::printf("%s\n", key.m_bDisabled ? " (disabled)" : "");
    }
    for (const CCheckConstraint& check : table.m_vecChecks) {
        std::printf("    check %s %s%s\n", check.m_strName.c_str(), check.m_strText.c_str(),
                    check.m_bDisabled ? " (disabled)" : "");
    }
}

}  // namespace

const char* CCatalogCommand::Help() {
    return "usage: ambermill-cli catalog FILE [--json] [--text] [--damage] [--format F]\n"
           "                             [--data PATH] [--no-progress]\n"
           "  Recovers the catalog of a data file (or loads a scan file) and prints the tables "
           "with\n"
           "  their columns (identity and computed ones marked), keys, indexes, foreign keys and\n"
           "  check constraints, the views, procedures, functions, triggers and rules (--text "
           "adds\n"
           "  their definitions), the defaults and the user types. --json prints everything as\n"
           "  JSON.\n"
           "  --damage lists every piece of damage (in --json as a \"damage\" array); "
           "--format 2000,\n"
           "  2005 or 2008 reads a file whose version stamp is damaged or unknown.\n"
           "  Exit 0 when anything was recovered, 5 when it was but damage was found, 3 when "
           "nothing\n"
           "  was, 2 for an unusable file.\n";
}

const char* CCatalogCommand::UserTypesHelp() {
    return "usage: ambermill-cli user-types FILE [--damage] [--format F] [--data PATH]\n"
           "  Prints the sp_addtype statements of the user data types. Exit as catalog.\n";
}

std::string CCatalogCommand::CatalogJson(const CSQLServerEngine& engine, std::uint32_t nPages,
                                         int nVersion) {
    CJsonWriter json;
    json.BeginObject()
        .Key("database")
        .String(engine.m_strDatabaseName)
        .Key("version")
        .Number(nVersion);
    json.Key("pages").Number(nPages);
    json.Key("tables").BeginArray();
    for (const auto& [strKey, pTable] : engine.m_mapObjects) {
        json.BeginObject()
            .Key("name")
            .String(pTable->m_strName)
            .Key("id")
            .Number(pTable->m_nObjectId);
        if (!pTable->m_strSchema.empty())
            json.Key("schema").String(pTable->m_strSchema);
        if (!pTable->m_strRowsNotRead.empty())
            json.Key("rows_not_read").String(pTable->m_strRowsNotRead);
        json.Key("columns").BeginArray();
        for (const CColumnInfo& column : pTable->m_vecColumns) {
            json.BeginObject()
                .Key("name")
                .String(column.m_strName)
                .Key("type")
                .String(column.m_strType);
            json.Key("user_type")
                .String(column.m_strUserType)
                .Key("length")
                .Number(column.m_nLength);
            json.Key("precision").Number(column.m_nPrecision).Key("scale").Number(column.m_nScale);
            if (column.m_bMax)
                json.Key("max").Bool(true);
            if (column.m_bIdentity) {
                json.Key("identity").BeginObject().Key("seed").Number(column.m_nIdentitySeed);
                json.Key("increment").Number(column.m_nIdentityIncrement).EndObject();
            }
            if (!column.m_strFormula.empty())
                json.Key("formula").String(column.m_strFormula);
            json.Key("nullable").Bool(column.m_bNullable).Key("default");
            if (column.m_strDefault.empty()) {
                json.Null();
            } else {
                json.String(column.m_strDefault);
            }
            json.Key("identity");
            if (column.m_bIdentity) {
                json.BeginObject()
                    .Key("seed")
                    .Number(column.m_nIdentitySeed)
                    .Key("increment")
                    .Number(column.m_nIdentityIncrement)
                    .EndObject();
            } else {
                json.Null();
            }
            // A computed column whose expression was lost is still computed: its text is "".
            json.Key("computed");
            if (column.IsComputed()) {
                json.String(column.m_strFormula);
            } else {
                json.Null();
            }
            json.EndObject();
        }
        json.EndArray();
        WriteSchemaParts(json, *pTable);
        json.EndObject();
    }
    json.EndArray();
    WriteObjects(json, "views", engine.m_mapViews);
    WriteObjects(json, "procedures", engine.m_mapProcedures);
    WriteObjects(json, "functions", engine.m_mapFunctions);
    WriteObjects(json, "triggers", engine.m_mapTriggers);
    WriteObjects(json, "rules", engine.m_mapRules);
    json.Key("defaults").BeginArray();
    for (const auto& [strKey, pDefault] : engine.m_mapDefaults) {
        json.BeginObject()
            .Key("id")
            .Number(pDefault->m_nObjectId)
            .Key("text")
            .String(pDefault->m_strText)
            .EndObject();
    }
    json.EndArray().Key("user_types").BeginArray();
    for (const auto& [strKey, pType] : engine.m_mapUserTypes) {
        json.BeginObject().Key("name").String(pType->m_strName);
        json.Key("base_type")
            .String(CTypeTable::LaterTypeName(pType->m_nBaseType))
            .Key("length")
            .Number(pType->m_nLength);
        json.Key("precision")
            .Number(pType->m_nPrecision)
            .Key("scale")
            .Number(pType->m_nScale)
            .EndObject();
    }
    json.EndArray().Key("counts").BeginObject();
    json.Key("tables").Number(static_cast<std::int64_t>(engine.m_mapObjects.Count()));
    json.Key("views").Number(static_cast<std::int64_t>(engine.m_mapViews.Count()));
    json.Key("procedures").Number(static_cast<std::int64_t>(engine.m_mapProcedures.Count()));
    json.Key("functions").Number(static_cast<std::int64_t>(engine.m_mapFunctions.Count()));
    json.Key("triggers").Number(static_cast<std::int64_t>(engine.m_mapTriggers.Count()));
    json.Key("rules").Number(static_cast<std::int64_t>(engine.m_mapRules.Count()));
    json.Key("defaults").Number(static_cast<std::int64_t>(engine.m_mapDefaults.Count()));
    json.Key("user_types").Number(static_cast<std::int64_t>(engine.m_mapUserTypes.Count()));
    json.EndObject().EndObject();
    return json.Text();
}

int CCatalogCommand::Run(const std::vector<std::string>& vecArgs) {
    CCliOptions options(vecArgs, {"json", "text", "help", "no-progress", "damage"},
                        {"data", "format"});
    if (auto nExit = options.Preflight("catalog", Help(), 1, "expected one FILE"))
        return *nExit;
    int nExitCode = kExitOk;
    // An empty catalog is still printed: it says which system tables were missing.
    auto pSource = CRecoveredSource::OpenForCommand(options, nExitCode, true);
    if (!pSource)
        return nExitCode;
    CSQLServerEngine& engine = pSource->Engine();
    CDamageReport damage;
    damage.Add(engine.m_damage);
    const bool bList = options.Has("damage");
    const bool bHiddenBaseTables = engine.FormatVersion() != "2000";
    for (const std::string& strKey : engine.m_vecMissingSystemTables) {
        std::fprintf(
            stderr,
            "ambermill-cli: warning: the %s table (object id %s) is missing from the file\n",
            SystemTableName(strKey, bHiddenBaseTables), strKey.c_str());
    }

    if (options.Has("json")) {
        std::string strJson =
            CatalogJson(engine, pSource->Probe().nPages, pSource->Probe().nVersion);
        if (bList)
            strJson.insert(strJson.size() - 1, "," + damage.JsonMember());
        std::printf("%s\n", strJson.c_str());
    } else {
        bool bText = options.Has("text");
        std::printf("Database: %s\n", engine.m_strDatabaseName.c_str());
        std::printf("Tables (%zu):\n", engine.m_mapObjects.Count());
        for (const auto& [strKey, pTable] : engine.m_mapObjects) {
            std::printf("  %s (id %d)%s%s\n", pTable->m_strName.c_str(), pTable->m_nObjectId,
                        pTable->m_strRowsNotRead.empty() ? "" : ": ",
                        pTable->m_strRowsNotRead.c_str());
            for (const CColumnInfo& c : pTable->m_vecColumns) {
                std::string strExtra;
                if (c.m_bIdentity) {
                    strExtra = " identity(" + std::to_string(c.m_nIdentitySeed) + "," +
                               std::to_string(c.m_nIdentityIncrement) + ")";
                }
                if (c.IsComputed())
                    strExtra = " as " + (c.m_strFormula.empty() ? "?" : c.m_strFormula);
                std::printf("    %-30s %-16s %-16s len=%u prec=%u scale=%u %s%s%s%s\n",
                            c.m_strName.c_str(), c.m_strType.c_str(), c.m_strUserType.c_str(),
                            c.m_nLength, c.m_nPrecision, c.m_nScale,
                            c.m_bNullable ? "NULL" : "NOT NULL",
                            c.m_strDefault.empty() ? "" : " default ", c.m_strDefault.c_str(),
                            strExtra.c_str());
            }
            PrintSchemaParts(*pTable);
        }
        PrintObjects("Views", engine.m_mapViews, bText);
        PrintObjects("Procedures", engine.m_mapProcedures, bText);
        PrintObjects("Functions", engine.m_mapFunctions, bText);
        PrintObjects("Triggers", engine.m_mapTriggers, bText);
        PrintObjects("Rules", engine.m_mapRules, bText);
        std::printf("Defaults (%zu):\n", engine.m_mapDefaults.Count());
        for (const auto& [strKey, pDefault] : engine.m_mapDefaults) {
            std::printf("  %d: %s\n", pDefault->m_nObjectId, pDefault->m_strText.c_str());
        }
        std::printf("User types (%zu):\n", engine.m_mapUserTypes.Count());
        for (const auto& [strKey, pType] : engine.m_mapUserTypes) {
            std::printf("  %s (%s, length %u)\n", pType->m_strName.c_str(),
                        CTypeTable::LaterTypeName(pType->m_nBaseType).c_str(), pType->m_nLength);
        }
    }
    const bool bJsonList = bList && options.Has("json");
    if (!pSource->NothingRecovered())
        return damage.Finish(kExitOk, bList, bJsonList);
    std::fprintf(stderr, "ambermill-cli: %s\n", pSource->NothingRecoveredText().c_str());
    return damage.Finish(kExitNothing, bList, bJsonList);
}

int CCatalogCommand::RunUserTypes(const std::vector<std::string>& vecArgs) {
    CCliOptions options(vecArgs, {"help", "no-progress", "damage"}, {"data", "format"});
    if (auto nExit = options.Preflight("user-types", UserTypesHelp(), 1, "expected one FILE"))
        return *nExit;
    int nExitCode = kExitOk;
    auto pSource = CRecoveredSource::OpenForCommand(options, nExitCode);
    if (!pSource)
        return nExitCode;
    for (const auto& [strKey, pType] : pSource->Engine().m_mapUserTypes) {
        std::printf("%s\r\ngo\r\n", CUserTypeScript::Statement(*pType).c_str());
    }
    CDamageReport damage;
    damage.Add(pSource->Engine().m_damage);
    return damage.Finish(kExitOk, options.Has("damage"));
}
