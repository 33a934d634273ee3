// common/OdbcConnection.cpp
#include "common/OdbcConnection.h"

#include <sql.h>
#include <sqlext.h>

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

struct COdbcConnection::SHandles {
    SQLHENV hEnv = SQL_NULL_HENV;
    SQLHDBC hDbc = SQL_NULL_HDBC;
    bool bConnected = false;
    bool bInTransaction = false;
    // Whether the driver runs several statements sent as one text; asked on first use.
    enum class EMultiple : std::uint8_t { Unknown, Yes, No } eMultiple = EMultiple::Unknown;
    // Whether the database takes one writer at a time; asked on first use.
    enum class EOneWriter : std::uint8_t { Unknown, Yes, No } eOneWriter = EOneWriter::Unknown;
    std::uint64_t nCommits = 0;
    std::mutex* pGate = nullptr;
    // The gate while a transaction is open.
    std::unique_lock<std::mutex> transactionTurn;

    // The gate for one statement outside a transaction; a transaction holds it already.
    std::unique_lock<std::mutex> StatementTurn() {
        if (pGate == nullptr || transactionTurn.owns_lock())
            return {};
        return std::unique_lock(*pGate);
    }
};

namespace {
// The driver's diagnostic records, joined; this is what the user needs to see.
std::string Diagnostics(SQLSMALLINT nType, SQLHANDLE handle, const std::string& strWhat) {
    std::string strText;
    for (SQLSMALLINT i = 1;; ++i) {
        SQLCHAR szState[6] = {};
        SQLINTEGER nNative = 0;
        std::vector<SQLCHAR> message(1024);
        SQLSMALLINT nLength = 0;
        SQLRETURN rc = SQLGetDiagRec(nType, handle, i, szState, &nNative, message.data(),
                                     static_cast<SQLSMALLINT>(message.size()), &nLength);
        if (!SQL_SUCCEEDED(rc))
            break;
        if (!strText.empty())
            strText += "; ";
        // Appended piece by piece: GCC 12 misreports "[" + std::string(...) under -O2 (-Wrestrict).
        strText.append("[").append(reinterpret_cast<char*>(szState)).append("] ");
        strText.append(reinterpret_cast<char*>(message.data()));
    }
    return strText.empty() ? strWhat + " failed" : strText;
}

// A statement handle of a connection, freed on every way out.
class CStatement {
  public:
    explicit CStatement(SQLHDBC hDbc) {
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_STMT, hDbc, &m_hStmt)))
            throw COdbcError(Diagnostics(SQL_HANDLE_DBC, hDbc, "SQLAllocHandle"));
    }
    ~CStatement() { SQLFreeHandle(SQL_HANDLE_STMT, m_hStmt); }
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    SQLHSTMT Handle() const { return m_hStmt; }

    // Sends one text. The driver takes a terminated, writable buffer.
    SQLRETURN ExecDirect(std::string_view text) {
        m_vecText.assign(text.begin(), text.end());
        m_vecText.push_back(0);
        return SQLExecDirect(m_hStmt, m_vecText.data(), SQL_NTS);
    }

    // The outcome of one statement, with the driver's message when it failed.
    COdbcConnection::SOutcome Outcome(SQLRETURN rc) const {
        COdbcConnection::SOutcome outcome;
        outcome.bOk = SQL_SUCCEEDED(rc) || rc == SQL_NO_DATA;
        if (!outcome.bOk)
            outcome.strError = Diagnostics(SQL_HANDLE_STMT, m_hStmt, "execute");
        return outcome;
    }

  private:
    SQLHSTMT m_hStmt = SQL_NULL_HSTMT;
    std::vector<SQLCHAR> m_vecText;
};
}  // namespace

COdbcConnection::COdbcConnection() : m_pHandles(std::make_unique<SHandles>()) {}

COdbcConnection::~COdbcConnection() {
    Close();
}

bool COdbcConnection::IsOpen() const {
    return m_pHandles->bConnected;
}

