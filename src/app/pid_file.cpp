// SPDX-License-Identifier: Apache-2.0
/*
 * pid_file.cpp - see pid_file.h.
 */
#include "pid_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{

/* Attempts when the locked file turns out to be removed meanwhile. */
const int kOpenAttempts = 5;

/* Writes the decimal pid over the whole file; false (errno set) on failure. */
bool writePid(int fd)
{
    char text[16];
    snprintf(text, sizeof(text), "%d", static_cast<int>(getpid()));
    if (ftruncate(fd, 0) != 0)
        return false;
    const size_t length = strlen(text);
    const ssize_t written = pwrite(fd, text, length, 0);
    if (written >= 0 && written != static_cast<ssize_t>(length))
        errno = ENOSPC;
    return written == static_cast<ssize_t>(length);
}

/* True when path still names the file open on fd. */
bool pathNamesFile(const std::string& path, dev_t dev, ino_t ino)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0 && info.st_dev == dev && info.st_ino == ino;
}

void printOpenFailure(const char* reason, const std::string& path)
{
    printf("Open file failed, error : %s, file: %s\n", reason, path.c_str());
}

} // namespace

PidFile::~PidFile()
{
    Release();
}

std::string PidFile::PathFor(const std::string& runDir)
{
    char buffer[1024];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
    if (length <= 0) {
        printf("Open file failed, error : %s, file: /proc/self/exe (the program name names the "
               "pid file)\n",
               strerror(errno));
        return std::string();
    }
    buffer[length] = '\0';
    const char* slash = strrchr(buffer, '/');
    const char* name = slash != nullptr ? slash + 1 : buffer;
    return runDir + "/" + name + ".pid";
}

PidFile::Outcome PidFile::Acquire(const std::string& path)
{
    Release();
    for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
        int fd = open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0) {
            const int error = errno;
            if (error == ELOOP) {
                printf("Open file failed, error : %s, file: %s (a symbolic link is refused)\n",
                       strerror(error), path.c_str());
            } else {
                printOpenFailure(strerror(error), path);
            }
            return kFailed;
        }
        struct stat info;
        if (fstat(fd, &info) != 0) {
            printOpenFailure(strerror(errno), path);
            close(fd);
            return kFailed;
        }
        if (!S_ISREG(info.st_mode)) {
            printOpenFailure("not a regular file", path);
            close(fd);
            return kFailed;
        }
        if (info.st_nlink > 1) {
            printOpenFailure("the file has other hard links", path);
            close(fd);
            return kFailed;
        }

        struct flock lock;
        memset(&lock, 0, sizeof(lock));
        lock.l_type = F_WRLCK;
        lock.l_whence = SEEK_SET;
        lock.l_start = 0;
        lock.l_len = 0; /* to the end of the file, however long it grows */
        if (fcntl(fd, F_SETLK, &lock) < 0 && (errno == EACCES || errno == EAGAIN)) {
            printf("%s already locked, error: %s\n", path.c_str(), strerror(errno));
            close(fd);
            return kHeldByOther;
        }
        /* Any other lock failure is not a sign of a second instance: go on. */

        if (!pathNamesFile(path, info.st_dev, info.st_ino)) {
            close(fd); /* removed by the gateway that held it: open anew */
            continue;
        }
        if (!writePid(fd)) {
            printf("Write file failed, file: %s, error: %s\n", path.c_str(), strerror(errno));
            close(fd);
            return kFailed;
        }
        /* fd stays open: the lock lasts until Release or the process ends. */
        m_fd = fd;
        m_path = path;
        m_dev = info.st_dev;
        m_ino = info.st_ino;
        return kHeld;
    }
    printOpenFailure("replaced while being locked, again and again", path);
    return kFailed;
}

void PidFile::Release()
{
    if (m_fd < 0)
        return;
    if (pathNamesFile(m_path, m_dev, m_ino))
        unlink(m_path.c_str());
    close(m_fd);
    m_fd = -1;
    m_path.clear();
}
