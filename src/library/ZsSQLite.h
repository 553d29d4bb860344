// CSQLite, the thin connection wrapper through which every access to a ".pctv" file goes: one connection,
// at most one statement in progress, statements built as text and handed to SQLite as UTF-16.
//
// Both handles are owned: a pending statement is finalized before the next one is prepared, and the
// destructor finalizes it and closes the connection. CZsSqlTransaction rolls back whatever it began unless
// it was committed.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/ZsBase.h"

struct sqlite3;
struct sqlite3_stmt;
class CSQLite;

// How a file is opened: for reading and writing (created when missing), read-only as an unchanging file (no
// locks, no journal: nothing is ever written, not even a rollback of another program's journal), or for
// reading and writing a file that must exist already (never created).
enum ZS_SQL_OPEN { ZS_SQL_READ_WRITE = 0, ZS_SQL_READ_ONLY = 1, ZS_SQL_EXISTING = 2 };

// How long a read-write connection waits for a file that another program holds locked before it gives up
// with SQLITE_BUSY ("database is locked").
inline constexpr int ZS_SQL_BUSY_TIMEOUT_MS = 5000;
// The virtual machine steps one statement may take before it is ended as one that a damaged or hostile file
// keeps running: far beyond what any statement of the program takes on a library of a million icons.
inline constexpr uint64_t ZS_SQL_WORK_LIMIT = 400'000'000;
// LastError of a statement ended so.
inline constexpr char ZS_SQL_TOO_LONG[] = "the statement took too long: the file may be damaged";
// SQLite's result code for a file that stayed locked (SQLITE_BUSY), as LastErrorCode gives it.
inline constexpr int ZS_SQL_BUSY = 5;

// The current row of a statement in CSQLite::QueryRows; its values are valid until the next row.
class CZsSqlRow {
public:
    explicit CZsSqlRow(sqlite3_stmt* pStmt) : mpStmt(pStmt) {}
    int64_t Int(int nColumn) const;
    // UTF-8; "" for NULL.
    std::string Text(int nColumn) const;
    // Empty for NULL.
    ZsBytes Blob(int nColumn) const;

private:
    sqlite3_stmt* mpStmt;
};

// One statement prepared once and run many times with new values, beside the statements of CSQLite; it must
// not outlive the connection it was prepared on.
class CZsSqlStatement {
public:
    CZsSqlStatement() = default;
    bool IsReady() const { return mpStmt != nullptr; }
    // Parameters count from 1; an empty text is bound as NULL, as SqlQuote writes it.
    bool BindInt(int nParam, int64_t nValue);
    bool BindText(int nParam, std::string_view text);
    bool BindBlob(int nParam, ZsBytes data);
    // Steps the statement to its end and resets it for the next values; true when it finished.
    bool Run();
    // Steps once and resets: the first column of the row as an integer; none when no row comes back, the
    // value is NULL or the statement fails.
    std::optional<int64_t> RunInt();

private:
    friend class CSQLite;
    // Steps once, keeping SQLite's message of a failure as LastError.
    int Step();
    void Reset();
    struct Finalizer {
        void operator()(sqlite3_stmt* p) const;
    };
    std::unique_ptr<sqlite3_stmt, Finalizer> mpStmt;
    CSQLite* mpOwner = nullptr;
};

class CSQLite {
public:
    CSQLite();
    virtual ~CSQLite();
    CSQLite(const CSQLite&) = delete;
    CSQLite& operator=(const CSQLite&) = delete;

    // Closes the current connection and opens (read-write: creating when missing) the file; a new file gets
    // UTF-16 text encoding. True when the connection is open.
    bool Open(const std::filesystem::path& path, ZS_SQL_OPEN nMode = ZS_SQL_READ_WRITE);
    // Opens in reader a second connection to this connection's file, for reads only (from another thread,
    // say): read-only, and as unchanging as this one when this one was opened so. False when this connection
    // has no file, the file cannot be opened, or another file has taken its place since this one opened it.
    bool OpenReader(CSQLite& reader) const;
    // Finalizes a pending statement and closes the connection.
    void CloseDb();
    bool IsOpen() const { return mpDb != nullptr; }
    // Exchanges the connections (with their pending statements) of two objects.
    void SwapConnection(CSQLite& other);
    // Copies this connection's whole database, as this connection reads it (a file deleted since it was
    // opened included), into the database of dest, replacing what dest held.
    bool CopyInto(CSQLite& dest);
    // The file as it was when the connection opened it, and whether SQLite lets this connection write it.
    const std::optional<ZS_FILE_ID>& OpenedFileId() const { return mFileId; }
    bool IsReadOnlyConnection() const;
    // A number that changes whenever another connection, of this or another program, has committed a change
    // to the file since the last time it was asked; none without a connection or when it cannot be read.
    std::optional<int64_t> DataVersion();

