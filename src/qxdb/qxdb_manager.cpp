/*
 * qxdb_manager.cpp - the library's manager and its two exported entry points.
 *
 * The library holds one manager at a time (FreeDbManager takes no argument):
 * GetDbManager creates it on the first call and hands out the same object
 * until FreeDbManager destroys it with every connection it opened. Opening a
 * name twice gives the same connection, so every user of the library in the
 * process shares it. Without QXDB_OPEN_CREATE a missing file is refused, so a
 * wrong working directory shows as a failed open instead of an empty new
 * database.
 */
#include <unistd.h>

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
        auto found = m_open.find(name);
        if (found != m_open.end())
            return found->second.get();
        if ((flags & QXDB_OPEN_CREATE) == 0 && access(name, F_OK) != 0)
            return nullptr;
        try {
            std::unique_ptr<QxDbConnection> db(
                new QxDbConnection(name, (flags & QXDB_OPEN_NO_STMT_CACHE) == 0));
            DbConnection* result = db.get();
            m_open[name] = std::move(db);
            return result;
        } catch (...) {
            return nullptr;
        }
    }

    ~QxDbManager() override = default;

  private:
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
