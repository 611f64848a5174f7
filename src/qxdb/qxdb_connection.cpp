// SPDX-License-Identifier: Apache-2.0
/*
 * qxdb_connection.cpp - DbConnection over SQLite through the CppSQLite3
 * wrapper classes, with the prepared-statement cache and the cursor table.
 * See qxdb_connection.h for the rules.
 */
#include "qxdb_connection.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <climits>
#include <cstring>

namespace
{

[[noreturn]] void fail(const char* message)
{
    throw CppSQLite3Exception(CPPSQLITE_ERROR, message, DONT_DELETE_MSG);
}

void checkSql(const char* sql)
{
    if (sql == nullptr)
        fail("Null SQL text");
}

/* Milliseconds of the monotonic clock: SQLite's waits are real time. */
unsigned long long monotonicMs()
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<unsigned long long>(ts.tv_sec) * 1000ULL +
           static_cast<unsigned long long>(ts.tv_nsec) / 1000000ULL;
}

/* Longest time CheckFile trusts the link count of the file held open. */
const unsigned long long kLookUpPeriodMs = 1000;

/* Pause of the busy handler between two attempts. */
const int kBusyPollMs = 5;

} // namespace

QxDbConnection::QxDbConnection(const char* file, bool cacheStatements)
    : m_file(file), m_cacheOn(cacheStatements)
{
    m_db.open(file);
    m_db.setBusyTimeout(kBusyTimeoutMs);
    struct stat st;
    if (stat(file, &st) == 0) {
        m_dev = static_cast<unsigned long long>(st.st_dev);
        m_ino = static_cast<unsigned long long>(st.st_ino);
    }
    OpenStampFile();
}

QxDbConnection::~QxDbConnection()
{
    /* Cursors first: they borrow cached statements; the statements then go
     * before the connection closes (members are destroyed in reverse order). */
    while (!m_cursors.empty())
        Finalize(m_cursors.begin()->first);
    m_index.clear();
    m_cache.clear();
    if (m_stampFd >= 0)
        close(m_stampFd);
}

/* ------------------------------------------------------------ statement cache */

/* Lends a prepared statement for sql: the cached one when it is free,
 * otherwise a new one (cached when the text is new and the cache is on). */
QxDbConnection::Lease QxDbConnection::Acquire(const std::string& sql)
{
    Lease lease;
    if (m_cacheOn) {
        auto found = m_index.find(sql);
        if (found != m_index.end() && !found->second->inUse) {
            m_cache.splice(m_cache.begin(), m_cache, found->second);
            found->second->inUse = true;
            lease.entry = found->second;
            lease.cached = true;
            return lease;
        }
        if (found == m_index.end()) {
            CacheEntry entry;
            entry.sql = sql;
            entry.stmt.reset(new CppSQLite3Statement(m_db.compileStatement(sql.c_str())));
            entry.inUse = true;
            m_cache.push_front(std::move(entry));
            m_index[sql] = m_cache.begin();
            lease.entry = m_cache.begin();
            lease.cached = true;
            Evict();
            return lease;
        }
    }
    lease.own.reset(new CppSQLite3Statement(m_db.compileStatement(sql.c_str())));
    return lease;
}

/* Takes a lent statement back: reset for its next use, or released. */
void QxDbConnection::Release(Lease& lease)
{
    try {
        lease.stmt().reset();
    } catch (CppSQLite3Exception&) {
        /* reset repeats the last step's error; the statement is reset anyway */
    }
    if (!lease.cached)
        return; /* a private statement goes with its lease */
    lease.entry->inUse = false;
    if (!m_cacheOn) {
        m_index.erase(lease.entry->sql);
        m_cache.erase(lease.entry);
    }
    lease.cached = false;
}

/* Drops the least recently used free statements beyond the cache size. */
void QxDbConnection::Evict()
{
    auto it = m_cache.end();
    while (m_cache.size() > kStatementCacheSize && it != m_cache.begin()) {
        --it;
        if (it->inUse)
            continue;
        m_index.erase(it->sql);
        it = m_cache.erase(it);
    }
}

