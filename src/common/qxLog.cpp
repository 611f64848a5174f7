// SPDX-License-Identifier: Apache-2.0
/*
 * qxLog: profile-file functions and the trace log (see qxLog.h).
 *
 * Design choices:
 *   - Section and key names match only when equal to the request; a request
 *     for "portx" neither reads nor overwrites the entry "port".
 *   - A section header is "[" name "]" on one line. A "[" line without its
 *     "]" names no section; otherwise a write could take one at the end of the file
 *     for the section and glue the new entry onto it, reporting success for
 *     an entry that could not be read back.
 *   - The file is read with its exact length; 0xFF bytes are data, and bytes
 *     after a zero byte are kept by a rewrite (they are not searched).
 *   - The working buffers live on the heap. A file that does not fit the
 *     buffer (QX_PROFILE_BUF_SIZE - 1 bytes) is refused, and
 *     write_profile_string refuses a file it cannot read (other than a
 *     missing one) and a new text that would not fit, so it never replaces
 *     a file it has not fully read.
 *   - A trace entry that does not fit its 20482-byte buffer is cut, and its
 *     last byte becomes a line feed so the next entry starts its own line.
 *   - trace_log holds a lock while it rotates, formats and writes, so
 *     callers on different threads do not mix entries or numbers.
 */
#include "qxLog.h"

#include <cassert>
#include <cctype>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <new>
#include <string>

/* A violated precondition is a defect in the caller: a debug build stops
 * with the condition's text, a release build fails the call. */
#ifdef NDEBUG
#define QXLOG_REQUIRE(cond, text, result)                                                          \
    do {                                                                                           \
        if (!(cond))                                                                               \
            return result;                                                                         \
    } while (0)
#else
#define QXLOG_REQUIRE(cond, text, result)                                                          \
    do {                                                                                           \
        if (!(cond))                                                                               \
            __assert_fail(text, __FILE__, __LINE__, __func__);                                     \
    } while (0)
#endif

namespace
{

enum class LoadResult { Ok, Missing, Failed };

/* Reads the whole file into buf (bufSize bytes, zero-terminated). Missing
 * only when the file does not exist; Failed for any other open or read
 * error and for a file that does not fit. */
LoadResult loadFile(const char* file, char* buf, int bufSize, int* fileSize)
{
    *fileSize = 0;
    if (bufSize <= 0)
        return LoadResult::Failed;
    buf[0] = 0;
    FILE* fp = std::fopen(file, "rb");
    if (!fp)
        return errno == ENOENT ? LoadResult::Missing : LoadResult::Failed;
    /* One byte more than fits tells a full buffer from an oversized file. */
    const size_t got = std::fread(buf, 1, static_cast<size_t>(bufSize), fp);
    const bool failed = std::ferror(fp) != 0;
    std::fclose(fp);
    if (failed || got >= static_cast<size_t>(bufSize)) {
        buf[0] = 0;
        return LoadResult::Failed;
    }
    buf[got] = 0;
    *fileSize = static_cast<int>(got);
    return LoadResult::Ok;
}

bool isLineEnd(char c)
{
    return c == '\n' || c == '\r';
}

/* Offset of the line end (LF, CR or the terminating zero) from pos on. */
int lineEnd(const char* buf, int pos)
{
    while (buf[pos] != 0 && !isLineEnd(buf[pos]))
        ++pos;
    return pos;
}

/* Offset of the next line's first byte after the line starting at pos. */
int nextLine(const char* buf, int pos)
{
    pos = lineEnd(buf, pos);
    return buf[pos] != 0 ? pos + 1 : pos;
}

bool equalName(const char* buf, int start, int end, const char* name)
{
    const size_t length = std::strlen(name);
    return static_cast<size_t>(end - start) == length &&
           std::memcmp(buf + start, name, length) == 0;
}

/* Searches one section body from pos for key. Gives the offset where the
 * body ends (a "[" or the terminating zero) or, when found, -1 with the
 * entry's positions set. */
int searchBody(const char* key, const char* buf, int pos, int* keyS, int* keyE, int* valueS,
               int* valueE)
{
    while (buf[pos] != 0 && buf[pos] != '[') {
        const int end = lineEnd(buf, pos);
        if (buf[pos] != ';') {
            const void* eq = std::memchr(buf + pos, '=', static_cast<size_t>(end - pos));
            const int equals = eq ? static_cast<int>(static_cast<const char*>(eq) - buf) : -1;
            if (equals >= 0 && equalName(buf, pos, equals, key)) {
                *keyS = pos;
                *keyE = equals - 1;
                *valueS = equals + 1;
                *valueE = end;
                return -1;
            }
        }
        pos = buf[end] != 0 ? end + 1 : end;
    }
    return pos;
}

} // namespace

