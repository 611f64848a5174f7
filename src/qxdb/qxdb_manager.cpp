// SPDX-License-Identifier: Apache-2.0
/*
 * qxdb_manager.cpp - the library's manager and its two exported entry points.
 *
 * The library holds one manager at a time (FreeDbManager takes no argument):
 * GetDbManager creates it on the first call and hands out the same object
 * until FreeDbManager destroys it with every connection it opened. Opening a
 * file twice (by its canonical path) gives the same connection, so every user
 * of the library in the process shares it. Without QXDB_OPEN_CREATE a missing file is refused, so a
 * wrong working directory shows as a failed open instead of an empty new
 * database.
 */
#include <unistd.h>

#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "qxdb.h"
#include "qxdb_connection.h"

namespace
{

class QxDbManager : public DbManager
{
  public:
    DbConnection* OpenDb(const char* name, int flags) override
    {
        if (name == nullptr)
            return nullptr;
        const bool exists = access(name, F_OK) == 0;
        if (!exists && (flags & QXDB_OPEN_CREATE) == 0)
            return nullptr;
        try {
            auto found = m_open.find(keyOf(name));
            if (found != m_open.end())
                return found->second.get();
            std::unique_ptr<QxDbConnection> db(
                new QxDbConnection(name, (flags & QXDB_OPEN_NO_STMT_CACHE) == 0));
            DbConnection* result = db.get();
            m_open[keyOf(name)] = std::move(db); /* the file exists now */
            return result;
        } catch (...) {
            return nullptr;
        }
    }

    ~QxDbManager() override = default;

  private:
    /* The file's canonical path, so that one file opened under two names (or
     * one relative name from two working directories) is told apart right. */
    static std::string keyOf(const char* name)
    {
        char* real = realpath(name, nullptr);
        if (real == nullptr)
            return name;
        std::string key = real;
        free(real);
        return key;
    }

    std::map<std::string, std::unique_ptr<QxDbConnection>> m_open;
};

QxDbManager* g_manager = nullptr;

} // namespace

#define QXDB_EXPORT __attribute__((visibility("default")))

extern "C" QXDB_EXPORT DbManager* GetDbManager()
{
    if (g_manager == nullptr) {
        try {
            g_manager = new QxDbManager;
        } catch (...) {
            return nullptr;
        }
    }
    return g_manager;
}

extern "C" QXDB_EXPORT void FreeDbManager()
{
    delete g_manager;
    g_manager = nullptr;
}
