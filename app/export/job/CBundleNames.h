// app/export/job/CBundleNames.h
#pragma once

#include <ctime>
#include <string>

// Names inside a script bundle. The bundle is replayed on Windows by a batch runner, so a name
// taken from the data file must be a valid file name there and here, and must not be able to end
// the runner's quoting or start a command of its own.
class CBundleNames {
  public:
    // The readings of the clock a time stamp is made of.
    struct SClock {
        int nUtcMonth = 1, nUtcDay = 1, nUtcYear = 1970;
        int nHour = 0, nMinute = 0, nSecond = 0;
    };
    static SClock Now();

    // "_M_D_Y_h_m_s" without leading zeros.
    static std::string TimeStamp(const SClock& clock);
    // The name with every character that cannot stand in a file name, or that the batch runner
    // would interpret, replaced by '_': * / \ : ? < > " % & | ^, NUL and other control characters.
    static std::string SafeFileName(const std::string& strName);
    // "Varnholt_Ambermill_<db>_M_D_Y_h_m_s"; <db> is the part after the last backslash.
    static std::string BundleFolderName(const std::string& strDatabase, const SClock& clock);
    // "<db>.bat".
    static std::string RunnerName(const std::string& strDatabase);
    // "ExportReport_<db>_M_D_Y_h_m_s.csv".
    static std::string ReportName(const std::string& strDatabase, const SClock& clock);
};
