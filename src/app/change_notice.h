// SPDX-License-Identifier: Apache-2.0
/*
 * change_notice.h - a notice from the kernel (inotify) that the data file may
 * have changed, so that the scan loop sleeps through the scans that would
 * find nothing.
 *
 * The watch is on the file's directory: it sees writes to the file and to
 * its journals (SQLite's "<name>-journal" and "<name>-wal"), and the file or
 * a journal being created, renamed over, renamed away or removed. A writer
 * may reach the file through any path into that directory. Reads, and the
 * shared-memory index that readers update in memory, give no notice.
 *
 * The watch cannot be trusted, and is not armed, when the file's last name
 * is a symbolic link (writes reach the target's directory; a link that
 * appears later disarms it) or the directory cannot be watched. When the directory itself is
 * renamed or removed, or the kernel's queue of events overflowed, Take says so as a notice and the
 * watch is disarmed; Rearm watches the directory that then has the name. Writers that the kernel
 * does not see (another host on a network file system) give no notice: the scan loop's scans at
 * least once a second are what catches those.
 *
 * One thread uses a ChangeNotice; nothing blocks.
 */
#ifndef QX_APP_CHANGE_NOTICE_H
#define QX_APP_CHANGE_NOTICE_H

#include <string>

class ChangeNotice
{
  public:
    /* Watches path's directory (see Rearm). */
    explicit ChangeNotice(const std::string& path);
    ~ChangeNotice();
    ChangeNotice(const ChangeNotice&) = delete;
    ChangeNotice& operator=(const ChangeNotice&) = delete;

    /* True while every change of the file shows as a notice. */
    bool Armed() const { return m_watch >= 0; }

    /* The descriptor to wait on: readable while events wait to be taken.
     * -1 while a notice is pending (a busy writer then wakes nobody until
     * Clear) or when there is no inotify descriptor at all. */
    int WaitFd() const { return m_pending ? -1 : m_fd; }

    /* Reads every waiting event; true when a notice is pending: one of them,
     * or one before, may concern the file (its name or a journal's, the
     * directory moved or removed, events lost). Never blocks. */
    bool Take();

    /* Drops the pending notice and every event so far: called before the
     * file is read, so that what comes after gives the next notice. */
    void Clear();

    /* Watches the directory the path names now, when the watch is not
     * armed; true when it is armed afterwards. */
    bool Rearm();

  private:
    bool Concerns(const char* name) const;
    bool NamesALink() const;
    void Disarm();

    std::string m_dir;
    std::string m_name;
    int m_fd = -1;
    int m_watch = -1;
    bool m_pending = false;
};

#endif
