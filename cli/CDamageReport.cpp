// cli/CDamageReport.cpp
#include "cli/CDamageReport.h"

#include <cstdio>

#include "cli/ExitCodes.h"

void CDamageReport::Print(bool bList, bool bListedInJson) const {
    const SDamageSummary summary = m_log.Summary();
    if (summary.Empty())
        return;
    std::fprintf(stderr, "ambermill-cli: %s%s\n", summary.Text().c_str(),
                 bList ? "" : "; --damage lists them");
    if (!bList || bListedInJson)
        return;
    for (const SDamage& damage : m_log.Records())
        std::fprintf(stderr, "damage: %s\n", damage.Text().c_str());
    if (summary.nTotal > CDamageLog::kMaxRecords) {
        std::fprintf(stderr, "damage: %llu more are counted above but not listed\n",
                     static_cast<unsigned long long>(summary.nTotal - CDamageLog::kMaxRecords));
    }
}

int CDamageReport::Finish(int nExit, bool bList, bool bListedInJson) const {
    Print(bList, bListedInJson);
    if (nExit != kExitOk)
        return nExit;
    return m_log.Empty() ? kExitOk : kExitDamaged;
}

void CDamageReport::WriteJson(CJsonWriter& json) const {
    json.Key("damage").BeginArray();
    for (const SDamage& damage : m_log.Records()) {
        json.BeginObject().Key("kind").String(SDamage::KindName(damage.eKind)).Key("page");
        damage.nPage ? json.Number(*damage.nPage) : json.Null();
        json.Key("slot");
        damage.nSlot ? json.Number(*damage.nSlot) : json.Null();
        json.Key("object");
        damage.nObjectId ? json.Number(*damage.nObjectId) : json.Null();
        json.Key("bytes").Number(static_cast<std::int64_t>(damage.nBytes));
        json.Key("detail").String(damage.strDetail).EndObject();
    }
    json.EndArray();
}

std::string CDamageReport::JsonMember() const {
    CJsonWriter json;
    json.BeginObject();
    WriteJson(json);
    json.EndObject();
    // Without the braces of the object it was written into.
    const std::string& strText = json.Text();
    return strText.substr(1, strText.size() - 2);
}
