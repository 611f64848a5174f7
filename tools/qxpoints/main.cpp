/*
 * qxpoints - prints the point list of a gateway working directory.
 *
 *   qxpoints [--csv] [--check] [--cfg <configuration database>] [<dir>]
 *
 * Runs the gateway's own start-up (qxSvr.ini, ./libqxdb.so, tmp/dbDat0.db3,
 * the tbSMType copy from the configuration database, the served tables) and
 * one refresh that records every point's source, in <dir> (default: the
 * working directory). Like a gateway start, the start-up replaces the live
 * database's tbSMType copy with the configuration database's.
 *
 * stdout: the table (or CSV); the gateway's start-up messages go to stderr,
 * and with --csv the problems and notes too. Exit status: 0; 1 with --check
 * when there is a problem (an IOA sent twice, a row outside the images);
 * 2 on a usage error or when the data cannot be opened.
 */
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "point_list.h"

namespace
{

struct Options {
    bool csv = false;
    bool check = false;
    std::string cfg;
    std::string dir;
};

bool ParseOptions(int argc, char** argv, Options& o)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--csv")
            o.csv = true;
        else if (arg == "--check")
            o.check = true;
        else if (arg == "--cfg" && i + 1 < argc)
            o.cfg = argv[++i];
        else if (!arg.empty() && arg[0] != '-' && o.dir.empty())
            o.dir = arg;
        else
            return false;
    }
    return true;
}

/* Sends stdout to stderr while it lives, so the gateway's console messages
 * do not mix with the list. */
class StdoutToStderr
{
  public:
    StdoutToStderr()
    {
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        if (m_saved >= 0)
            dup2(STDERR_FILENO, STDOUT_FILENO);
    }
    ~StdoutToStderr()
    {
        std::fflush(stdout);
        if (m_saved >= 0) {
            dup2(m_saved, STDOUT_FILENO);
            close(m_saved);
        }
    }
    StdoutToStderr(const StdoutToStderr&) = delete;
    StdoutToStderr& operator=(const StdoutToStderr&) = delete;

  private:
    int m_saved;
};

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!ParseOptions(argc, argv, o)) {
        std::fprintf(stderr, "usage: qxpoints [--csv] [--check] [--cfg <configuration "
                             "database>] [<dir>]\n");
        return 2;
    }
    if (!o.dir.empty() && chdir(o.dir.c_str()) != 0) {
        std::fprintf(stderr, "qxpoints: cannot enter %s: %s\n", o.dir.c_str(),
                     std::strerror(errno));
        return 2;
    }

    CSvrWrapper104 gateway;
    if (!o.cfg.empty())
        gateway.SetConfigDbPath(o.cfg);
    PointSourceRecord record;
    {
        StdoutToStderr quiet;
        gateway.Init();
        if (gateway.IsOk())
            gateway.UpdDat(&record);
    }
    if (!gateway.IsOk()) {
        std::fprintf(stderr, "qxpoints: the gateway's data cannot be opened here "
                             "(./libqxdb.so, tmp/dbDat0.db3)\n");
        return 2;
    }

    PointImageSnapshot img = gateway.Snapshot();
    qxpoints::PointList list = qxpoints::MakePointList(gateway.AnswerRanges(*img), *img, record);
    if (o.csv) {
        std::fputs(qxpoints::FormatCsv(list).c_str(), stdout);
        for (const std::string& p : list.problems)
            std::fprintf(stderr, "problem: %s\n", p.c_str());
        for (const std::string& n : list.notes)
            std::fprintf(stderr, "note: %s\n", n.c_str());
    } else {
        std::fputs(qxpoints::FormatTable(list).c_str(), stdout);
    }
    std::fflush(stdout);
    return o.check && !list.problems.empty() ? 1 : 0;
}
