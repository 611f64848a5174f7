// SPDX-License-Identifier: Apache-2.0
/*
 * CppSQLite3: the database exception and thin SQLite wrapper classes.
 *
 * CppSQLite3Exception is the one exception type of the database layer. It is
 * thrown by the wrapper classes below and by the data-store library that the
 * gateway loads at run time. Its layout (virtual destructor, then the int
 * code, then the message pointer) is shared with that library, and the
 * gateway exports the type's run-time type information so that a throw in the
 * library matches the gateway's catch clauses; the class is therefore always
 * given default visibility.
 *
 * Ownership:
 *   - CppSQLite3Exception owns its message (sqlite3_mprintf/sqlite3_free);
 *     copies are deep.
 *   - CppSQLite3DB owns its connection and closes it on destruction; it is
 *     not copyable (two objects must never close one connection).
 *   - CppSQLite3Statement, CppSQLite3Query and CppSQLite3Table own their
 *     statement or result array. Copying or assigning MOVES it: the target
 *     takes it and the source is left without it (its accessors then throw).
 *   - A query made by CppSQLite3DB::execQuery owns its statement; one made by
 *     CppSQLite3Statement::execQuery borrows the statement, which must outlive
 *     the query.
 *   - Connection handles held by statements and queries are borrowed: the
 *     CppSQLite3DB must outlive them.
 *   - CppSQLite3Buffer and CppSQLite3Binary own their buffer and are not
 *     copyable.
 *
 * Errors: every failure throws CppSQLite3Exception, with the SQLite result
 * code and SQLite's error text, or with CPPSQLITE_ERROR and one of the
 * wrapper's own texts. Destructors never throw.
 *
 * Threads: an object is used by one thread at a time.
 *
 * Design choices (also in the .cpp header):
 *   - tableExists quotes the name as an SQL literal; transaction names are
 *     quoted as identifiers; all composed statements and messages are
 *     allocated to fit, so names of any length are accepted.
 *   - A failing nextRow on a borrowed statement resets it instead of
 *     finalizing it, so the owning CppSQLite3Statement never finalizes a
 *     statement twice.
 */
#ifndef CPPSQLITE3_H
#define CPPSQLITE3_H

#include <sqlite3.h>

#define QX_CPPSQLITE_API __attribute__((visibility("default")))

/* Code of the errors that the wrapper layer detects itself. */
constexpr int CPPSQLITE_ERROR = 1000;
/* Delete flag for messages the caller keeps (literals, sqlite3_errmsg). */
constexpr bool DONT_DELETE_MSG = false;

class QX_CPPSQLITE_API CppSQLite3Exception
{
  public:
    /* Message "<code name>[<code>]: <text>" (empty text for null). When
     * deleteMsg is true and text is not null, text is released with
     * sqlite3_free after use: pass true only for texts SQLite allocated for
     * the caller. If the message cannot be allocated it stays null. */
    CppSQLite3Exception(const int errorCode, const char* errorMessage,
                        bool deleteMsg = DONT_DELETE_MSG);
    /* Deep copy: the copy owns its own message (null stays null). */
    CppSQLite3Exception(const CppSQLite3Exception& other);
    /* Deep copy into an existing object; its old message is released. */
    CppSQLite3Exception& operator=(const CppSQLite3Exception& other);
    virtual ~CppSQLite3Exception();

    int errorCode() const { return m_errorCode; }
    /* The composed message, or null when its allocation failed. Valid while
     * the object lives. */
    const char* errorMessage() const { return m_errorMessage; }

    /* Name of a primary SQLite result code or of CPPSQLITE_ERROR; every
     * other value gives "UNKNOWN_ERROR". Static text. */
    static const char* errorCodeAsString(int errorCode);

  private:
    int m_errorCode;
    char* m_errorMessage;
};

/* A text formatted with sqlite3_vmprintf (so %q, %Q and %w are available). */
class CppSQLite3Buffer
{
  public:
    CppSQLite3Buffer();
    ~CppSQLite3Buffer();
    CppSQLite3Buffer(const CppSQLite3Buffer&) = delete;
    CppSQLite3Buffer& operator=(const CppSQLite3Buffer&) = delete;

    /* Replaces the text; returns it, never null. The text stays valid until
     * the next format/clear or destruction. Throws CppSQLite3Exception
     * (CPPSQLITE_ERROR, "Cannot allocate memory") when out of memory; the
     * previous text is then kept. */
    const char* format(const char* format, ...);
    operator const char*() const { return m_buffer; }
    void clear();

  private:
    char* m_buffer;
};

/* A byte string with its text-safe encoding (no zero byte, no apostrophe). */
class CppSQLite3Binary
{
  public:
    CppSQLite3Binary();
    ~CppSQLite3Binary();
    CppSQLite3Binary(const CppSQLite3Binary&) = delete;
    CppSQLite3Binary& operator=(const CppSQLite3Binary&) = delete;

