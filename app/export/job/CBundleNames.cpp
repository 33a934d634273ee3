// app/export/job/CBundleNames.cpp
#include "app/export/job/CBundleNames.h"

#include <cstring>

CBundleNames::SClock CBundleNames::Now() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    std::tm local{};
    gmtime_r(&now, &utc);
    localtime_r(&now, &local);
    SClock clock;
    clock.nUtcMonth = utc.tm_mon + 1;
    clock.nUtcDay = utc.tm_mday;
    clock.nUtcYear = utc.tm_year + 1900;
    clock.nHour = local.tm_hour;
    clock.nMinute = local.tm_min;
    clock.nSecond = local.tm_sec;
    return clock;
}

std::string CBundleNames::TimeStamp(const SClock& clock) {
    std::string strStamp;
    for (int n : {clock.nUtcMonth, clock.nUtcDay, clock.nUtcYear, clock.nHour, clock.nMinute,
                  clock.nSecond}) {
        strStamp += "_" + std::to_string(n);
    }
    return strStamp;
}

std::string CBundleNames::SafeFileName(const std::string& strName) {
    std::string strSafe = strName;
    for (char& ch : strSafe) {
        const auto uch = static_cast<unsigned char>(ch);
        if (uch < 0x20 || uch == 0x7F || std::strchr("*/\\:?<>\"%&|^", ch) != nullptr)
            ch = '_';
    }
    return strSafe;
}

std::string CBundleNames::BundleFolderName(const std::string& strDatabase, const SClock& clock) {
    std::string strDb = strDatabase;
    if (auto nSlash = strDb.rfind('\\'); nSlash != std::string::npos)
        strDb.erase(0, nSlash + 1);
    return "Varnholt_Ambermill_" + SafeFileName(strDb) + TimeStamp(clock);
}

std::string CBundleNames::RunnerName(const std::string& strDatabase) {
    return SafeFileName(strDatabase) + ".bat";
}

std::string CBundleNames::ReportName(const std::string& strDatabase, const SClock& clock) {
    return "ExportReport_" + SafeFileName(strDatabase) + TimeStamp(clock) + ".csv";
}