void COdbcConnection::Open(const std::string& strConnect) {
    Close();
    SHandles& h = *m_pHandles;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h.hEnv))) {
        throw COdbcError("cannot allocate an ODBC environment");
    }
    SQLSetEnvAttr(h.hEnv, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, h.hEnv, &h.hDbc))) {
        std::string strError = Diagnostics(SQL_HANDLE_ENV, h.hEnv, "SQLAllocHandle");
        Close();
        throw COdbcError(strError);
    }
    std::vector<SQLCHAR> connect(strConnect.begin(), strConnect.end());
    connect.push_back(0);
    SQLCHAR szOut[1024];
    SQLSMALLINT nOut = 0;
    SQLRETURN rc = SQLDriverConnect(h.hDbc, nullptr, connect.data(), SQL_NTS, szOut, sizeof(szOut),
                                    &nOut, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) {
        std::string strError = Diagnostics(SQL_HANDLE_DBC, h.hDbc, "connect");
        Close();
        throw COdbcError(strError);
    }
    h.bConnected = true;
    h.bInTransaction = false;
    h.eMultiple = SHandles::EMultiple::Unknown;
    h.eOneWriter = SHandles::EOneWriter::Unknown;
    h.nCommits = 0;
}

void COdbcConnection::Execute(const std::string& strStatement) {
    SHandles& h = *m_pHandles;
    if (!h.bConnected)
        throw COdbcError("not connected");
    const std::unique_lock turn = h.StatementTurn();
    CStatement statement(h.hDbc);
    SOutcome outcome = statement.Outcome(statement.ExecDirect(strStatement));
    // A batch of several statements reports the outcome of each later statement only as the
    // results are stepped through; freeing the statement early would drop their errors.
    while (outcome.bOk) {
        const SQLRETURN rc = SQLMoreResults(statement.Handle());
        if (rc == SQL_NO_DATA || rc == SQL_INVALID_HANDLE)
            break;
        outcome = statement.Outcome(rc);
    }
    if (!outcome.bOk)
        throw COdbcError(outcome.strError);
}

std::vector<COdbcConnection::SOutcome> COdbcConnection::ExecuteBatch(const std::string& strBatch,
                                                                     std::size_t nStatements) {
    SHandles& h = *m_pHandles;
    if (!h.bConnected)
        throw COdbcError("not connected");
    const std::unique_lock turn = h.StatementTurn();
    CStatement statement(h.hDbc);
    std::vector<SOutcome> vecOutcomes;
    vecOutcomes.push_back(statement.Outcome(statement.ExecDirect(strBatch)));
    while (vecOutcomes.size() < nStatements) {
        const SQLRETURN rc = SQLMoreResults(statement.Handle());
        if (rc == SQL_NO_DATA || rc == SQL_INVALID_HANDLE)
            break;
        vecOutcomes.push_back(statement.Outcome(rc));
    }
    return vecOutcomes;
}

std::vector<COdbcConnection::SOutcome> COdbcConnection::ExecuteStatements(
    const std::string& strBatch, const std::vector<std::size_t>& vecEnds) {
    SHandles& h = *m_pHandles;
    if (!h.bConnected)
        throw COdbcError("not connected");
    if (h.eMultiple == SHandles::EMultiple::Unknown) {
        // SQLite's driver, for one, refuses a text of several statements whole ("only one SQL
        // statement allowed"); asking once spares every later batch that refusal and its retry.
        try {
            Execute("SELECT 1; SELECT 1");
            h.eMultiple = SHandles::EMultiple::Yes;
        } catch (const COdbcError&) {
            h.eMultiple = SHandles::EMultiple::No;
        }
    }
    if (h.eMultiple == SHandles::EMultiple::Yes)
        return ExecuteBatch(strBatch, vecEnds.size());

    const std::unique_lock turn = h.StatementTurn();
    CStatement statement(h.hDbc);
    std::vector<SOutcome> vecOutcomes;
    vecOutcomes.reserve(vecEnds.size());
    const std::string_view batch(strBatch);
    std::size_t nStart = 0;
    for (const std::size_t nEnd : vecEnds) {
        if (nEnd < nStart || nEnd > batch.size())
            break;
        vecOutcomes.push_back(
            statement.Outcome(statement.ExecDirect(batch.substr(nStart, nEnd - nStart))));
        nStart = nEnd;
        SQLFreeStmt(statement.Handle(), SQL_CLOSE);
        if (!vecOutcomes.back().bOk)
            break;
    }
    return vecOutcomes;
}