    /* Copies length bytes (length >= 0); throws (1000, "Cannot allocate
     * memory"). */
    void setBinary(const unsigned char* data, int length);
    /* Copies a zero-terminated encoded text. */
    void setEncoded(const unsigned char* encoded);
    /* The encoded text, zero-terminated; valid until the next call. */
    const unsigned char* getEncoded();
    /* The decoded bytes; throws (1000, "Cannot decode binary") for an
     * invalid encoding. Valid until the next call. */
    const unsigned char* getBinary();
    int getBinaryLength();
    /* Size of the buffer currently held, in bytes. */
    int getBufferLength() const { return m_bufferLength; }
    /* Replaces the buffer by a new one of length*257/254+3 bytes, decoded
     * length = length; returns it. Throws on allocation failure. */
    unsigned char* allocBuffer(int length);
    void clear();

  private:
    unsigned char* m_buffer;
    int m_binaryLength;
    int m_bufferLength;
    int m_encodedLength;
    bool m_encoded;
};

/* A forward-only cursor over a statement's result rows. Column indexes run
 * from 0 to numFields()-1; names are compared exactly, first match wins. Any
 * access without a statement throws (1000, "Null Virtual Machine pointer");
 * a bad index (1000, "Invalid field index requested"), a bad or null name
 * (1000, "Invalid field name requested"). Returned texts and blobs are valid
 * until the cursor moves or is finalized. */
class CppSQLite3Query
{
  public:
    CppSQLite3Query();
    /* Takes the statement from other (other is left without one). */
    CppSQLite3Query(const CppSQLite3Query& other);
    CppSQLite3Query(sqlite3* db, sqlite3_stmt* vm, bool eof, bool ownVM = true);
    /* Finalizes this query's statement (errors swallowed), then takes
     * other's. */
    CppSQLite3Query& operator=(const CppSQLite3Query& other);
    virtual ~CppSQLite3Query();

    int numFields();
    int fieldIndex(const char* field);
    const char* fieldName(int column);
    const char* fieldDeclType(int column);
    int fieldDataType(int column);

    const char* fieldValue(int field);
    const char* fieldValue(const char* field);
    int getIntField(int field, int nullValue = 0);
    int getIntField(const char* field, int nullValue = 0);
    sqlite3_int64 getInt64Field(int field, sqlite3_int64 nullValue = 0);
    sqlite3_int64 getInt64Field(const char* field, sqlite3_int64 nullValue = 0);
    double getFloatField(int field, double nullValue = 0.0);
    double getFloatField(const char* field, double nullValue = 0.0);
    const char* getStringField(int field, const char* nullValue = "");
    const char* getStringField(const char* field, const char* nullValue = "");
    const unsigned char* getBlobField(int field, int& length);
    const unsigned char* getBlobField(const char* field, int& length);
    bool fieldIsNull(int field);
    bool fieldIsNull(const char* field);
    /* True when the field reads as a number: NULL, an INTEGER, a finite REAL,
     * or a TEXT that SQLite's numeric affinity turns into an INTEGER or a
     * finite REAL (surrounding spaces allowed). A BLOB, an infinite or NaN
     * REAL and any other text are not numbers. */
    bool fieldIsNumeric(int field);

    bool eof();
    /* Steps; throws the SQLite code with its message on a step error (the
     * statement is then dropped from this query). */
    void nextRow();
    /* Finalizes an owned statement and drops it; throws on failure. */
    void finalize();

  private:
    void checkVM() const;
    void checkIndex(int column) const;

    sqlite3* m_db;
    mutable sqlite3_stmt* m_vm;
    bool m_eof;
    int m_cols;
    bool m_ownVM;
};

/* A whole result held in memory (sqlite3_get_table). Errors as for
 * CppSQLite3Query; without results (1000, "Null Results pointer"); a bad
 * row (1000, "Invalid row index requested"). */
class CppSQLite3Table
{
  public:
    CppSQLite3Table();
    /* Takes the result array from other. */
    CppSQLite3Table(const CppSQLite3Table& other);
    /* Takes ownership of results (from sqlite3_get_table). */
    CppSQLite3Table(char** results, int rows, int cols);
    virtual ~CppSQLite3Table();
    /* Releases this table's results, then takes other's. */
    CppSQLite3Table& operator=(const CppSQLite3Table& other);

