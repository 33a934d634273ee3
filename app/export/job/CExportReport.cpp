// app/export/job/CExportReport.cpp
#include "app/export/job/CExportReport.h"

#include <cerrno>
#include <cstring>

#include "common/ScriptFile.h"

std::int64_t CExportReport::TotalExported() const {
    std::int64_t nTotal = 0;
    for (const SRow& row : m_vecRows)
        nTotal += row.nExported;
    return nTotal;
}

std::int64_t CExportReport::TotalFailed() const {
    std::int64_t nTotal = 0;
    for (const SRow& row : m_vecRows)
        nTotal += row.nFailed;
    return nTotal;
}

std::string CExportReport::CsvField(const std::string& strField) {
    if (strField.find_first_of(",\"\r\n") == std::string::npos)
        return strField;
    std::string strQuoted = "\"";
    for (char ch : strField) {
        strQuoted.push_back(ch);
        if (ch == '"')
            strQuoted.push_back('"');
    }
    strQuoted.push_back('"');
    return strQuoted;
}

std::string CExportReport::Csv() const {
    std::string strCsv;
    for (const SRow& row : m_vecRows) {
        strCsv += CsvField(row.strName) + "," + std::to_string(row.nExported) + "," +
                  std::to_string(row.nFailed) + "\r\n";
    }
    return strCsv;
}

bool CExportReport::Write(const std::filesystem::path& path, std::string& strError) const {
    CScriptFile file;
    errno = 0;
    if (!file.Create(path)) {
        // The reason matters to the user: a missing folder, no permission, a full disk.
        strError = "cannot create the report '" + path.string() + "'" +
                   (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string());
        return false;
    }
    file.Write(Csv());
    if (!file.Close()) {
        strError = "cannot write the report '" + path.string() + "'";
        return false;
    }
    return true;
}
