// SPDX-License-Identifier: Apache-2.0
/*
 * CppSQLite3: the database exception and the SQLite wrapper classes.
 *
 * Design choices:
 *   - CppSQLite3DB is not copyable: two objects would otherwise close one
 *     connection.
 *   - tableExists formats the name with %Q (an SQL literal, quotes doubled);
 *     a transaction name is quoted as an identifier ("%w"); the parameter
 *     message is allocated to fit. No fixed-size buffer limits a name.
 *   - open() closes a connection that failed to open instead of leaking it,
 *     and closes an earlier connection first.
 *   - close() keeps the handle when sqlite3_close refuses (statements still
 *     open), so it can be retried; the destructor then falls back to
 *     sqlite3_close_v2, which closes once the last statement is finalized.
 *   - A query that borrows its statement (from CppSQLite3Statement::
 *     execQuery) resets it on a step error instead of finalizing it, and its
 *     finalize() only drops it, so the statement is never finalized twice.
 *   - A table without rows has no current row: field access throws
 *     (1000, "Invalid row index requested") instead of reading past the
 *     result array.
 *   - CppSQLite3Binary decodes into a scratch buffer, so a failed decode
 *     leaves the content unchanged, and grows its buffer when re-encoding
 *     needs more room than the text it was given.
 *   - load_or_save_db gives SQLITE_MISUSE for a null connection or name.
 */
#include "CppSQLite3.h"

#include <climits>
#include <cstdarg>
#include <cstdlib>
#include <cmath>
#include <cstring>

/* ------------------------------------------------------------ exception */

CppSQLite3Exception::CppSQLite3Exception(const int errorCode, const char* errorMessage,
                                         bool deleteMsg)
    : m_errorCode(errorCode), m_errorMessage(nullptr)
{
    m_errorMessage = sqlite3_mprintf("%s[%d]: %s", errorCodeAsString(errorCode), errorCode,
                                     errorMessage ? errorMessage : "");
    if (deleteMsg && errorMessage)
        sqlite3_free(const_cast<char*>(errorMessage));
}

CppSQLite3Exception::CppSQLite3Exception(const CppSQLite3Exception& other)
    : m_errorCode(other.m_errorCode), m_errorMessage(nullptr)
{
    if (other.m_errorMessage)
        m_errorMessage = sqlite3_mprintf("%s", other.m_errorMessage);
}

CppSQLite3Exception& CppSQLite3Exception::operator=(const CppSQLite3Exception& other)
{
    if (this != &other) {
        char* copy = other.m_errorMessage ? sqlite3_mprintf("%s", other.m_errorMessage) : nullptr;
        sqlite3_free(m_errorMessage);
        m_errorMessage = copy;
        m_errorCode = other.m_errorCode;
    }
    return *this;
}

CppSQLite3Exception::~CppSQLite3Exception()
{
    if (m_errorMessage) {
        sqlite3_free(m_errorMessage);
        m_errorMessage = nullptr;
    }
}

const char* CppSQLite3Exception::errorCodeAsString(int errorCode)
{
    switch (errorCode) {
    case SQLITE_OK:
        return "SQLITE_OK";
    case SQLITE_ERROR:
        return "SQLITE_ERROR";
    case SQLITE_INTERNAL:
        return "SQLITE_INTERNAL";
    case SQLITE_PERM:
        return "SQLITE_PERM";
    case SQLITE_ABORT:
        return "SQLITE_ABORT";
    case SQLITE_BUSY:
        return "SQLITE_BUSY";
    case SQLITE_LOCKED:
        return "SQLITE_LOCKED";
    case SQLITE_NOMEM:
        return "SQLITE_NOMEM";
    case SQLITE_READONLY:
        return "SQLITE_READONLY";
    case SQLITE_INTERRUPT:
        return "SQLITE_INTERRUPT";
    case SQLITE_IOERR:
        return "SQLITE_IOERR";
    case SQLITE_CORRUPT:
        return "SQLITE_CORRUPT";
    case SQLITE_NOTFOUND:
        return "SQLITE_NOTFOUND";
    case SQLITE_FULL:
        return "SQLITE_FULL";
    case SQLITE_CANTOPEN:
        return "SQLITE_CANTOPEN";
    case SQLITE_PROTOCOL:
        return "SQLITE_PROTOCOL";
    case SQLITE_EMPTY:
        return "SQLITE_EMPTY";
    case SQLITE_SCHEMA:
        return "SQLITE_SCHEMA";
    case SQLITE_TOOBIG:
        return "SQLITE_TOOBIG";
    case SQLITE_CONSTRAINT:
        return "SQLITE_CONSTRAINT";
    case SQLITE_MISMATCH:
        return "SQLITE_MISMATCH";
    case SQLITE_MISUSE:
        return "SQLITE_MISUSE";
    case SQLITE_NOLFS:
        return "SQLITE_NOLFS";
    case SQLITE_AUTH:
        return "SQLITE_AUTH";
    case SQLITE_FORMAT:
        return "SQLITE_FORMAT";
    case SQLITE_RANGE:
        return "SQLITE_RANGE";
    case SQLITE_ROW:
        return "SQLITE_ROW";
    case SQLITE_DONE:
        return "SQLITE_DONE";
    case CPPSQLITE_ERROR:
        return "CPPSQLITE_ERROR";
    default:
        return "UNKNOWN_ERROR";
    }
}