    int numFields();
    int numRows();
    const char* fieldName(int column);
    const char* fieldValue(int field);
    const char* fieldValue(const char* field);
    int getIntField(int field, int nullValue = 0);
    int getIntField(const char* field, int nullValue = 0);
    double getFloatField(int field, double nullValue = 0.0);
    double getFloatField(const char* field, double nullValue = 0.0);
    const char* getStringField(int field, const char* nullValue = "");
    const char* getStringField(const char* field, const char* nullValue = "");
    bool fieldIsNull(int field);
    bool fieldIsNull(const char* field);
    void setRow(int row);
    void finalize();

  private:
    void checkResults() const;
    int columnOf(const char* field) const;

    int m_cols;
    int m_rows;
    int m_currentRow;
    mutable char** m_results;
};

/* A compiled statement with parameters (1-based indexes). */
class CppSQLite3Statement
{
  public:
    CppSQLite3Statement();
    /* Takes the statement from other. */
    CppSQLite3Statement(const CppSQLite3Statement& other);
    /* Takes ownership of vm; db is borrowed. */
    CppSQLite3Statement(sqlite3* db, sqlite3_stmt* vm);
    /* Finalizes this statement (errors swallowed), then takes other's. */
    CppSQLite3Statement& operator=(const CppSQLite3Statement& other);
    virtual ~CppSQLite3Statement();

    /* Runs the statement, gives the changed-row count and resets it. */
    int execDML();
    /* A cursor on the first row (or at its end); it borrows the statement. */
    CppSQLite3Query execQuery();

    void bind(int param, const char* value);
    void bind(int param, const int value);
    void bind(int param, const double value);
    void bind(int param, const unsigned char* blob, int length);
    void bindNull(int param);
    /* Index of a named parameter (":x", "@x", "$x"); throws (1000,
     * "Parameter '<name>' is not valid for this statement"). */
    int bindParameterIndex(const char* param);
    void bind(const char* param, const char* value);
    void bind(const char* param, const int value);
    void bind(const char* param, const double value);
    void bind(const char* param, const unsigned char* blob, int length);
    void bindNull(const char* param);

    void reset();
    void finalize();

  private:
    void checkDB() const;
    void checkVM() const;

    sqlite3* m_db;
    mutable sqlite3_stmt* m_vm;
};

/* One database connection. Operations other than open/close throw (1000,
 * "Database not open") while no connection is held. */
class CppSQLite3DB
{
  public:
    CppSQLite3DB();
    virtual ~CppSQLite3DB();
    CppSQLite3DB(const CppSQLite3DB&) = delete;
    CppSQLite3DB& operator=(const CppSQLite3DB&) = delete;

    /* Opens (or creates) the file and applies the busy time-out. */
    void open(const char* file);
    /* Closes when open; throws (1000, "Unable to close database") when
     * statements are still open. */
    void close();

    bool tableExists(const char* table);
    /* Runs SQL (one or more statements); gives sqlite3_changes. */
    int execDML(const char* sql);
    /* A cursor owning its statement, on the first row or at its end. */
    CppSQLite3Query execQuery(const char* sql);
    /* First column of the first row; nullValue when it is null; throws
     * (1000, "Invalid scalar query") when there is no row or column. */
    int execScalar(const char* sql, int nullValue = 0);
    CppSQLite3Table getTable(const char* sql);
    CppSQLite3Statement compileStatement(const char* sql);

    sqlite3_int64 lastRowId() const;
    void setBusyTimeout(int milliseconds);
    bool IsAutoCommitOn();

    /* "BEGIN/COMMIT/ROLLBACK TRANSACTION;" or, with a name, the same with
     * the quoted name. Give the execDML result. */
    int BeginTransaction(const char* name = nullptr);
    int CommitTransaction(const char* name = nullptr);
    int RollbackTransaction(const char* name = nullptr);
    int EndTransaction();

    /* Copies the whole main database to (save) or from (load) a file with
     * the online backup. -1 for a null name, otherwise the SQLite code of
     * the destination connection (0 on success). */
    int saveDatabase(const char* file);
    int loadDatabase(const char* file);

  private:
    sqlite3_stmt* compile(const char* sql);
    void checkDB() const;

    sqlite3* m_db;
    int m_busyTimeoutMs;
};

/* Writes the encoding of n bytes of in to out (room for n*257/254+3 bytes
 * suffices) and gives its length without the terminating zero. n <= 0 gives
 * "x" and 1. */
int sqlite3_encode_binary(const unsigned char* in, int n, unsigned char* out);
/* Decodes the zero-terminated in to out (out may equal in); gives the
 * decoded length, or -1 for an invalid (or empty/null) encoding. */
int sqlite3_decode_binary(const unsigned char* in, unsigned char* out);
/* Online backup of "main" between db and the file: isSave 1 copies db to the
 * file, 0 copies the file into db. Gives the destination's error code (0 on
 * success) or the code of opening the file. */
int load_or_save_db(sqlite3* db, const char* fileName, int isSave);

#endif
