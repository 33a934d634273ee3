// app/export/job/CBatchRunnerText.h
#pragma once

#include <string>
#include <utility>

// The batch runner that replays a script bundle through the format's batch tool (osql for
// SQL Server 2000, sqlcmd for the later formats; the format table says which): a
// header that picks the section by the arguments given, the Windows-authentication lines, the
// SQL-authentication lines after ":label2", and a usage tail.
class CBatchRunnerText {
  public:
    explicit CBatchRunnerText(std::string strTool) : m_strTool(std::move(strTool)) {}

    // Lines end in CR LF, including the last.
    static std::string Header();
    // Lines end in CR LF except the last (":end").
    static std::string Tail();

    // tool + " -E -S %1 -d %2 -i " + strScript + CR LF.
    std::string WindowsLine(const std::string& strScript) const;
    // tool + " -U %1 -P %2 -S %3 -d %4 -i " + strScript + CR LF.
    std::string SqlLine(const std::string& strScript) const;

    // How each script is named in its line.
    static std::string TableScript(const std::string& strSafeTable);  // "Tables\<t>.sql" in quotes
    static std::string ConstraintScript(
        const std::string& strSafeTable);  // "Tables\<t>_Constraint.sql"

    // The whole runner: Windows section, "goto end", SQL section, tail.
    static std::string Runner(const std::string& strWinAuth, const std::string& strSqlAuth);

  private:
    std::string m_strTool;
};
