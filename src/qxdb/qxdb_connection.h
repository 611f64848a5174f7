// SPDX-License-Identifier: Apache-2.0
/*
 * qxdb_connection.h - the library's DbConnection over one SQLite database.
 *
 * Internal to libqxdb.so. A QxDbConnection owns its CppSQLite3DB, a cache of
 * prepared statements and the open cursors.
 *
 * Statement cache: Query and ExecScalar look the SQL text up in a cache of
 * prepared statements (least recently used first out, at most
 * kStatementCacheSize entries) and reuse the statement after a reset, so a
 * refresh that repeats the same texts (divisor and register-bit queries)
 * parses each only once per connection. A statement in use by an open cursor
 * is never handed out twice: the same text queried again meanwhile gets a
 * private statement that its cursor owns. Cached statements live until they
 * are evicted, the cache is turned off, or the connection closes.
 *
 * Cursors: independent integer handles from 1 up (never negative, reused only
 * after wrapping around at INT_MAX). An unknown or released handle throws
 * (CPPSQLITE_ERROR, "Invalid cursor handle"); a row access on a cursor at its
 * end throws (CPPSQLITE_ERROR, "No current row").
 *
 * Busy time-out: kBusyTimeoutMs, so a refresh waits out another program's
 * short write lock instead of failing at once. Inside BeginRead .. EndRead a
 * busy handler replaces it: it sleeps a few milliseconds per attempt until
 * one deadline for the whole transaction, so a refresh of many statements
 * waits at most its budget in total.
 *
 * File identity: the device and inode numbers of the file opened are kept;
 * CheckFile reopens the name when another file stands under it. It looks
 * the name up (a path walk) at most once a second while the file held open
 * keeps the link count it had then: a file replaced by rename, or deleted,
 * loses its link at once, so only a change of the directory or the mount
 * under the name waits for the next lookup.
 */
#ifndef QXDB_CONNECTION_H
#define QXDB_CONNECTION_H

#include <list>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "CppSQLite3.h"
#include "qxdb.h"

class QxDbConnection : public DbConnection
{
  public:
    static constexpr int kBusyTimeoutMs = 2000;
    static constexpr size_t kStatementCacheSize = 512;

    /* Opens the file; throws CppSQLite3Exception when SQLite cannot. */
    QxDbConnection(const char* file, bool cacheStatements);
    ~QxDbConnection() override;
    QxDbConnection(const QxDbConnection&) = delete;
    QxDbConnection& operator=(const QxDbConnection&) = delete;

    bool IsReady(int reserved1, int reserved2) override;
    bool TableExists(const char* table) override;
    int ExecDML(const char* sql) override;
    int ExecScalar(const char* sql) override;
    int Query(const char* sql, int length) override;
    bool Eof(int cursor) override;
    void NextRow(int cursor) override;
    void Finalize(int cursor) override;
    int NumFields(int cursor) override;
    int GetIntField(int cursor, int column) override;
    int GetIntField(int cursor, const char* column) override;
    const char* GetStringField(int cursor, const char* column) override;
    void SetStatementCache(bool enabled) override;
    int CachedStatements() override;
    int OpenCursors() override;
    bool IsNumericField(int cursor, int column) override;
    bool IsNumericField(int cursor, const char* column) override;
    const char* FieldName(int cursor, int column) override;
    int FieldType(int cursor, int column) override;
    long long GetInt64Field(int cursor, int column) override;
    double GetDoubleField(int cursor, int column) override;
    bool BeginRead(int lockBudgetMs) override;
    void EndRead() override;
    long long DataVersion() override;
    int CheckFile() override;
    long long CommitStamp() override;

  private:
    /* One cached statement; inUse while a cursor or ExecScalar runs it. */
    struct CacheEntry {
        std::string sql;
        std::unique_ptr<CppSQLite3Statement> stmt;
        bool inUse = false;
    };
    typedef std::list<CacheEntry> CacheList; /* most recently used first */

    /* A statement lent to one user: from the cache or privately owned. */
    struct Lease {
        CacheList::iterator entry; /* valid when cached */
        bool cached = false;
        std::unique_ptr<CppSQLite3Statement> own;
        CppSQLite3Statement& stmt() { return cached ? *entry->stmt : *own; }
    };

    struct Cursor {
        Lease lease;           /* destroyed after the query that borrows it */
        CppSQLite3Query query; /* borrows lease's statement */
        bool failed = false;   /* a step failed: at its end for good */
    };

    Lease Acquire(const std::string& sql);
    void Release(Lease& lease);
    void Evict();
    Cursor& Find(int cursor);
    Cursor& FindRow(int cursor);
    int NextHandle();

    static int BusyUntilDeadline(void* self, int attempts);
    void DropStatements();
    /* Opens the descriptor CommitStamp reads when it reaches the file held
     * open (closing the previous one: only when SQLite holds no lock on
     * that file, since closing any descriptor drops the process's locks). */
    void OpenStampFile();
    bool WriterHoldsPending() const;
    static constexpr long kPendingByte = 0x40000000; /* SQLite's lock bytes start here */
    /* Runs "begin" or "commit" from a statement prepared once per open file,
     * since a scan that finds no change runs little else. */
    void RunPrepared(std::unique_ptr<CppSQLite3Statement>& stmt, const char* sql);

    CppSQLite3DB m_db;            /* declared first: closed after everything below */
    std::string m_file;           /* the name opened, looked up again by CheckFile */
    unsigned long long m_dev = 0; /* identity of the file held open */
    unsigned long long m_ino = 0;
    int m_stampFd = -1;                   /* the file held open, read-only */
    unsigned long long m_stampLinks = 0;  /* its link count when last looked up */
    unsigned long long m_lookedUpMs = 0;  /* monotonic time CheckFile last looked up the name */
    unsigned char m_stampHeader[16] = {}; /* header octets 24-39 last read */
    bool m_stampHeaderRead = false;
    long long m_stamp = 0;
    long long m_stampOwnWrites = 0;                /* m_ownWrites at the last change of m_stamp */
    bool m_inRead = false;                         /* between BeginRead and EndRead */
    std::unique_ptr<CppSQLite3Statement> m_begin;  /* "begin", once prepared */
    std::unique_ptr<CppSQLite3Statement> m_commit; /* "commit", once prepared */
    unsigned long long m_deadlineMs = 0;           /* monotonic end of the lock budget */
    CacheList m_cache;
    std::unordered_map<std::string, CacheList::iterator> m_index;
    bool m_cacheOn;
    std::map<int, std::unique_ptr<Cursor>> m_cursors;
    int m_lastHandle = 0;
    long long m_ownWrites = 0; /* ExecDML calls: own commits, unseen by data_version */
};

#endif