    // Prepares, steps once and finalizes; true when the step finished the statement.
    bool Exec(std::string_view sql);
    // As Exec with the bytes bound to parameter 1 (NULL when pData is null).
    bool ExecBlob(std::string_view sql, const uint8_t* pData, size_t nSize);
    // Prepares and steps; on a row the first column's bytes, valid until Finalize or the next statement.
    // None when the prepare fails or no row comes back; a NULL value is a row with no bytes.
    std::optional<ZsBytes> QueryBlob(std::string_view sql);
    // As QueryBlob, copied and finalized; none when there is no row.
    std::optional<ZsBlock> QueryBlobCopy(std::string_view sql);
    // The first column of the first row as text; "" when there is no row or the value is NULL.
    std::string QueryText(std::string_view sql);
    // The first column of the first row as an integer; none when there is no row or the statement fails.
    std::optional<int64_t> QueryInt(std::string_view sql);
    // Steps through every row, calling onRow with each until it returns false, then finalizes; false when
    // the statement fails.
    bool QueryRows(std::string_view sql, const std::function<bool(const CZsSqlRow&)>& onRow);
    // Steps once: 1 when a row comes back, 0 when none, -1 when the statement fails.
    int QueryExists(std::string_view sql);
    // A statement to run many times (not ready, logged, when SQLite refuses it); its failures are kept as
    // LastError.
    CZsSqlStatement PrepareStatement(std::string_view sql);
    void Finalize();
    // The rows that the last insert, update or delete that finished changed (0 when SQLite ignored it).
    int Changes() const;

    // True while a transaction is open on the connection.
    bool InTransaction() const;
    bool BeginTrans();
    // Begins a transaction that holds the right to write from its start, so that what it reads first stays
    // as it is until it commits.
    bool BeginWriteTrans();
    bool CommitTrans();
    bool RollbackTrans();

    // The steps each statement may take (0: no limit), for the statements that follow; an operation of the
    // program's own over a whole file (VACUUM) goes without one.
    void SetWorkLimit(uint64_t nSteps) { mnWorkLimit = nSteps; }
    uint64_t WorkLimit() const { return mnWorkLimit; }

    // SQLite's message of the last operation that failed ("" when none has). Later successes do not clear
    // it.
    const std::string& LastError() const { return msLastError; }
    // SQLite's primary result code of the last statement that failed (SQLITE_BUSY: the file stayed locked
    // by another program); 0 when none has.
    int LastErrorCode() const { return mnLastErrorCode; }

    // The quoted literal of a name or keywords; the bare word null for an empty text.
    static std::string SqlQuote(std::string_view text);

protected:
    // Starts an operation whose failure is to be told by LastErrorCode alone.
    void ClearLastErrorCode() { mnLastErrorCode = 0; }

private:
    friend class CZsSqlStatement;
    struct DbCloser {
        void operator()(sqlite3* p) const;
    };
    struct StmtFinalizer {
        void operator()(sqlite3_stmt* p) const;
    };

    // Finalizes a pending statement and prepares the text; false (logged) when SQLite refuses it.
    bool Prepare(std::string_view sql);
    int Step();
    // Keeps the connection's message when rc reports a failure (anything but a row, done or OK).
    int Checked(int rc);
    // The progress handler: ends the statement once it has taken more than the work limit.
    static int OnProgress(void* pSelf);
    // A statement starts: its work is counted from zero.
    void StartWork();

    std::unique_ptr<sqlite3, DbCloser> mpDb;
    std::unique_ptr<sqlite3_stmt, StmtFinalizer> mpStmt;
    std::string msLastError;
    int mnLastErrorCode = 0;
    ZS_SQL_OPEN mnMode = ZS_SQL_READ_WRITE;
    // The file opened, as it was when opened.
    std::optional<ZS_FILE_ID> mFileId;
    uint64_t mnWorkLimit = ZS_SQL_WORK_LIMIT;
    uint64_t mnWorkTicks = 0;
    bool mbWorkExceeded = false;
};

// A transaction that is rolled back when it goes out of scope uncommitted.
class CZsSqlTransaction {
public:
    explicit CZsSqlTransaction(CSQLite& db, bool bWrite = false)
        : mDb(db), mbActive(bWrite ? db.BeginWriteTrans() : db.BeginTrans()) {}
    ~CZsSqlTransaction() {
        // SQLite may have rolled back already (a full disk, for one): a second rollback would only fail.
        if (mbActive && mDb.InTransaction()) {
            mDb.RollbackTrans();
        }
    }
    CZsSqlTransaction(const CZsSqlTransaction&) = delete;
    CZsSqlTransaction& operator=(const CZsSqlTransaction&) = delete;

    bool Active() const { return mbActive; }
    // True when the commit succeeded; a failed commit is rolled back by the destructor.
    bool Commit() {
        if (mbActive && mDb.CommitTrans()) {
            mbActive = false;
            return true;
        }
        return false;
    }

private:
    CSQLite& mDb;
    bool mbActive;
};

// One read transaction over a run of reads: SQLite then takes its lock and checks the file once instead of
// once per statement. Does nothing without a connection or inside another transaction.
class CZsSqlReadBatch {
public:
    explicit CZsSqlReadBatch(CSQLite& db) {
        if (db.IsOpen() && !db.InTransaction() && db.BeginTrans()) {
            mpDb = &db;
        }
    }
    ~CZsSqlReadBatch() {
        if (mpDb) {
            mpDb->CommitTrans();
        }
    }
    CZsSqlReadBatch(const CZsSqlReadBatch&) = delete;
    CZsSqlReadBatch& operator=(const CZsSqlReadBatch&) = delete;

private:
    CSQLite* mpDb = nullptr;
};
