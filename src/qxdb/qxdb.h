// SPDX-License-Identifier: Apache-2.0
/*
 * qxdb.h - interface of the data-store library libqxdb.so.
 *
 * One header shared by the library and its users (the gateway, the tests and
 * the benchmark). The gateway loads the library at run time with dlopen and
 * resolves the two exported plain functions GetDbManager and FreeDbManager by
 * name; everything else is reached through the virtual operations of the two
 * interfaces below, so the users need no link-time dependency on the library.
 *
 * Ownership and lifetime
 * - The library holds at most one manager at a time. GetDbManager creates it
 *   on the first call and returns the same object until FreeDbManager.
 * - Connections returned by DbManager::OpenDb are owned by the manager; a
 *   caller never deletes them. FreeDbManager closes every connection and
 *   destroys the manager; every pointer handed out before becomes invalid.
 * - Cursor handles (ints) belong to their connection; Finalize releases one.
 *   Texts returned by GetStringField stay valid only until the next NextRow or
 *   Finalize on the same cursor: copy them at once.
 *
 * Failures
 * - Every DbConnection operation except IsReady may throw CppSQLite3Exception
 *   (see CppSQLite3.h): SQLite's result code and message, or the code
 *   CPPSQLITE_ERROR (1000) with one of this library's own messages (an unknown
 *   or released cursor handle, a cursor without current row, ...). The
 *   exception's type information is shared with the loading program, which
 *   exports it, so the program's handlers catch it by reference.
 * - GetDbManager and OpenDb report failures with null; they never throw.
 *
 * Threads: a manager and its connections are used from one thread at a time.
 */
#ifndef QXDB_H
#define QXDB_H

/* Flags of DbManager::OpenDb. */
enum {
    /* Create the database file when it does not exist. Without it, OpenDb of
     * a missing file fails (null) instead of serving an empty new database. */
    QXDB_OPEN_CREATE = 0x1,
    /* Do not keep prepared statements between calls (see SetStatementCache). */
    QXDB_OPEN_NO_STMT_CACHE = 0x2
};

/* Storage classes of DbConnection::FieldType (SQLite's codes). */
enum { QXDB_INTEGER = 1, QXDB_FLOAT = 2, QXDB_TEXT = 3, QXDB_BLOB = 4, QXDB_NULL = 5 };

/* Results of DbConnection::CheckFile. */
enum { QXDB_FILE_SAME = 0, QXDB_FILE_MISSING = 1, QXDB_FILE_REOPENED = 2 };

/* An open SQLite database. Operations in the order of the interface. */
class DbConnection
{
  public:
    /* True when the database can be read: the schema can be queried. The two
     * arguments are reserved and must be 0. Never throws. */
    virtual bool IsReady(int reserved1, int reserved2) = 0;

    /* True when a table of this name exists in the main database. Throws on a
     * database error. */
    virtual bool TableExists(const char* table) = 0;

    /* Runs one or more statements that return no rows (sqlite3_exec); returns
     * the number of rows changed by the last one. Throws on a database error. */
    virtual int ExecDML(const char* sql) = 0;

    /* The first column of the first row as an integer (0 for NULL). Throws on a
     * database error, and with CPPSQLITE_ERROR "Invalid scalar query" when the
     * statement gives no row or no column. */
    virtual int ExecScalar(const char* sql) = 0;

    /* Runs a query and returns a cursor handle (> 0) on its first row (or at
     * its end for an empty result). length is the text's length in bytes, or
     * -1 when the text runs to its terminating zero. Throws on a database
     * error; a handle is never negative when the call returns. */
    virtual int Query(const char* sql, int length) = 0;

    /* True when the cursor has no current row. Throws for an unknown handle. */
    virtual bool Eof(int cursor) = 0;

    /* Moves to the next row. Throws for an unknown handle or a database error;
     * after a database error the cursor stays registered and at its end. */
    virtual void NextRow(int cursor) = 0;

    /* Releases the cursor; its handle becomes unknown. Throws for an unknown
     * or already released handle. */
    virtual void Finalize(int cursor) = 0;

    /* Number of result columns. Throws for an unknown handle. */
    virtual int NumFields(int cursor) = 0;

    /* Value of the column (zero-based index, or exact name) in the current row
     * as an integer; NULL gives 0. Throws for an unknown handle, a cursor at
     * its end, or an invalid index or name. */
    virtual int GetIntField(int cursor, int column) = 0;
    virtual int GetIntField(int cursor, const char* column) = 0;

    /* Text of the named column in the current row; NULL gives "". Valid until
     * the next NextRow or Finalize on this cursor. Throws as GetIntField. */
    virtual const char* GetStringField(int cursor, const char* column) = 0;

    /* Operations beyond the gateway's set. */

    /* Turns the prepared-statement cache on (default unless opened with
     * QXDB_OPEN_NO_STMT_CACHE) or off; turning it off releases the cached
     * statements that no cursor uses. Never throws. */
    virtual void SetStatementCache(bool enabled) = 0;