int load_ini_file(const char* file, char* buf, int* fileSize, int bufSize)
{
    QXLOG_REQUIRE(file != nullptr, "file !=__null", 0);
    QXLOG_REQUIRE(buf != nullptr, "buf !=__null", 0);
    QXLOG_REQUIRE(fileSize != nullptr, "fileSize != __null", 0);
    return loadFile(file, buf, bufSize, fileSize) == LoadResult::Ok ? 1 : 0;
}

int parse_file(const char* section, const char* key, const char* buf, int* secS, int* secE,
               int* keyS, int* keyE, int* valueS, int* valueE)
{
    QXLOG_REQUIRE(section != nullptr && std::strlen(section),
                  "section != __null && strlen(section)", 0);
    QXLOG_REQUIRE(key != nullptr && std::strlen(key), "key != __null && strlen(key)", 0);
    QXLOG_REQUIRE(buf != nullptr, "buf!=__null", 0);
    *secS = *secE = *keyS = *keyE = *valueS = *valueE = -1;

    int pos = 0;
    while (buf[pos] != 0) {
        if (buf[pos] != '[') {
            pos = nextLine(buf, pos);
            continue;
        }
        /* A header ends at "]" on its own line; without one it names no
         * section, so a write never appends its entry to that line. */
        const int nameStart = pos + 1;
        const int end = lineEnd(buf, pos);
        const void* close = std::memchr(buf + nameStart, ']', static_cast<size_t>(end - nameStart));
        const int nameEnd = close ? static_cast<int>(static_cast<const char*>(close) - buf) : -1;
        if (nameEnd < 0 || !equalName(buf, nameStart, nameEnd, section)) {
            pos = nextLine(buf, pos);
            continue;
        }
        /* The body begins at the first non-space byte after "]". */
        int body = nameEnd + 1;
        while (buf[body] != 0 && std::isspace(static_cast<unsigned char>(buf[body])))
            ++body;
        *secS = nameStart;
        *secE = body;
        pos = searchBody(key, buf, body, keyS, keyE, valueS, valueE);
        if (pos < 0)
            return 1;
        /* A later header with the same name is searched too. */
    }
    return 0;
}

int read_profile_string(const char* section, const char* key, char* value, int size,
                        const char* defaultValue, const char* file)
{
    QXLOG_REQUIRE(section != nullptr && std::strlen(section),
                  "section != __null && strlen(section)", 0);
    QXLOG_REQUIRE(key != nullptr && std::strlen(key), "key != __null && strlen(key)", 0);
    QXLOG_REQUIRE(value != nullptr, "value != __null", 0);
    QXLOG_REQUIRE(size > 0, "size > 0", 0);
    QXLOG_REQUIRE(file != nullptr && std::strlen(key), "file !=__null &&strlen(key)", 0);

    std::unique_ptr<char[]> buf(new (std::nothrow) char[QX_PROFILE_BUF_SIZE]);
    int fileSize = 0;
    int secS, secE, keyS, keyE, valueS, valueE;
    if (buf && loadFile(file, buf.get(), QX_PROFILE_BUF_SIZE, &fileSize) == LoadResult::Ok &&
        parse_file(section, key, buf.get(), &secS, &secE, &keyS, &keyE, &valueS, &valueE)) {
        int length = valueE - valueS;
        if (length > size - 1)
            length = size - 1;
        std::memset(value, 0, static_cast<size_t>(size));
        std::memcpy(value, buf.get() + valueS, static_cast<size_t>(length));
        return 1;
    }
    if (defaultValue) {
        size_t length = std::strlen(defaultValue);
        if (length > static_cast<size_t>(size - 1))
            length = static_cast<size_t>(size - 1);
        std::memcpy(value, defaultValue, length);
        value[length] = 0;
    }
    return 0;
}

int read_profile_int(const char* section, const char* key, int defaultValue, const char* file)
{
    char value[32] = {0};
    if (!read_profile_string(section, key, value, sizeof value, nullptr, file))
        return defaultValue;
    return std::atoi(value);
}

