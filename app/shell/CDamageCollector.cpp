// app/shell/CDamageCollector.cpp
#include "app/shell/CDamageCollector.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "engine/core/CDamageLog.h"
#include "engine/core/CSQLServerEngine.h"

namespace {
// The engine lists missing system tables by object id.
std::string SystemTableName(std::int32_t nObjectId) {
    switch (nObjectId) {
        case 1:
            return "sysobjects";
        case 3:
            return "syscolumns";
        case 4:
            return "systypes";
        case 6:
            return "syscomments";
        default:
            return "system table " + std::to_string(nObjectId);
    }
}

std::string ObjectName(const CSQLServerEngine& engine, std::int32_t nObjectId) {
    if (nObjectId >= 1 && nObjectId <= 99)
        return SystemTableName(nObjectId);
    for (const auto& [strKey, pTable] : engine.m_mapObjects) {
        if (pTable && pTable->m_nObjectId == nObjectId)
            return pTable->m_strName;
    }
    return {};
}

SDamageRecord FromOne(const SDamage& damage, const CSQLServerEngine& engine) {
    SDamageRecord record;
    if (damage.nPage)
        record.nPage = *damage.nPage;
    if (damage.nSlot)
        record.nSlot = *damage.nSlot;
    if (damage.nObjectId) {
        record.nObjectId = *damage.nObjectId;
        record.strObject = ObjectName(engine, *damage.nObjectId);
    }
    record.strWhat = damage.strDetail;
    record.nBytes = static_cast<std::uint32_t>(
        std::min<std::uint64_t>(damage.nBytes, std::numeric_limits<std::uint32_t>::max()));
    record.bRowLost =
        damage.eKind == EDamageKind::RowRejected || damage.eKind == EDamageKind::SlotOutsidePage;
    return record;
}
}  // namespace

std::vector<SDamageRecord> CDamageCollector::FromDamage(const std::vector<SDamage>& vecDamage,
                                                        const CSQLServerEngine& engine) {
    std::vector<SDamageRecord> vecRecords;
    vecRecords.reserve(vecDamage.size());
    for (const SDamage& damage : vecDamage)
        vecRecords.push_back(FromOne(damage, engine));
    return vecRecords;
}

std::vector<SDamageRecord> CDamageCollector::FromLog(const CDamageLog& log,
                                                     const CSQLServerEngine& engine) {
    return FromDamage(log.Records(), engine);
}

std::vector<SDamageRecord> CDamageCollector::FromRecovery(const CSQLServerEngine& engine) {
    const std::vector<SDamage> vecDamage = engine.m_damage.Records();
    std::vector<SDamageRecord> vecRecords = FromDamage(vecDamage, engine);
    // A missing system table loses a whole part of the catalog, not one page; the log may not
    // say so itself.
    for (const std::string& strObjectId : engine.m_vecMissingSystemTables) {
        SDamageRecord record;
        std::from_chars(strObjectId.data(), strObjectId.data() + strObjectId.size(),
                        record.nObjectId);
        const bool bNamed = std::any_of(vecDamage.begin(), vecDamage.end(), [&](const SDamage& d) {
            return d.eKind == EDamageKind::CatalogRow && !d.nPage &&
                   d.nObjectId == record.nObjectId;
        });
        if (bNamed)
            continue;
        record.strObject = SystemTableName(record.nObjectId);
        record.strWhat = "system table not found: its part of the catalog was not recovered";
        vecRecords.push_back(std::move(record));
    }
    return vecRecords;
}