namespace
{

/* Throws with the connection's current error text (owned by SQLite). */
[[noreturn]] void throwDbError(int code, sqlite3* db)
{
    throw CppSQLite3Exception(code, sqlite3_errmsg(db), DONT_DELETE_MSG);
}

[[noreturn]] void throwWrapperError(const char* text)
{
    throw CppSQLite3Exception(CPPSQLITE_ERROR, text, DONT_DELETE_MSG);
}

/* Owns one sqlite3_mprintf text for the length of a scope. */
class SqliteText
{
  public:
    explicit SqliteText(char* text) : m_text(text)
    {
        if (!m_text)
            throwWrapperError("Cannot allocate memory");
    }
    ~SqliteText() { sqlite3_free(m_text); }
    SqliteText(const SqliteText&) = delete;
    SqliteText& operator=(const SqliteText&) = delete;
    const char* get() const { return m_text; }

  private:
    char* m_text;
};

/* Buffer size that holds the encoding of length bytes. */
int encodedCapacity(int length)
{
    if (length < 0)
        length = 0;
    return static_cast<int>(static_cast<long long>(length) * 257 / 254 + 3);
}

} // namespace

/* ------------------------------------------------------------ buffer */

CppSQLite3Buffer::CppSQLite3Buffer() : m_buffer(nullptr) {}

CppSQLite3Buffer::~CppSQLite3Buffer()
{
    clear();
}

void CppSQLite3Buffer::clear()
{
    if (m_buffer) {
        sqlite3_free(m_buffer);
        m_buffer = nullptr;
    }
}

const char* CppSQLite3Buffer::format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    /* Format first: an argument may be this buffer's own text. */
    char* text = sqlite3_vmprintf(format, args);
    va_end(args);
    if (text == nullptr)
        throwWrapperError("Cannot allocate memory"); /* like every composed text here */
    clear();
    m_buffer = text;
    return m_buffer;
}

/* ------------------------------------------------------------ binary */

CppSQLite3Binary::CppSQLite3Binary()
    : m_buffer(nullptr), m_binaryLength(0), m_bufferLength(0), m_encodedLength(0), m_encoded(false)
{
}

CppSQLite3Binary::~CppSQLite3Binary()
{
    clear();
}

void CppSQLite3Binary::clear()
{
    std::free(m_buffer);
    m_buffer = nullptr;
    m_bufferLength = 0;
    m_binaryLength = 0;
    m_encodedLength = 0;
    m_encoded = false;
}

unsigned char* CppSQLite3Binary::allocBuffer(int length)
{
    clear();
    /* The encoding must stay addressable by int lengths. */
    if (length > 0 && static_cast<long long>(length) * 257 / 254 + 3 > INT_MAX)
        throwWrapperError("Cannot allocate memory");
    m_binaryLength = length < 0 ? 0 : length;
    m_bufferLength = encodedCapacity(length);
    m_buffer = static_cast<unsigned char*>(std::malloc(static_cast<size_t>(m_bufferLength)));
    if (!m_buffer) {
        m_bufferLength = 0;
        m_binaryLength = 0;
        throwWrapperError("Cannot allocate memory");
    }
    return m_buffer;
}

void CppSQLite3Binary::setBinary(const unsigned char* data, int length)
{
    allocBuffer(length);
    if (m_binaryLength > 0 && data)
        std::memcpy(m_buffer, data, static_cast<size_t>(m_binaryLength));
    m_encoded = false;
}