namespace
{

/* The file's text with section/key set to value. Empty result when the
 * text would not fit the working buffer. */
bool composeProfile(const char* section, const char* key, const char* value, const char* old,
                    int oldSize, bool sectionFound, int secE, bool keyFound, int valueS, int valueE,
                    std::string& text)
{
    if (!sectionFound) {
        text.assign(old, static_cast<size_t>(oldSize));
        if (oldSize > 0)
            text += '\n';
        text += std::string("[") + section + "]\n" + key + "=" + value + "\n";
    } else if (!keyFound) {
        text.assign(old, static_cast<size_t>(secE));
        text += std::string(key) + "=" + value + "\n";
        text.append(old + secE, static_cast<size_t>(oldSize - secE));
    } else {
        text.assign(old, static_cast<size_t>(valueS));
        text += value;
        text.append(old + valueE, static_cast<size_t>(oldSize - valueE));
    }
    return text.size() <= static_cast<size_t>(QX_PROFILE_BUF_SIZE - 1);
}

} // namespace

int write_profile_string(const char* section, const char* key, const char* value, const char* file)
{
    QXLOG_REQUIRE(section != nullptr && std::strlen(section),
                  "section != __null && strlen(section)", 0);
    QXLOG_REQUIRE(key != nullptr && std::strlen(key), "key != __null && strlen(key)", 0);
    QXLOG_REQUIRE(value != nullptr, "value != __null", 0);
    QXLOG_REQUIRE(file != nullptr && std::strlen(key), "file !=__null &&strlen(key)", 0);

    std::unique_ptr<char[]> old(new (std::nothrow) char[QX_PROFILE_BUF_SIZE]);
    if (!old)
        return 0;
    int oldSize = 0;
    const LoadResult loaded = loadFile(file, old.get(), QX_PROFILE_BUF_SIZE, &oldSize);
    /* Never replace a file that exists but could not be read whole. */
    if (loaded == LoadResult::Failed)
        return 0;

    int secS = -1, secE = -1, keyS = -1, keyE = -1, valueS = -1, valueE = -1;
    const bool keyFound =
        loaded == LoadResult::Ok &&
        parse_file(section, key, old.get(), &secS, &secE, &keyS, &keyE, &valueS, &valueE) == 1;
    const bool sectionFound = secE >= 0;

    std::string text;
    try {
        if (!composeProfile(section, key, value, old.get(), oldSize, sectionFound, secE, keyFound,
                            valueS, valueE, text))
            return 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
    old.reset();

    FILE* fp = std::fopen(file, "wb");
    if (!fp)
        return 0;
    const size_t written = std::fwrite(text.data(), 1, text.size(), fp);
    const bool failed = written != text.size() || std::fflush(fp) != 0;
    return (std::fclose(fp) == 0 && !failed) ? 1 : 0;
}

/* ------------------------------------------------------------ trace log */

namespace
{

constexpr size_t TRACE_MESSAGE_SIZE = 20480;
constexpr size_t TRACE_BUFFER_SIZE = 20482;
constexpr long TRACE_ENTRIES_PER_FILE = 1000;

std::mutex traceLock;
long icount = 0;
char message[TRACE_MESSAGE_SIZE];
char buffer[TRACE_BUFFER_SIZE];

/* Moves a full log to "<log>.bak", replacing the older generation. */
void rotateLog(const char* path)
{
    const std::string backup = std::string(path) + ".bak";
    std::remove(backup.c_str());
    std::rename(path, backup.c_str());
    icount = 0;
}

} // namespace

int trace_log(const char* tag, const char* format, ...)
{
    if (!tag)
        return -1;
    std::lock_guard<std::mutex> guard(traceLock);
    const char* path = filename;
    if (!path)
        return 1;
    if (icount >= TRACE_ENTRIES_PER_FILE)
        rotateLog(path);

    std::memset(message, 0, sizeof message);
    if (format) {
        va_list args;
        va_start(args, format);
        std::vsnprintf(message, sizeof message, format, args);
        va_end(args);
    }

    const time_t now = std::time(nullptr);
    struct tm local;
    std::memset(&local, 0, sizeof local);
    localtime_r(&now, &local);
    std::memset(buffer, 0, sizeof buffer);
    const int length =
        std::snprintf(buffer, sizeof buffer, "%ld=[%s][%d-%02d-%02d %02d:%02d:%02d] %s", icount,
                      tag, local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                      local.tm_min, local.tm_sec, message);
    if (length >= static_cast<int>(sizeof buffer))
        buffer[sizeof buffer - 2] = '\n';

    FILE* fp = std::fopen(path, "a+");
    if (!fp)
        return 1;
    ++icount;
    std::fputs(buffer, fp);
    std::fflush(fp);
    std::fclose(fp);
    return 1;
}
