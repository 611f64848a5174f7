// SPDX-License-Identifier: Apache-2.0
/*
 * startup_diagnosis.cpp - see startup_diagnosis.h.
 */
#include "startup_diagnosis.h"

#include <arpa/inet.h>
#include <climits>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

std::string WorkingDirectory()
{
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof(cwd)) == nullptr)
        return ".";
    return cwd;
}

std::string AbsolutePath(const std::string& path)
{
    if (!path.empty() && path[0] == '/')
        return path;
    const std::string dir = WorkingDirectory();
    return dir == "." ? path : dir + "/" + path;
}

std::string FileProblem(const std::string& path)
{
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return strerror(errno);
    if (!S_ISREG(info.st_mode))
        return "not a regular file";
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return strerror(errno);
    close(fd);
    return std::string();
}

std::string ListenProblem(const std::string& address, int port)
{
    struct sockaddr_in where;
    memset(&where, 0, sizeof(where));
    where.sin_family = AF_INET;
    where.sin_port = htons(static_cast<uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &where.sin_addr) != 1)
        return "not an IPv4 address";
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return strerror(errno);
    int one = 1; /* as the slave binds: connections in TIME_WAIT do not count */
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof(one));
    std::string problem;
    if (bind(fd, reinterpret_cast<struct sockaddr*>(&where), sizeof(where)) != 0 ||
        listen(fd, 1) != 0)
        problem = strerror(errno);
    close(fd);
    return problem;
}