void CppSQLite3Binary::setEncoded(const unsigned char* encoded)
{
    clear();
    const char* text = encoded ? reinterpret_cast<const char*>(encoded) : "";
    const size_t length = std::strlen(text);
    m_buffer = static_cast<unsigned char*>(std::malloc(length + 1));
    if (!m_buffer)
        throwWrapperError("Cannot allocate memory");
    std::memcpy(m_buffer, text, length + 1);
    m_encodedLength = static_cast<int>(length);
    m_bufferLength = static_cast<int>(length + 1);
    m_encoded = true;
}

const unsigned char* CppSQLite3Binary::getEncoded()
{
    if (m_encoded)
        return m_buffer;
    /* Encode from a copy; the result may need more room than the buffer
     * holds when the bytes came from decoding a given text. */
    const int length = m_binaryLength;
    unsigned char* source = static_cast<unsigned char*>(std::malloc(length > 0 ? length : 1));
    if (!source)
        throwWrapperError("Cannot allocate memory");
    if (length > 0)
        std::memcpy(source, m_buffer, static_cast<size_t>(length));
    if (m_bufferLength < encodedCapacity(length)) {
        try {
            allocBuffer(length);
        } catch (...) {
            std::free(source);
            throw;
        }
    }
    m_encodedLength = sqlite3_encode_binary(source, length, m_buffer);
    std::free(source);
    m_encoded = true;
    return m_buffer;
}

const unsigned char* CppSQLite3Binary::getBinary()
{
    if (!m_encoded)
        return m_buffer;
    unsigned char* decoded =
        static_cast<unsigned char*>(std::malloc(static_cast<size_t>(m_encodedLength) + 1));
    if (!decoded)
        throwWrapperError("Cannot allocate memory");
    const int length = sqlite3_decode_binary(m_buffer, decoded);
    if (length < 0) {
        std::free(decoded);
        throwWrapperError("Cannot decode binary");
    }
    std::memcpy(m_buffer, decoded, static_cast<size_t>(length));
    std::free(decoded);
    m_binaryLength = length;
    m_encoded = false;
    return m_buffer;
}

int CppSQLite3Binary::getBinaryLength()
{
    getBinary();
    return m_binaryLength;
}

/* ------------------------------------------------------------ query */

CppSQLite3Query::CppSQLite3Query()
    : m_db(nullptr), m_vm(nullptr), m_eof(true), m_cols(0), m_ownVM(false)
{
}

CppSQLite3Query::CppSQLite3Query(const CppSQLite3Query& other)
    : m_db(other.m_db), m_vm(other.m_vm), m_eof(other.m_eof), m_cols(other.m_cols),
      m_ownVM(other.m_ownVM)
{
    other.m_vm = nullptr;
}

CppSQLite3Query::CppSQLite3Query(sqlite3* db, sqlite3_stmt* vm, bool eof, bool ownVM)
    : m_db(db), m_vm(vm), m_eof(eof), m_cols(vm ? sqlite3_column_count(vm) : 0), m_ownVM(ownVM)
{
}

CppSQLite3Query& CppSQLite3Query::operator=(const CppSQLite3Query& other)
{
    if (this == &other)
        return *this;
    try {
        finalize();
    } catch (...) {
    }
    m_db = other.m_db;
    m_vm = other.m_vm;
    m_eof = other.m_eof;
    m_cols = other.m_cols;
    m_ownVM = other.m_ownVM;
    other.m_vm = nullptr;
    return *this;
}

CppSQLite3Query::~CppSQLite3Query()
{
    try {
        finalize();
    } catch (...) {
    }
}

void CppSQLite3Query::checkVM() const
{
    if (!m_vm)
        throwWrapperError("Null Virtual Machine pointer");
}

void CppSQLite3Query::checkIndex(int column) const
{
    checkVM();
    if (column < 0 || column >= m_cols)
        throwWrapperError("Invalid field index requested");
}

int CppSQLite3Query::numFields()
{
    checkVM();
    return m_cols;
}

int CppSQLite3Query::fieldIndex(const char* field)
{
    checkVM();
    if (field) {
        for (int column = 0; column < m_cols; ++column) {
            const char* name = sqlite3_column_name(m_vm, column);
            if (name && std::strcmp(name, field) == 0)
                return column;
        }
    }
    throwWrapperError("Invalid field name requested");
}

