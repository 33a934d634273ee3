// common/OdbcConnection.h
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

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

    // What the driver said of one statement of a batch.
    struct SOutcome {
        bool bOk = false;
        std::string strError;  // the driver's diagnostics when it failed
    };

    void Open(const std::string& strConnect);
    void Execute(const std::string& strStatement);
    // Executes a batch and steps through the outcome of each of its statements, also past a
    // failed one, up to nStatements outcomes. Drivers differ: one reports an outcome per
    // statement and runs the rest after a failure, another stops at the failure, another refuses
    // the whole batch with a single failed outcome. Throws COdbcError only when the batch cannot
    // be sent at all (not connected).
    std::vector<SOutcome> ExecuteBatch(const std::string& strBatch, std::size_t nStatements);
    // Executes the statements of strBatch (each ends at the matching entry of vecEnds) in order.
    // A driver that takes several statements per execution gets them as one text; one that takes
    // a single statement (asked once per connection) gets them one by one. Sending stops at the
    // first failure: the caller rolls the batch back and retries it.
    std::vector<SOutcome> ExecuteStatements(const std::string& strBatch,
                                            const std::vector<std::size_t>& vecEnds);

    // A batch as one transaction: autocommit off until Commit or Rollback turns it on again, so
    // statements run outside a batch still commit on their own. BeginTransaction returns false
    // when the driver runs without transactions.
    bool BeginTransaction();
    void Commit();
    void Rollback() noexcept;
    // Transactions committed by Commit since the connection opened.
    std::uint64_t Commits() const;

    // Whether the database behind the connection takes one writer at a time (SQLite locks the
    // whole file for a write); asked of the driver once per connection, false when it cannot say.
    bool AdmitsOneWriter();
    // Connections sharing a gate take turns writing: a transaction holds it from BeginTransaction
    // to Commit or Rollback, a statement outside a transaction for its execution. Without turns,
    // writers of a one-writer database collide on its lock and the driver's busy wait sleeps
    // them in steps far longer than a batch takes. nullptr: no turns. The gate must outlive the
    // connection's use of it; set it while no transaction is open.
    void SetWriterGate(std::mutex* pGate);
    void Close();
    bool IsOpen() const;

  private:
    struct SHandles;
    std::unique_ptr<SHandles> m_pHandles;
};