bool COdbcConnection::BeginTransaction() {
    SHandles& h = *m_pHandles;
    if (!h.bConnected)
        throw COdbcError("not connected");
    if (h.bInTransaction)
        return true;
    std::unique_lock<std::mutex> turn;
    if (h.pGate != nullptr)
        turn = std::unique_lock(*h.pGate);
    const SQLRETURN rc = SQLSetConnectAttr(
        h.hDbc, SQL_ATTR_AUTOCOMMIT,
        reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_OFF)), 0);
    h.bInTransaction = SQL_SUCCEEDED(rc);
    if (h.bInTransaction)
        h.transactionTurn = std::move(turn);
    return h.bInTransaction;
}

namespace {
// Ends the open transaction and turns autocommit on again; the error text when either fails.
std::string EndTransaction(SQLHDBC hDbc, SQLSMALLINT nHow) {
    std::string strError;
    if (!SQL_SUCCEEDED(SQLEndTran(SQL_HANDLE_DBC, hDbc, nHow)))
        strError = Diagnostics(SQL_HANDLE_DBC, hDbc, nHow == SQL_COMMIT ? "commit" : "rollback");
    const SQLRETURN rc =
        SQLSetConnectAttr(hDbc, SQL_ATTR_AUTOCOMMIT,
                          reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(SQL_AUTOCOMMIT_ON)), 0);
    if (strError.empty() && !SQL_SUCCEEDED(rc))
        strError = Diagnostics(SQL_HANDLE_DBC, hDbc, "autocommit");
    return strError;
}
}  // namespace

void COdbcConnection::Commit() {
    SHandles& h = *m_pHandles;
    if (!h.bConnected || !h.bInTransaction)
        throw COdbcError("no transaction to commit");
    h.bInTransaction = false;
    // Given up once the transaction has ended either way.
    const std::unique_lock turn = std::move(h.transactionTurn);
    std::string strError = EndTransaction(h.hDbc, SQL_COMMIT);
    if (!strError.empty()) {
        // A commit that failed leaves nothing half done for the caller to guess at.
        EndTransaction(h.hDbc, SQL_ROLLBACK);
        throw COdbcError(strError);
    }
    ++h.nCommits;
}

void COdbcConnection::Rollback() noexcept {
    SHandles& h = *m_pHandles;
    if (!h.bConnected || !h.bInTransaction)
        return;
    h.bInTransaction = false;
    const std::unique_lock turn = std::move(h.transactionTurn);
    EndTransaction(h.hDbc, SQL_ROLLBACK);
}

std::uint64_t COdbcConnection::Commits() const {
    return m_pHandles->nCommits;
}

bool COdbcConnection::AdmitsOneWriter() {
    SHandles& h = *m_pHandles;
    if (!h.bConnected)
        return false;
    if (h.eOneWriter == SHandles::EOneWriter::Unknown) {
        SQLCHAR szName[128] = {};
        SQLSMALLINT nLength = 0;
        const SQLRETURN rc = SQLGetInfo(h.hDbc, SQL_DBMS_NAME, szName, sizeof(szName), &nLength);
        std::string strName = SQL_SUCCEEDED(rc) ? reinterpret_cast<const char*>(szName) : "";
        std::transform(strName.begin(), strName.end(), strName.begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        h.eOneWriter =
            strName.starts_with("sqlite") ? SHandles::EOneWriter::Yes : SHandles::EOneWriter::No;
    }
    return h.eOneWriter == SHandles::EOneWriter::Yes;
}

void COdbcConnection::SetWriterGate(std::mutex* pGate) {
    m_pHandles->pGate = pGate;
}

void COdbcConnection::Close() {
    SHandles& h = *m_pHandles;
    // What an unfinished batch sent is not kept.
    Rollback();
    if (h.bConnected)
        SQLDisconnect(h.hDbc);
    h.bConnected = false;
    if (h.hDbc != SQL_NULL_HDBC)
        SQLFreeHandle(SQL_HANDLE_DBC, h.hDbc);
    if (h.hEnv != SQL_NULL_HENV)
        SQLFreeHandle(SQL_HANDLE_ENV, h.hEnv);
    h.hDbc = SQL_NULL_HDBC;
    h.hEnv = SQL_NULL_HENV;
}
