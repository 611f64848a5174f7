// SPDX-License-Identifier: Apache-2.0
/*
 * File and folder helpers shared by the tests (header-only). Files are read
 * and written as raw octets, so CR LF, zero and 0xFF bytes pass unchanged.
 * Folders are made and removed in process (no shell), never following a
 * symbolic link out of the tree.
 */
#ifndef QX_TEST_FILE_HELPERS_H
#define QX_TEST_FILE_HELPERS_H

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>

#ifdef QX_TEST_TMPDIR
#include <gtest/gtest.h>
#endif

namespace qxtest
{

/* Replaces the file's contents with text; false on failure. */
inline bool writeFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

/* The file's contents; empty when it cannot be read. */
inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline bool pathExists(const std::string& path)
{
    struct stat info;
    return lstat(path.c_str(), &info) == 0;
}

inline int removeTreeEntry(const char* path, const struct stat*, int type, struct FTW*)
{
    if (type == FTW_DP)
        rmdir(path);
    else
        unlink(path);
    return 0; /* keep going: removal is best effort */
}

/* Removes a file or a folder tree, links not followed; a missing path is fine. */
inline void removeTree(const std::string& path)
{
    struct stat info;
    if (lstat(path.c_str(), &info) != 0)
        return;
    if (S_ISDIR(info.st_mode))
        nftw(path.c_str(), removeTreeEntry, 16, FTW_DEPTH | FTW_PHYS);
    else
        unlink(path.c_str());
}

/* Creates a folder and its parents; true when it exists afterwards. */
inline bool makeDirs(const std::string& path)
{
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos == path.size() || path[pos] == '/') {
            std::string part = path.substr(0, pos);
            if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST)
                return false;
        }
    }
    return true;
}

#ifdef QX_TEST_TMPDIR
/* The running test's own empty folder in the build tree,
 * QX_TEST_TMPDIR/<suite>.<test>; what an earlier run left there is removed.
 * Empty when it cannot be made. */
inline std::string freshTestDir()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string dir =
        std::string(QX_TEST_TMPDIR) + "/" + info->test_suite_name() + "." + info->name();
    removeTree(dir);
    return makeDirs(dir) ? dir : std::string();
}

/* A path for name in the running test's own folder (freshTestDir), which the
 * first call within each test empties. Empty when the folder cannot be made. */
inline std::string testPath(const std::string& name)
{
    static const ::testing::TestInfo* madeFor = nullptr;
    static std::string dir;
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info != madeFor) {
        dir = freshTestDir();
        madeFor = info;
    }
    return dir.empty() ? dir : dir + "/" + name;
}
#endif

} // namespace qxtest

#endif