    /* Number of statements currently held by the cache. Never throws. */
    virtual int CachedStatements() = 0;

    /* Number of cursors currently open. Never throws. */
    virtual int OpenCursors() = 0;

    /* True when the column's value in the current row reads as a number, the
     * rule of SQLite's numeric affinity: NULL (read as 0), an INTEGER, a
     * finite REAL, or a TEXT that numeric affinity turns into an INTEGER or
     * a finite REAL ('42', ' 4.5 ', '1e3'). Not numbers: a BLOB, an infinite
     * or NaN REAL (an INTEGER column stores '1e999' as Inf) and every other
     * text ('abc', '12abc', 'NaN', '0x10'). GetIntField still gives its
     * coerced value for those; a caller decides what to make of it. Throws as
     * GetIntField. */
    virtual bool IsNumericField(int cursor, int column) = 0;
    virtual bool IsNumericField(int cursor, const char* column) = 0;

    /* Name of a result column (zero-based index), valid while the cursor is
     * open. Throws for an unknown handle or an invalid index. */
    virtual const char* FieldName(int cursor, int column) = 0;

    /* A number that changes whenever the main database may have changed since
     * an earlier call on this connection: a commit by another connection or
     * process (SQLite's data_version, which this connection's own commits
     * leave alone) or any ExecDML through this connection. Two equal numbers
     * mean that rows read after the first call are still current. One cheap
     * statement, no table read. Throws on a database error. */
    virtual long long DataVersion() = 0;

    /* Storage class of the column's value in the current row, as SQLite
     * gives it: QXDB_INTEGER, QXDB_FLOAT, QXDB_TEXT, QXDB_BLOB or QXDB_NULL.
     * Throws as GetIntField. */
    virtual int FieldType(int cursor, int column) = 0;
    /* The value as a 64-bit integer or as a double, without the 32-bit cut
     * of GetIntField (NULL gives 0). Throws as GetIntField. */
    virtual long long GetInt64Field(int cursor, int column) = 0;
    virtual double GetDoubleField(int cursor, int column) = 0;

    /*
     * One read transaction: every statement until EndRead reads the same
     * committed state of the file. While it lasts, all waits for locks
     * together end lockBudgetMs after the call (a statement that would wait
     * longer fails with SQLITE_BUSY, "database is locked"), instead of the
     * per-statement busy time-out. False when the transaction cannot begin
     * (then EndRead is still harmless). Never throws.
     */
    virtual bool BeginRead(int lockBudgetMs) = 0;
    /* Ends the read transaction (when one is open) and restores the busy
     * time-out. Cursors must be released before. Never throws. */
    virtual void EndRead() = 0;

    /*
     * Compares the file behind the name this connection was opened with
     * against the file it holds open: QXDB_FILE_SAME, QXDB_FILE_MISSING (no
     * file under the name now; the connection is kept), or QXDB_FILE_REOPENED
     * (another file stands under the name, a replacement or the file back
     * after it was missing: the connection now reads it; cached statements
     * are dropped). Must be called with no cursor open and outside BeginRead.
     * Never throws; a reopen that fails gives QXDB_FILE_MISSING.
     */
    virtual int CheckFile() = 0;

    /*
     * A number that changes whenever the database header's change counter,
     * or the fields SQLite checks with it (the 16 octets from offset 24),
     * differ from those the previous call read: while it stays the same, no
     * connection committed a change to the file held open. It is read
     * without a lock or a statement (one pread), so a caller that finds it
     * unchanged may skip BeginRead and DataVersion. -1 when the file cannot
     * vouch for that (write-ahead-log mode, whose commits leave the header
     * alone; a header that cannot be read): then ask DataVersion. Call after
     * CheckFile and outside BeginRead. Never throws.
     */
    virtual long long CommitStamp() = 0;

  protected:
    /* Connections are destroyed by their manager only. */
    virtual ~DbConnection() = default;
};

/* The library's manager: opens databases and keeps them until released. */
class DbManager
{
  public:
    /* Opens the SQLite database file name (relative names from the working
     * directory). Opening a file that is already open (same canonical path)
     * returns the same connection (flags of the first opening apply).
     * flags: QXDB_OPEN_*.
     * Returns null when the file cannot be opened (or is missing without
     * QXDB_OPEN_CREATE). Never throws. */
    virtual DbConnection* OpenDb(const char* name, int flags) = 0;

  protected:
    virtual ~DbManager() = default;
};

/* Entry points exported by libqxdb.so under these plain names. */
extern "C" {
/* The manager (created on the first call), or null when it cannot be made. */
DbManager* GetDbManager();
/* Closes every connection and destroys the manager; harmless without one. */
void FreeDbManager();
}

/* Types of the entry points, for dlsym. */
typedef DbManager* (*GetDbManagerFn)();
typedef void (*FreeDbManagerFn)();

#endif
