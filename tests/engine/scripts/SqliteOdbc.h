// tests/engine/scripts/SqliteOdbc.h
// The SQLite ODBC driver registered under the name the program connects with, "SQL SERVER", in a
// private odbcinst.ini for this test process (and the command-line runs it starts).
#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/OdbcConnection.h"
#include "support/TestFiles.h"

namespace SqliteOdbc {

inline const char* kDriver = "/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so";

inline bool Available() {
    return std::filesystem::exists(kDriver);
}

// Sets ODBCSYSINI and ODBCINI once per process to a folder holding the registration.
inline void Register() {
    static TestFiles::CTempDir* pDir = [] {
        static TestFiles::CTempDir dir;
        TestFiles::WriteFile(
            dir / "odbcinst.ini",
            std::string("[SQL SERVER]\nDescription=SQLite standing in for SQL Server\nDriver=") +
                kDriver + "\n");
        TestFiles::WriteFile(dir / "odbc.ini", "");
        ::setenv("ODBCSYSINI", dir.Path().c_str(), 1);
        ::setenv("ODBCINI", (dir / "odbc.ini").c_str(), 1);
        return &dir;
    }();
    (void)pDir;
}

// The connect string of the program's form, with the database file as DATABASE.
inline std::string ConnectString(const std::filesystem::path& database) {
    return "DRIVER=SQL SERVER;SERVER=localhost;UID=sa;PWD=secret;DATABASE=" + database.string();
}

// The rows of a query, each row's columns joined by '|' (NULL as "NULL"). The program never reads
// result sets, so this speaks ODBC directly.
inline std::vector<std::string> Query(const std::filesystem::path& database,
                                      const std::string& strSql) {
    Register();
    std::vector<std::string> vecRows;
    SQLHENV hEnv = SQL_NULL_HENV;
    SQLHDBC hDbc = SQL_NULL_HDBC;
    SQLHSTMT hStmt = SQL_NULL_HSTMT;
    SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &hEnv);
    SQLSetEnvAttr(hEnv, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    SQLAllocHandle(SQL_HANDLE_DBC, hEnv, &hDbc);
    std::string strConnect = ConnectString(database);
    if (SQL_SUCCEEDED(SQLDriverConnect(hDbc, nullptr, reinterpret_cast<SQLCHAR*>(strConnect.data()),
                                       SQL_NTS, nullptr, 0, nullptr, SQL_DRIVER_NOPROMPT))) {
        SQLAllocHandle(SQL_HANDLE_STMT, hDbc, &hStmt);
        std::string strQuery = strSql;
        if (SQL_SUCCEEDED(
                SQLExecDirect(hStmt, reinterpret_cast<SQLCHAR*>(strQuery.data()), SQL_NTS))) {
            SQLSMALLINT nColumns = 0;
            SQLNumResultCols(hStmt, &nColumns);
            while (SQL_SUCCEEDED(SQLFetch(hStmt))) {
                std::string strRow;
                for (SQLUSMALLINT i = 1; i <= static_cast<SQLUSMALLINT>(nColumns); ++i) {
                    char szValue[4096] = {};
                    SQLLEN nIndicator = 0;
                    SQLGetData(hStmt, i, SQL_C_CHAR, szValue, sizeof(szValue), &nIndicator);
                    if (i > 1)
                        strRow += "|";
                    strRow += nIndicator == SQL_NULL_DATA ? "NULL" : szValue;
                }
                vecRows.push_back(strRow);
            }
        }
        SQLFreeHandle(SQL_HANDLE_STMT, hStmt);
        SQLDisconnect(hDbc);
    }
    SQLFreeHandle(SQL_HANDLE_DBC, hDbc);
    SQLFreeHandle(SQL_HANDLE_ENV, hEnv);
    return vecRows;
}

}  // namespace SqliteOdbc