const char* CppSQLite3Query::fieldName(int column)
{
    checkIndex(column);
    return sqlite3_column_name(m_vm, column);
}

const char* CppSQLite3Query::fieldDeclType(int column)
{
    checkIndex(column);
    return sqlite3_column_decltype(m_vm, column);
}

int CppSQLite3Query::fieldDataType(int column)
{
    checkIndex(column);
    return sqlite3_column_type(m_vm, column);
}

const char* CppSQLite3Query::fieldValue(int field)
{
    checkIndex(field);
    return reinterpret_cast<const char*>(sqlite3_column_text(m_vm, field));
}

const char* CppSQLite3Query::fieldValue(const char* field)
{
    return fieldValue(fieldIndex(field));
}

int CppSQLite3Query::getIntField(int field, int nullValue)
{
    if (fieldDataType(field) == SQLITE_NULL)
        return nullValue;
    return sqlite3_column_int(m_vm, field);
}

bool CppSQLite3Query::fieldIsNumeric(int field)
{
    switch (fieldDataType(field)) {
    case SQLITE_NULL:
    case SQLITE_INTEGER:
        return true;
    case SQLITE_FLOAT:
        return std::isfinite(sqlite3_column_double(m_vm, field));
    case SQLITE_TEXT:
        break;
    default:
        return false;
    }
    /* Numeric affinity applied to a copy, so the row's own value keeps its
     * text representation. */
    sqlite3_value* copy = sqlite3_value_dup(sqlite3_column_value(m_vm, field));
    if (copy == nullptr)
        return false;
    int type = sqlite3_value_numeric_type(copy);
    bool numeric = type == SQLITE_INTEGER ||
                   (type == SQLITE_FLOAT && std::isfinite(sqlite3_value_double(copy)));
    sqlite3_value_free(copy);
    return numeric;
}

int CppSQLite3Query::getIntField(const char* field, int nullValue)
{
    return getIntField(fieldIndex(field), nullValue);
}

sqlite3_int64 CppSQLite3Query::getInt64Field(int field, sqlite3_int64 nullValue)
{
    if (fieldDataType(field) == SQLITE_NULL)
        return nullValue;
    return sqlite3_column_int64(m_vm, field);
}

sqlite3_int64 CppSQLite3Query::getInt64Field(const char* field, sqlite3_int64 nullValue)
{
    return getInt64Field(fieldIndex(field), nullValue);
}

double CppSQLite3Query::getFloatField(int field, double nullValue)
{
    if (fieldDataType(field) == SQLITE_NULL)
        return nullValue;
    return sqlite3_column_double(m_vm, field);
}

double CppSQLite3Query::getFloatField(const char* field, double nullValue)
{
    return getFloatField(fieldIndex(field), nullValue);
}

const char* CppSQLite3Query::getStringField(int field, const char* nullValue)
{
    if (fieldDataType(field) == SQLITE_NULL)
        return nullValue;
    return reinterpret_cast<const char*>(sqlite3_column_text(m_vm, field));
}

const char* CppSQLite3Query::getStringField(const char* field, const char* nullValue)
{
    return getStringField(fieldIndex(field), nullValue);
}

const unsigned char* CppSQLite3Query::getBlobField(int field, int& length)
{
    checkIndex(field);
    /* The blob pointer first, then its size, as SQLite asks. */
    const unsigned char* blob = static_cast<const unsigned char*>(sqlite3_column_blob(m_vm, field));
    length = sqlite3_column_bytes(m_vm, field);
    return blob;
}

const unsigned char* CppSQLite3Query::getBlobField(const char* field, int& length)
{
    return getBlobField(fieldIndex(field), length);
}

bool CppSQLite3Query::fieldIsNull(int field)
{
    return fieldDataType(field) == SQLITE_NULL;
}

bool CppSQLite3Query::fieldIsNull(const char* field)
{
    return fieldIsNull(fieldIndex(field));
}

bool CppSQLite3Query::eof()
{
    checkVM();
    return m_eof;
}

void CppSQLite3Query::nextRow()
{
    checkVM();
    const int rc = sqlite3_step(m_vm);
    if (rc == SQLITE_DONE) {
        m_eof = true;
        return;
    }
    if (rc == SQLITE_ROW)
        return;
    /* A borrowed statement still belongs to its CppSQLite3Statement, which
     * finalizes it later: only reset it here. */
    const int code = m_ownVM ? sqlite3_finalize(m_vm) : sqlite3_reset(m_vm);
    m_vm = nullptr;
    throwDbError(code, m_db);
}

