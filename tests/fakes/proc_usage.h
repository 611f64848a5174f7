// SPDX-License-Identifier: Apache-2.0
/*
 * A process's resource use read from /proc, for tests that watch the real
 * gateway: its threads (/proc/<pid>/task), its descriptors (/proc/<pid>/fd)
 * and the kB figures of /proc/<pid>/status.
 */
#ifndef QX_TESTS_FAKES_PROC_USAGE_H
#define QX_TESTS_FAKES_PROC_USAGE_H

#include <dirent.h>
#include <sys/types.h>

#include <fstream>
#include <string>

/* Entries of a directory other than the dot ones; -1 when it cannot be read. */
inline int CountDirectoryEntries(const std::string& dir)
{
    DIR* handle = opendir(dir.c_str());
    if (handle == nullptr)
        return -1;
    int count = 0;
    while (dirent* entry = readdir(handle))
        if (entry->d_name[0] != '.')
            count++;
    closedir(handle);
    return count;
}

/* The kB figure of a /proc/<pid>/status line such as "VmRSS:"; -1 when absent. */
inline long ProcStatusKb(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(field.size()));
    return -1;
}

#endif
