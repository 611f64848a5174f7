// SPDX-License-Identifier: Apache-2.0
/*
 * qxLog: profile-file functions and the trace log.
 *
 * Profile functions read and write single "key=value" entries of an INI-style
 * file directly in its text, without building a tree. Each call reads the
 * whole file again (at most QX_PROFILE_BUF_SIZE - 1 bytes) and
 * write_profile_string rewrites it whole. Section and key names match only
 * when they are equal to the request; nothing is trimmed (a blank before "="
 * belongs to the key). Lines end at LF or CR; a line starting with ";" is a
 * comment. Every byte value other than 0 is data.
 *
 * Results: int 1 for success, 0 for failure (read_profile_int: the value or
 * the default). A violated precondition (null or empty names, null buffers,
 * size <= 0) is a programming error: it aborts a debug build and fails (0)
 * in a release build.
 *
 * trace_log appends numbered, time-stamped entries
 * "%ld=[tag][YYYY-MM-DD hh:mm:ss] message" to the file named by the global
 * `filename` (defined by the process host). After 1000 entries the file is
 * renamed to `filename` + ".bak" (replacing the older one) and numbering
 * starts again at 0.
 *
 * Memory: the 1 MiB working buffers are allocated on the heap per call;
 * nothing is kept between calls.
 *
 * Threads: the profile functions are safe as far as no two writers change
 * the same file at once; trace_log serializes its callers with a lock.
 *
 * Design choices:
 *   - A file of QX_PROFILE_BUF_SIZE bytes or more is refused (0), and so is
 *     a rewrite whose text would not fit QX_PROFILE_BUF_SIZE - 1 bytes; the
 *     file then stays unchanged.
 *   - A trace entry longer than its 20482-byte buffer is cut to it.
 */
#ifndef QX_LOG_H
#define QX_LOG_H

/* Size of the profile working buffers, terminating zero included. */
constexpr int QX_PROFILE_BUF_SIZE = 1024 * 1024;

/* Log path read by trace_log; defined by the process host. */
extern const char* filename;

/* Reads file into buf (which holds bufSize bytes) and terminates it with a
 * zero byte; *fileSize gets the content length. 1 on success, 0 when the file
 * cannot be opened, cannot be read or does not fit (bufSize - 1 bytes at
 * most); *fileSize is then 0. */
int load_ini_file(const char* file, char* buf, int* fileSize, int bufSize = QX_PROFILE_BUF_SIZE);

/* Finds key in section of the zero-terminated text buf. Positions are byte
 * offsets, -1 when not found: secS = first byte of the section name, secE =
 * first non-space byte after its "]" (start of the body), keyS/keyE = first
 * and last byte of the key, valueS = first byte after "=", valueE = the line
 * end after the value. 1 when found (all set), 0 otherwise (secS/secE may be
 * set when only the section was found). */
int parse_file(const char* section, const char* key, const char* buf, int* secS, int* secE,
               int* keyS, int* keyE, int* valueS, int* valueE);

/* Copies the value of section/key into value (size bytes, always
 * terminated, cut to size - 1). 1 when found; otherwise 0 and value gets
 * defaultValue (cut likewise) or, for a null default, stays unchanged. */
int read_profile_string(const char* section, const char* key, char* value, int size,
                        const char* defaultValue, const char* file);

/* atoi of the value, or defaultValue when the entry is not found. */
int read_profile_int(const char* section, const char* key, int defaultValue, const char* file);

/* Sets section/key to value, adding the section and/or the entry when
 * missing (a missing file is created). 1 when the file was rewritten; 0 when
 * it does not fit, cannot be written or a precondition fails. */
int write_profile_string(const char* section, const char* key, const char* value, const char* file);

/* Appends one entry to the log; -1 for a null tag, 1 otherwise (also when
 * the log cannot be opened: the entry is then lost). */
int trace_log(const char* tag, const char* format, ...) __attribute__((format(printf, 2, 3)));

#endif