void CppSQLite3Query::finalize()
{
    if (!m_vm)
        return;
    sqlite3_stmt* vm = m_vm;
    m_vm = nullptr;
    if (!m_ownVM)
        return;
    const int rc = sqlite3_finalize(vm);
    if (rc != SQLITE_OK)
        throwDbError(rc, m_db);
}

/* ------------------------------------------------------------ table */

CppSQLite3Table::CppSQLite3Table() : m_cols(0), m_rows(0), m_currentRow(0), m_results(nullptr) {}

CppSQLite3Table::CppSQLite3Table(const CppSQLite3Table& other)
    : m_cols(other.m_cols), m_rows(other.m_rows), m_currentRow(other.m_currentRow),
      m_results(other.m_results)
{
    other.m_results = nullptr;
}

CppSQLite3Table::CppSQLite3Table(char** results, int rows, int cols)
    : m_cols(cols), m_rows(rows), m_currentRow(0), m_results(results)
{
}

CppSQLite3Table::~CppSQLite3Table()
{
    finalize();
}

CppSQLite3Table& CppSQLite3Table::operator=(const CppSQLite3Table& other)
{
    if (this == &other)
        return *this;
    finalize();
    m_cols = other.m_cols;
    m_rows = other.m_rows;
    m_currentRow = other.m_currentRow;
    m_results = other.m_results;
    other.m_results = nullptr;
    return *this;
}

void CppSQLite3Table::finalize()
{
    if (m_results) {
        sqlite3_free_table(m_results);
        m_results = nullptr;
    }
}

void CppSQLite3Table::checkResults() const
{
    if (!m_results)
        throwWrapperError("Null Results pointer");
}

int CppSQLite3Table::numFields()
{
    checkResults();
    return m_cols;
}

int CppSQLite3Table::numRows()
{
    checkResults();
    return m_rows;
}

const char* CppSQLite3Table::fieldName(int column)
{
    checkResults();
    if (column < 0 || column >= m_cols)
        throwWrapperError("Invalid field index requested");
    return m_results[column];
}

int CppSQLite3Table::columnOf(const char* field) const
{
    checkResults();
    if (field) {
        for (int column = 0; column < m_cols; ++column) {
            if (m_results[column] && std::strcmp(m_results[column], field) == 0)
                return column;
        }
    }
    throwWrapperError("Invalid field name requested");
}

const char* CppSQLite3Table::fieldValue(int field)
{
    checkResults();
    if (field < 0 || field >= m_cols)
        throwWrapperError("Invalid field index requested");
    /* An empty result has no current row: the array holds the names only. */
    if (m_currentRow < 0 || m_currentRow >= m_rows)
        throwWrapperError("Invalid row index requested");
    return m_results[(m_currentRow + 1) * m_cols + field];
}

const char* CppSQLite3Table::fieldValue(const char* field)
{
    return fieldValue(columnOf(field));
}

int CppSQLite3Table::getIntField(int field, int nullValue)
{
    const char* value = fieldValue(field);
    return value ? std::atoi(value) : nullValue;
}

int CppSQLite3Table::getIntField(const char* field, int nullValue)
{
    return getIntField(columnOf(field), nullValue);
}

double CppSQLite3Table::getFloatField(int field, double nullValue)
{
    const char* value = fieldValue(field);
    return value ? std::atof(value) : nullValue;
}

double CppSQLite3Table::getFloatField(const char* field, double nullValue)
{
    return getFloatField(columnOf(field), nullValue);
}

const char* CppSQLite3Table::getStringField(int field, const char* nullValue)
{
    const char* value = fieldValue(field);
    return value ? value : nullValue;
}

const char* CppSQLite3Table::getStringField(const char* field, const char* nullValue)
{
    return getStringField(columnOf(field), nullValue);
}

bool CppSQLite3Table::fieldIsNull(int field)
{
    return fieldValue(field) == nullptr;
}

bool CppSQLite3Table::fieldIsNull(const char* field)
{
    return fieldIsNull(columnOf(field));
}

void CppSQLite3Table::setRow(int row)
{
    checkResults();
    if (row < 0 || row >= m_rows)
        throwWrapperError("Invalid row index requested");
    m_currentRow = row;
}

