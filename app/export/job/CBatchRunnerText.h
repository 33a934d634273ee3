// app/export/job/CBatchRunnerText.h
#pragma once

#include <string>

// The batch runner that replays a script bundle through osql (SQL Server 2000) or sqlcmd: a
// header that picks the section by the arguments given, the Windows-authentication lines, the
// SQL-authentication lines after ":label2", and a usage tail.
class CBatchRunnerText {
  public:
    explicit CBatchRunnerText(bool bSqlCmd) : m_bSqlCmd(bSqlCmd) {}

    // Lines end in CR LF, including the last.
    static std::string Header();
    // Lines end in CR LF except the last (":end").
    static std::string Tail();

    // "osql -E -S %1 -d %2 -i " + strScript + CR LF.
    std::string WindowsLine(const std::string& strScript) const;
    // "osql -U %1 -P %2 -S %3 -d %4 -i " + strScript + CR LF.
    std::string SqlLine(const std::string& strScript) const;

    // How each script is named in its line.
    static std::string TableScript(const std::string& strSafeTable);  // "Tables\<t>.sql" in quotes
    static std::string ConstraintScript(
        const std::string& strSafeTable);  // "Tables\<t>_Constraint.sql"

    // The whole runner: Windows section, "goto end", SQL section, tail.
    static std::string Runner(const std::string& strWinAuth, const std::string& strSqlAuth);

  private:
    bool m_bSqlCmd;
};
