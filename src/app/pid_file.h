// SPDX-License-Identifier: Apache-2.0
/*
 * pid_file.h - the single-instance pid file of the gateway.
 *
 * The file <run dir>/<program name>.pid holds the gateway's pid in decimal
 * (no newline) and carries a write lock (fcntl) for as long as the process
 * lives: a second gateway finds the lock taken and stops. The lock, not the
 * file's presence, is what counts, so a file left by a killed gateway does
 * not block the next start.
 *
 * Choices:
 * - The file is opened with O_NOFOLLOW and must be a regular file with a
 *   single link: a symbolic link, a hard link to another file, a directory or
 *   a device in its place is refused and left as it is, so a gateway never
 *   truncates a file it was pointed at.
 * - After the lock is taken the path is checked to still name the locked
 *   file; an exiting gateway may have removed it meanwhile, and a lock on a
 *   removed file would keep nobody out. The open is then tried again.
 * - Release (and the destructor) removes the file while still holding the
 *   lock, and only when the path still names the file this process locked.
 * - Every failure is printed as one line that says what failed, on which
 *   path and why; the lines keep their earlier beginnings ("Open file
 *   failed, error : ...", "... already locked, error: ...", "Write file
 *   failed, ...").
 */
#ifndef QX_APP_PID_FILE_H
#define QX_APP_PID_FILE_H

#include <string>
#include <sys/types.h>

class PidFile
{
  public:
    enum Outcome {
        kHeld,        /* locked, pid written */
        kHeldByOther, /* another process holds the lock */
        kFailed       /* the file cannot be used (printed) */
    };

    PidFile() = default;
    /* Release(). */
    ~PidFile();
    PidFile(const PidFile&) = delete;
    PidFile& operator=(const PidFile&) = delete;

    /* "<runDir>/<program name>.pid" of the running program; empty (and a
     * line printed) when its name cannot be read from /proc/self/exe. */
    static std::string PathFor(const std::string& runDir);

    /* Opens, locks and fills path; prints the reason of every failure. */
    Outcome Acquire(const std::string& path);
    /* Removes the file if this object holds it, then drops the lock. */
    void Release();

  private:
    int m_fd = -1;
    std::string m_path;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
};

#endif