/* ------------------------------------------------------------ statement */

CppSQLite3Statement::CppSQLite3Statement() : m_db(nullptr), m_vm(nullptr) {}

CppSQLite3Statement::CppSQLite3Statement(const CppSQLite3Statement& other)
    : m_db(other.m_db), m_vm(other.m_vm)
{
    other.m_vm = nullptr;
}

CppSQLite3Statement::CppSQLite3Statement(sqlite3* db, sqlite3_stmt* vm) : m_db(db), m_vm(vm) {}

CppSQLite3Statement& CppSQLite3Statement::operator=(const CppSQLite3Statement& other)
{
    if (this == &other)
        return *this;
    try {
        finalize();
    } catch (...) {
    }
    m_db = other.m_db;
    m_vm = other.m_vm;
    other.m_vm = nullptr;
    return *this;
}

CppSQLite3Statement::~CppSQLite3Statement()
{
    try {
        finalize();
    } catch (...) {
    }
}

void CppSQLite3Statement::checkDB() const
{
    if (!m_db)
        throwWrapperError("Database not open");
}

void CppSQLite3Statement::checkVM() const
{
    if (!m_vm)
        throwWrapperError("Null Virtual Machine pointer");
}

int CppSQLite3Statement::execDML()
{
    checkDB();
    checkVM();
    const int rc = sqlite3_step(m_vm);
    if (rc == SQLITE_DONE) {
        const int changes = sqlite3_changes(m_db);
        const int resetRc = sqlite3_reset(m_vm);
        if (resetRc != SQLITE_OK)
            throwDbError(resetRc, m_db);
        return changes;
    }
    /* The reset gives the step's error code; a statement that returned a
     * row resets cleanly, so report the step's own code then. */
    const int resetRc = sqlite3_reset(m_vm);
    throwDbError(resetRc != SQLITE_OK ? resetRc : rc, m_db);
}

CppSQLite3Query CppSQLite3Statement::execQuery()
{
    checkDB();
    checkVM();
    const int rc = sqlite3_step(m_vm);
    if (rc == SQLITE_DONE)
        return CppSQLite3Query(m_db, m_vm, true, false);
    if (rc == SQLITE_ROW)
        return CppSQLite3Query(m_db, m_vm, false, false);
    throwDbError(sqlite3_reset(m_vm), m_db);
}

void CppSQLite3Statement::bind(int param, const char* value)
{
    checkVM();
    const int rc = sqlite3_bind_text(m_vm, param, value, -1, SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, "Error binding string param", DONT_DELETE_MSG);
}

void CppSQLite3Statement::bind(int param, const int value)
{
    checkVM();
    const int rc = sqlite3_bind_int(m_vm, param, value);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, "Error binding int param", DONT_DELETE_MSG);
}

void CppSQLite3Statement::bind(int param, const double value)
{
    checkVM();
    const int rc = sqlite3_bind_double(m_vm, param, value);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, "Error binding double param", DONT_DELETE_MSG);
}

void CppSQLite3Statement::bind(int param, const unsigned char* blob, int length)
{
    checkVM();
    const int rc = sqlite3_bind_blob(m_vm, param, blob, length, SQLITE_TRANSIENT);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, "Error binding blob param", DONT_DELETE_MSG);
}

void CppSQLite3Statement::bindNull(int param)
{
    checkVM();
    const int rc = sqlite3_bind_null(m_vm, param);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, "Error binding NULL param", DONT_DELETE_MSG);
}

int CppSQLite3Statement::bindParameterIndex(const char* param)
{
    checkVM();
    const int index = sqlite3_bind_parameter_index(m_vm, param);
    if (index > 0)
        return index;
    char* text = sqlite3_mprintf("Parameter '%s' is not valid for this statement", param);
    /* The exception releases the composed text. */
    throw CppSQLite3Exception(CPPSQLITE_ERROR, text, true);
}

void CppSQLite3Statement::bind(const char* param, const char* value)
{
    bind(bindParameterIndex(param), value);
}

void CppSQLite3Statement::bind(const char* param, const int value)
{
    bind(bindParameterIndex(param), value);
}

void CppSQLite3Statement::bind(const char* param, const double value)
{
    bind(bindParameterIndex(param), value);
}

void CppSQLite3Statement::bind(const char* param, const unsigned char* blob, int length)
{
    bind(bindParameterIndex(param), blob, length);
}

