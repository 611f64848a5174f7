// SPDX-License-Identifier: Apache-2.0
/*
 * change_notice.cpp - the data file's change notice over inotify (see
 * change_notice.h).
 */
#include "change_notice.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

/* What a writer of the file or of its journals does to the directory. */
const uint32_t kChangeEvents =
    IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;
/* The directory itself went away: the watch is gone with it. */
const uint32_t kWatchLost = IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED;

} // namespace

ChangeNotice::ChangeNotice(const std::string& path)
{
    const size_t slash = path.rfind('/');
    m_dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    m_name = slash == std::string::npos ? path : path.substr(slash + 1);
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    Rearm();
}

ChangeNotice::~ChangeNotice()
{
    if (m_fd >= 0)
        close(m_fd);
}

bool ChangeNotice::Rearm()
{
    if (m_watch >= 0)
        return true;
    if (m_fd < 0 || m_name.empty())
        return false;
    if (NamesALink())
        return false;
    m_watch = inotify_add_watch(m_fd, m_dir.c_str(), kChangeEvents | kWatchLost | IN_ONLYDIR);
    return m_watch >= 0;
}

bool ChangeNotice::NamesALink() const
{
    struct stat st;
    return lstat((m_dir + "/" + m_name).c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

void ChangeNotice::Disarm()
{
    inotify_rm_watch(m_fd, m_watch);
    m_watch = -1;
}

/* The file's name, or the name followed by "-" and a suffix: its journals. */
bool ChangeNotice::Concerns(const char* name) const
{
    return std::strncmp(name, m_name.c_str(), m_name.size()) == 0 &&
           (name[m_name.size()] == '\0' || name[m_name.size()] == '-');
}

void ChangeNotice::Clear()
{
    Take();
    m_pending = false;
}

bool ChangeNotice::Take()
{
    if (m_fd < 0)
        return false;
    alignas(struct inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t got = read(m_fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return m_pending; /* EAGAIN: nothing more waits */
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(struct inotify_event)) <= got;) {
            const struct inotify_event* event =
                reinterpret_cast<const struct inotify_event*>(buffer + at);
            at += static_cast<ssize_t>(sizeof(struct inotify_event) + event->len);
            if (event->mask & IN_Q_OVERFLOW) {
                m_pending = true;
            } else if (event->wd == m_watch && (event->mask & kWatchLost)) {
                m_pending = true;
                if (event->mask & IN_IGNORED)
                    m_watch = -1; /* already removed by the kernel */
                else
                    Disarm();
            } else if (event->wd == m_watch && event->len > 0 && Concerns(event->name)) {
                m_pending = true;
                if ((event->mask & (IN_CREATE | IN_MOVED_TO)) && m_name == event->name &&
                    NamesALink())
                    Disarm(); /* the writes now land beside the target */
            }
        }
    }
}
