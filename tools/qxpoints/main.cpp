// SPDX-License-Identifier: Apache-2.0
/*
 * qxpoints - prints the point list of a gateway working directory.
 *
 *   qxpoints [--csv] [--check] [--cfg <configuration database>] [<dir>]
 *   qxpoints -h|--help | --version
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
#include <getopt.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "point_list.h"
#include "qx_paths.h"

namespace
{

struct Options {
    bool csv = false;
    bool check = false;
    bool help = false;
    bool version = false;
    std::string cfg;
    std::string dir;
};

const char kUsage[] = "Usage: qxpoints [--csv] [--check] [--cfg <configuration database>] [<dir>]\n"
                      "Prints the point list of a gateway working directory <dir> (default: the\n"
                      "current directory): every IOA the gateway serves, with its type, cause,\n"
                      "value and the database field it comes from. Runs the gateway's own\n"
                      "start-up there, which replaces the live database's tbSMType copy with the\n"
                      "configuration database's, like a gateway start.\n"
                      "  --csv          comma-separated values for a master's import; problems\n"
                      "                 and notes go to stderr\n"
                      "  --check        exit with status 1 when there is a problem (an IOA sent\n"
                      "                 twice, a row outside the point images)\n"
                      "  --cfg <file>   the configuration database (default " QX_CFG_DB_PATH ")\n"
                      "  -h, --help     print this text and exit\n"
                      "  --version      print the version and exit\n"
                      "Exit status:\n"
                      "  0  the list was printed (with --check: and there is no problem)\n"
                      "  1  with --check: there is a problem\n"
                      "  2  bad command line, or the data cannot be opened\n";

/* getopt_long over argv; false on an unknown option, a missing value or
 * more than one directory. */
bool ParseOptions(int argc, char** argv, Options& o)
{
    enum { kCsv = 256, kCheck, kCfg, kVersion };
    static const struct option longOptions[] = {
        {"csv", no_argument, nullptr, kCsv},         {"check", no_argument, nullptr, kCheck},
        {"cfg", required_argument, nullptr, kCfg},   {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, kVersion}, {nullptr, 0, nullptr, 0},
    };
    int option;
    while ((option = getopt_long(argc, argv, "h", longOptions, nullptr)) != -1) {
        switch (option) {
        case kCsv:
            o.csv = true;
            break;
        case kCheck:
            o.check = true;
            break;
        case kCfg:
            o.cfg = optarg;
            break;
        case 'h':
            o.help = true;
            break;
        case kVersion:
            o.version = true;
            break;
        default: /* getopt_long has named the fault on stderr */
            return false;
        }
    }
    if (optind < argc) {
        o.dir = argv[optind++];
        if (o.dir.empty())
            return false;
    }
    return optind == argc;
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
        std::fputs(kUsage, stderr);
        return 2;
    }
    if (o.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (o.version) {
        std::puts("qxpoints " QX_VERSION);
        return 0;
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
    point_list::PointList list =
        point_list::MakePointList(gateway.AnswerRanges(*img), *img, record);
    if (o.csv) {
        std::fputs(point_list::FormatCsv(list).c_str(), stdout);
        for (const std::string& p : list.problems)
            std::fprintf(stderr, "problem: %s\n", p.c_str());
        for (const std::string& n : list.notes)
            std::fprintf(stderr, "note: %s\n", n.c_str());
    } else {
        std::fputs(point_list::FormatTable(list).c_str(), stdout);
    }
    std::fflush(stdout);
    return o.check && !list.problems.empty() ? 1 : 0;
}