void CppSQLite3Statement::bindNull(const char* param)
{
    bindNull(bindParameterIndex(param));
}

void CppSQLite3Statement::reset()
{
    if (!m_vm)
        return;
    const int rc = sqlite3_reset(m_vm);
    if (rc != SQLITE_OK)
        throwDbError(rc, m_db);
}

void CppSQLite3Statement::finalize()
{
    if (!m_vm)
        return;
    const int rc = sqlite3_finalize(m_vm);
    m_vm = nullptr;
    if (rc != SQLITE_OK)
        throwDbError(rc, m_db);
}

/* ------------------------------------------------------------ database */

CppSQLite3DB::CppSQLite3DB() : m_db(nullptr), m_busyTimeoutMs(1000) {}

CppSQLite3DB::~CppSQLite3DB()
{
    try {
        close();
    } catch (...) {
    }
    /* Statements still open: close as soon as the last one is finalized. */
    if (m_db) {
        sqlite3_close_v2(m_db);
        m_db = nullptr;
    }
}

void CppSQLite3DB::open(const char* file)
{
    close();
    const int rc = sqlite3_open(file, &m_db);
    if (rc != SQLITE_OK) {
        CppSQLite3Exception error(rc, sqlite3_errmsg(m_db), DONT_DELETE_MSG);
        sqlite3_close(m_db);
        m_db = nullptr;
        throw error;
    }
    setBusyTimeout(m_busyTimeoutMs);
}

void CppSQLite3DB::close()
{
    if (!m_db)
        return;
    if (sqlite3_close(m_db) != SQLITE_OK)
        throwWrapperError("Unable to close database");
    m_db = nullptr;
}

void CppSQLite3DB::checkDB() const
{
    if (!m_db)
        throwWrapperError("Database not open");
}

sqlite3_stmt* CppSQLite3DB::compile(const char* sql)
{
    checkDB();
    sqlite3_stmt* vm = nullptr;
    const int rc = sqlite3_prepare_v2(m_db, sql, -1, &vm, nullptr);
    if (rc != SQLITE_OK)
        throwDbError(rc, m_db);
    return vm;
}

CppSQLite3Statement CppSQLite3DB::compileStatement(const char* sql)
{
    sqlite3_stmt* vm = compile(sql);
    return CppSQLite3Statement(m_db, vm);
}

int CppSQLite3DB::execDML(const char* sql)
{
    checkDB();
    char* error = nullptr;
    const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &error);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, error, true);
    return sqlite3_changes(m_db);
}

CppSQLite3Query CppSQLite3DB::execQuery(const char* sql)
{
    sqlite3_stmt* vm = compile(sql);
    /* Text without a statement (empty, only a comment) compiles to nothing. */
    if (!vm)
        throwWrapperError("Null Virtual Machine pointer");
    const int rc = sqlite3_step(vm);
    if (rc == SQLITE_DONE)
        return CppSQLite3Query(m_db, vm, true, true);
    if (rc == SQLITE_ROW)
        return CppSQLite3Query(m_db, vm, false, true);
    throwDbError(sqlite3_finalize(vm), m_db);
}

int CppSQLite3DB::execScalar(const char* sql, int nullValue)
{
    CppSQLite3Query query = execQuery(sql);
    if (query.eof() || query.numFields() < 1)
        throwWrapperError("Invalid scalar query");
    return query.getIntField(0, nullValue);
}

CppSQLite3Table CppSQLite3DB::getTable(const char* sql)
{
    checkDB();
    char* error = nullptr;
    char** results = nullptr;
    int rows = 0;
    int cols = 0;
    const int rc = sqlite3_get_table(m_db, sql, &results, &rows, &cols, &error);
    if (rc != SQLITE_OK)
        throw CppSQLite3Exception(rc, error, true);
    return CppSQLite3Table(results, rows, cols);
}

bool CppSQLite3DB::tableExists(const char* table)
{
    SqliteText sql(sqlite3_mprintf(
        "select count(*) from sqlite_master where type='table' and name=%Q", table));
    return execScalar(sql.get()) > 0;
}

sqlite3_int64 CppSQLite3DB::lastRowId() const
{
    checkDB();
    return sqlite3_last_insert_rowid(m_db);
}