void QxDbConnection::SetStatementCache(bool enabled)
{
    m_cacheOn = enabled;
    if (enabled)
        return;
    for (auto it = m_cache.begin(); it != m_cache.end();) {
        if (it->inUse) {
            ++it;
            continue;
        }
        m_index.erase(it->sql);
        it = m_cache.erase(it);
    }
}

int QxDbConnection::CachedStatements()
{
    return static_cast<int>(m_cache.size());
}

/* ------------------------------------------------------------ statements */

bool QxDbConnection::IsReady(int, int)
{
    try {
        m_db.execScalar("select count(*) from sqlite_master");
        return true;
    } catch (...) {
        return false;
    }
}

bool QxDbConnection::TableExists(const char* table)
{
    checkSql(table);
    return m_db.tableExists(table);
}

int QxDbConnection::ExecDML(const char* sql)
{
    checkSql(sql);
    /* Counted before it runs: a statement that fails halfway may still have
     * changed something. */
    ++m_ownWrites;
    return m_db.execDML(sql);
}

long long QxDbConnection::DataVersion()
{
    /* data_version is a 32-bit counter per connection; taken as unsigned, the
     * sum with the own writes changes whenever either does. */
    const unsigned others = static_cast<unsigned>(ExecScalar("pragma data_version"));
    return static_cast<long long>(others) + m_ownWrites;
}

int QxDbConnection::ExecScalar(const char* sql)
{
    checkSql(sql);
    Lease lease = Acquire(sql);
    int value = 0;
    try {
        CppSQLite3Query query = lease.stmt().execQuery();
        if (query.eof() || query.numFields() < 1)
            fail("Invalid scalar query");
        value = query.getIntField(0, 0);
    } catch (...) {
        Release(lease);
        throw;
    }
    Release(lease);
    return value;
}

/* ------------------------------------------------------------ cursors */

int QxDbConnection::NextHandle()
{
    do {
        m_lastHandle = m_lastHandle == INT_MAX ? 1 : m_lastHandle + 1;
    } while (m_cursors.count(m_lastHandle) != 0);
    return m_lastHandle;
}

int QxDbConnection::Query(const char* sql, int length)
{
    checkSql(sql);
    std::unique_ptr<Cursor> cursor(new Cursor);
    cursor->lease = Acquire(length < 0 ? std::string(sql) : std::string(sql, length));
    try {
        cursor->query = cursor->lease.stmt().execQuery();
    } catch (...) {
        Release(cursor->lease);
        throw;
    }
    int handle = NextHandle();
    m_cursors[handle] = std::move(cursor);
    return handle;
}

QxDbConnection::Cursor& QxDbConnection::Find(int cursor)
{
    auto it = m_cursors.find(cursor);
    if (it == m_cursors.end())
        fail("Invalid cursor handle");
    return *it->second;
}

/* A cursor that has a current row. */
QxDbConnection::Cursor& QxDbConnection::FindRow(int cursor)
{
    Cursor& c = Find(cursor);
    if (c.failed || c.query.eof())
        fail("No current row");
    return c;
}

bool QxDbConnection::Eof(int cursor)
{
    Cursor& c = Find(cursor);
    return c.failed || c.query.eof();
}

void QxDbConnection::NextRow(int cursor)
{
    Cursor& c = Find(cursor);
    /* Stepping past the end would restart the statement: stay at the end. */
    if (c.failed || c.query.eof())
        return;
    try {
        c.query.nextRow();
    } catch (...) {
        c.failed = true;
        throw;
    }
}

void QxDbConnection::Finalize(int cursor)
{
    auto it = m_cursors.find(cursor);
    if (it == m_cursors.end())
        fail("Invalid cursor handle");
    std::unique_ptr<Cursor> c = std::move(it->second);
    m_cursors.erase(it);
    Lease lease = std::move(c->lease);
    c.reset(); /* the query lets go of the statement before it is reset */
    Release(lease);
}

