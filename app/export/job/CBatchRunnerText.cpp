// app/export/job/CBatchRunnerText.cpp
#include "app/export/job/CBatchRunnerText.h"

namespace {
constexpr const char* kCrLf = "\r\n";

std::string JoinLines(std::initializer_list<std::string> lines, bool bFinalBreak) {
    std::string strText;
    std::size_t i = 0;
    for (const std::string& strLine : lines) {
        strText += strLine;
        if (++i < lines.size() || bFinalBreak)
            strText += kCrLf;
    }
    return strText;
}
}  // namespace

std::string CBatchRunnerText::Header() {
    return JoinLines(
        {"@echo off", "set op1=false", "set op2=false",
         R"(if not "%0"=="" (if not "%1"=="" (if not "%2"=="" set op1=true)))",
         R"(if not "%3"=="" (if not "%4"=="" set op2=true))",
         R"(if "%op1%"=="true" (if "%op2%"=="true" goto label2))",
         R"(if "%op1%"=="true" (if "%op2%"=="false" goto label1))", "goto label3", ":label1"},
        true);
}

std::string CBatchRunnerText::Tail() {
    const std::string strGap(24, ' ');
    return JoinLines(
        {"goto end", ":label3", "echo.", "echo Syntax:",
         "echo\t^<batch file path^> ^[^<user name^> ^<password^>^] ^<server name^> ^<database "
         "name^>",
         "echo.", "echo  Options:", "echo.",
         "echo    batch file path    : path of batch file which will run the exported SQL scrip" +
             strGap + "ts",
         "echo.",
         "echo    user name password : user name and password for SQL Server^(for SQL Server Aut" +
             strGap + "hentication^)",
         "echo.", "echo    server name        : instance of SQL Server to which to connect",
         "echo.", "echo    database name      : name of database to which data will be exported",
         "echo.", ":end"},
        false);
}

std::string CBatchRunnerText::WindowsLine(const std::string& strScript) const {
    return m_strTool + " -E -S %1 -d %2 -i " + strScript + kCrLf;
}

std::string CBatchRunnerText::SqlLine(const std::string& strScript) const {
    return m_strTool + " -U %1 -P %2 -S %3 -d %4 -i " + strScript + kCrLf;
}

std::string CBatchRunnerText::TableScript(const std::string& strSafeTable) {
    return "\"Tables\\" + strSafeTable + ".sql\"";
}

std::string CBatchRunnerText::ConstraintScript(const std::string& strSafeTable) {
    return "\"Tables\\" + strSafeTable + "_Constraint.sql\"";
}

std::string CBatchRunnerText::Runner(const std::string& strWinAuth, const std::string& strSqlAuth) {
    return strWinAuth + "goto end" + kCrLf + strSqlAuth + Tail();
}