void CppSQLite3DB::setBusyTimeout(int milliseconds)
{
    m_busyTimeoutMs = milliseconds;
    if (m_db)
        sqlite3_busy_timeout(m_db, m_busyTimeoutMs);
}

bool CppSQLite3DB::IsAutoCommitOn()
{
    checkDB();
    return sqlite3_get_autocommit(m_db) != 0;
}

namespace
{

/* "<verb> TRANSACTION;" or, with a name, the name quoted as an identifier. */
char* transactionSql(const char* verb, const char* name)
{
    if (name)
        return sqlite3_mprintf("%s TRANSACTION \"%w\";", verb, name);
    return sqlite3_mprintf("%s TRANSACTION;", verb);
}

} // namespace

int CppSQLite3DB::BeginTransaction(const char* name)
{
    SqliteText sql(transactionSql("BEGIN", name));
    return execDML(sql.get());
}

int CppSQLite3DB::CommitTransaction(const char* name)
{
    SqliteText sql(transactionSql("COMMIT", name));
    return execDML(sql.get());
}

int CppSQLite3DB::RollbackTransaction(const char* name)
{
    SqliteText sql(transactionSql("ROLLBACK", name));
    return execDML(sql.get());
}

int CppSQLite3DB::EndTransaction()
{
    return execDML("END TRANSACTION;");
}

int CppSQLite3DB::saveDatabase(const char* file)
{
    if (!file)
        return -1;
    return load_or_save_db(m_db, file, 1);
}

int CppSQLite3DB::loadDatabase(const char* file)
{
    if (!file)
        return -1;
    return load_or_save_db(m_db, file, 0);
}

/* ------------------------------------------------------------ free functions */

int sqlite3_encode_binary(const unsigned char* in, int n, unsigned char* out)
{
    if (!out)
        return -1;
    if (n <= 0) {
        out[0] = 'x';
        out[1] = 0;
        return 1;
    }
    if (!in)
        return -1;

    int counts[256] = {0};
    for (int i = 0; i < n; ++i)
        counts[in[i]]++;

    /* The offset that leaves the fewest bytes needing an escape (those that
     * would become 0, 1 or an apostrophe). */
    int best = n;
    int offset = 1;
    for (int candidate = 1; candidate < 256; ++candidate) {
        if (candidate == '\'')
            continue;
        const int sum =
            counts[candidate] + counts[(candidate + 1) & 0xff] + counts[(candidate + '\'') & 0xff];
        if (sum < best) {
            best = sum;
            offset = candidate;
            if (sum == 0)
                break;
        }
    }

    int j = 0;
    out[j++] = static_cast<unsigned char>(offset);
    for (int i = 0; i < n; ++i) {
        const int d = (in[i] - offset) & 0xff;
        if (d == 0 || d == 1 || d == '\'') {
            out[j++] = 1;
            out[j++] = static_cast<unsigned char>(d == 0 ? 1 : d == 1 ? 2 : 3);
        } else {
            out[j++] = static_cast<unsigned char>(d);
        }
    }
    out[j] = 0;
    return j;
}

int sqlite3_decode_binary(const unsigned char* in, unsigned char* out)
{
    if (!in || !out || in[0] == 0)
        return -1;
    const int offset = in[0];
    int i = 1;
    int j = 0;
    for (;;) {
        int c = in[i++];
        if (c == 0)
            break;
        if (c == 1) {
            /* The escaped byte is read only after checking the escape
             * itself, so a trailing 0x01 stops at the terminating zero. */
            c = in[i++];
            if (c == 1)
                c = 0;
            else if (c == 2)
                c = 1;
            else if (c == 3)
                c = '\'';
            else
                return -1;
        }
        out[j++] = static_cast<unsigned char>((c + offset) & 0xff);
    }
    return j;
}

int load_or_save_db(sqlite3* db, const char* fileName, int isSave)
{
    if (!db || !fileName)
        return SQLITE_MISUSE;
    sqlite3* file = nullptr;
    int rc = sqlite3_open(fileName, &file);
    if (rc == SQLITE_OK) {
        sqlite3* from = isSave ? db : file;
        sqlite3* to = isSave ? file : db;
        sqlite3_backup* backup = sqlite3_backup_init(to, "main", from, "main");
        if (backup) {
            sqlite3_backup_step(backup, -1);
            sqlite3_backup_finish(backup);
        }
        rc = sqlite3_errcode(to);
    }
    sqlite3_close(file);
    return rc;
}