int QxDbConnection::NumFields(int cursor)
{
    return Find(cursor).query.numFields();
}

int QxDbConnection::GetIntField(int cursor, int column)
{
    return FindRow(cursor).query.getIntField(column, 0);
}

int QxDbConnection::GetIntField(int cursor, const char* column)
{
    return FindRow(cursor).query.getIntField(column, 0);
}

const char* QxDbConnection::GetStringField(int cursor, const char* column)
{
    return FindRow(cursor).query.getStringField(column, "");
}

bool QxDbConnection::IsNumericField(int cursor, int column)
{
    return FindRow(cursor).query.fieldIsNumeric(column);
}

bool QxDbConnection::IsNumericField(int cursor, const char* column)
{
    CppSQLite3Query& query = FindRow(cursor).query;
    return query.fieldIsNumeric(query.fieldIndex(column));
}

const char* QxDbConnection::FieldName(int cursor, int column)
{
    return Find(cursor).query.fieldName(column);
}

int QxDbConnection::OpenCursors()
{
    return static_cast<int>(m_cursors.size());
}

int QxDbConnection::FieldType(int cursor, int column)
{
    return FindRow(cursor).query.fieldDataType(column);
}

long long QxDbConnection::GetInt64Field(int cursor, int column)
{
    return static_cast<long long>(FindRow(cursor).query.getInt64Field(column, 0));
}

double QxDbConnection::GetDoubleField(int cursor, int column)
{
    return FindRow(cursor).query.getFloatField(column, 0.0);
}

/* ------------------------------------------------------------ read transaction */

int QxDbConnection::BusyUntilDeadline(void* self, int)
{
    const QxDbConnection* connection = static_cast<QxDbConnection*>(self);
    if (monotonicMs() >= connection->m_deadlineMs)
        return 0; /* the statement fails with SQLITE_BUSY */
    sqlite3_sleep(kBusyPollMs);
    return 1;
}

bool QxDbConnection::BeginRead(int lockBudgetMs)
{
    EndRead();
    if (m_db.handle() == nullptr)
        return false;
    m_deadlineMs =
        monotonicMs() + static_cast<unsigned long long>(lockBudgetMs > 0 ? lockBudgetMs : 0);
    sqlite3_busy_handler(m_db.handle(), &QxDbConnection::BusyUntilDeadline, this);
    try {
        RunPrepared(m_begin, "begin");
        m_inRead = true;
    } catch (CppSQLite3Exception&) {
        m_db.setBusyTimeout(kBusyTimeoutMs);
        return false;
    }
    return true;
}

void QxDbConnection::EndRead()
{
    if (m_inRead) {
        m_inRead = false;
        try {
            RunPrepared(m_commit, "commit");
        } catch (CppSQLite3Exception&) {
            try {
                m_db.execDML("rollback");
            } catch (CppSQLite3Exception&) {
                /* no transaction left to end */
            }
        }
    }
    m_db.setBusyTimeout(kBusyTimeoutMs); /* replaces the busy handler */
}

/* ------------------------------------------------------------ file identity */

void QxDbConnection::RunPrepared(std::unique_ptr<CppSQLite3Statement>& stmt, const char* sql)
{
    if (!stmt)
        stmt.reset(new CppSQLite3Statement(m_db.compileStatement(sql)));
    stmt->execDML();
}

void QxDbConnection::DropStatements()
{
    while (!m_cursors.empty())
        Finalize(m_cursors.begin()->first);
    m_index.clear();
    m_cache.clear();
    m_begin.reset();
    m_commit.reset();
}

