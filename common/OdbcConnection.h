// common/OdbcConnection.h
#pragma once

#include <memory>
#include <stdexcept>
#include <string>

#include "common/Export.h"

// A failure reported by the ODBC driver; what() carries the driver's diagnostic text.
class AMBERMILL_API COdbcError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// One database connection over unixODBC: open by connect string without a prompt, execute one
// statement text (no result set), close. Every failure raises COdbcError.
class AMBERMILL_API COdbcConnection {
  public:
    COdbcConnection();
    ~COdbcConnection();
    COdbcConnection(const COdbcConnection&) = delete;
    COdbcConnection& operator=(const COdbcConnection&) = delete;

    void Open(const std::string& strConnect);
    void Execute(const std::string& strStatement);
    void Close();
    bool IsOpen() const;

  private:
    struct SHandles;
    std::unique_ptr<SHandles> m_pHandles;
};
