// app/shell/CDamageCollector.cpp
#include "app/shell/CDamageCollector.h"

#include <charconv>

#include "engine/core/CSQLServerEngine.h"

namespace {
// The engine lists missing system tables by object id.
std::string SystemTableName(const std::string& strObjectId) {
    if (strObjectId == "1")
        return "sysobjects";
    if (strObjectId == "3")
        return "syscolumns";
    if (strObjectId == "4")
        return "systypes";
    if (strObjectId == "6")
        return "syscomments";
    return "system table " + strObjectId;
}
}  // namespace

std::vector<SDamageRecord> CDamageCollector::FromRecovery(const CSQLServerEngine& engine) {
    std::vector<SDamageRecord> vecRecords;
    // A missing system table loses a whole part of the catalog, not one page.
    for (const std::string& strObjectId : engine.m_vecMissingSystemTables) {
        SDamageRecord record;
        std::from_chars(strObjectId.data(), strObjectId.data() + strObjectId.size(),
                        record.nObjectId);
        record.strObject = SystemTableName(strObjectId);
        record.strWhat = "system table not found: its part of the catalog was not recovered";
        vecRecords.push_back(std::move(record));
    }
    return vecRecords;
}