int QxDbConnection::CheckFile()
{
    struct stat st;
    const unsigned long long now = monotonicMs();
    if (m_stampFd >= 0 && m_db.handle() != nullptr && now - m_lookedUpMs < kLookUpPeriodMs &&
        fstat(m_stampFd, &st) == 0 && static_cast<unsigned long long>(st.st_nlink) == m_stampLinks)
        return QXDB_FILE_SAME;
    m_lookedUpMs = now;
    if (stat(m_file.c_str(), &st) != 0)
        return QXDB_FILE_MISSING;
    if (static_cast<unsigned long long>(st.st_dev) == m_dev &&
        static_cast<unsigned long long>(st.st_ino) == m_ino && m_db.handle() != nullptr) {
        m_stampLinks = static_cast<unsigned long long>(st.st_nlink);
        return QXDB_FILE_SAME;
    }
    EndRead();
    try {
        DropStatements();
        m_db.close();
        m_db.open(m_file.c_str());
        m_db.setBusyTimeout(kBusyTimeoutMs);
    } catch (CppSQLite3Exception&) {
        return QXDB_FILE_MISSING;
    }
    m_dev = static_cast<unsigned long long>(st.st_dev);
    m_ino = static_cast<unsigned long long>(st.st_ino);
    OpenStampFile(); /* the old file is closed: SQLite holds no lock on it */
    return QXDB_FILE_REOPENED;
}

/* A writer of another process that is committing (or holds BEGIN EXCLUSIVE)
 * holds SQLite's PENDING byte, which keeps readers out: then the caller
 * takes the locked road, which waits for the writer within its budget and
 * reports a lock that outlasts it, as it always did. Locks of this process
 * are not seen (POSIX locks are per process); SQLite orders those itself. */
bool QxDbConnection::WriterHoldsPending() const
{
    struct flock lock;
    std::memset(&lock, 0, sizeof lock);
    lock.l_type = F_RDLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = kPendingByte;
    lock.l_len = 1;
    return fcntl(m_stampFd, F_GETLK, &lock) != 0 || lock.l_type != F_UNLCK;
}

void QxDbConnection::OpenStampFile()
{
    if (m_stampFd >= 0)
        close(m_stampFd);
    m_stampFd = open(m_file.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (m_stampFd >= 0 &&
        (fstat(m_stampFd, &st) != 0 || static_cast<unsigned long long>(st.st_dev) != m_dev ||
         static_cast<unsigned long long>(st.st_ino) != m_ino)) {
        close(m_stampFd); /* another file came under the name meanwhile */
        m_stampFd = -1;
    }
    if (m_stampFd >= 0)
        m_stampLinks = static_cast<unsigned long long>(st.st_nlink);
    m_stampHeaderRead = false;
    ++m_stamp;
}

/* Octets 18 and 19 of the header are 1 in rollback-journal mode (2 with a
 * write-ahead log); 24-39 are the change counter, the size in pages and the
 * free list, which SQLite compares to decide whether its cache is still
 * valid, so the stamp moves whenever data_version would. ExecDML through
 * this connection moves it too, as it moves DataVersion. A read that
 * overlaps a commit's write of page 1 sees the old octets (the next call
 * sees the new ones, as a call just before the commit would) or others (the
 * stamp moves). */
long long QxDbConnection::CommitStamp()
{
    unsigned char header[22]; /* octets 18-39 */
    if (m_stampFd < 0 || pread(m_stampFd, header, sizeof header, 18) != sizeof header ||
        header[0] != 1 || header[1] != 1 || WriterHoldsPending()) {
        m_stampHeaderRead = false;
        return -1;
    }
    if (!m_stampHeaderRead || std::memcmp(m_stampHeader, header + 6, sizeof m_stampHeader) != 0 ||
        m_stampOwnWrites != m_ownWrites) {
        std::memcpy(m_stampHeader, header + 6, sizeof m_stampHeader);
        m_stampHeaderRead = true;
        m_stampOwnWrites = m_ownWrites;
        ++m_stamp;
    }
    return m_stamp;
}
