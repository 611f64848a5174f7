// SPDX-License-Identifier: Apache-2.0
/*
 * qxdemo - writes the demo data set of the gateway, optionally grown.
 *
 *   qxdemo [--status N] [--measured N] [--force] <working-dir> [<configuration-db>]
 *   qxdemo -h|--help | --version
 *
 * Creates <working-dir>/tmp/dbDat0.db3, <working-dir>/qxSvr.ini and the
 * configuration database (default: the configured flash root's dbCfg.db3),
 * and names each file it writes on stdout. A controller's existing files are
 * its configuration and live data: without --force none of the three is
 * replaced; qxdemo names the ones that exist and writes nothing. --status N
 * (up to 32768) adds 16-input devices until the status image holds N inputs;
 * --measured N (up to 30000) adds a served table of N measured values (see
 * scaled_data.h). Exit statuses: see kUsage.
 */
#include <getopt.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "CppSQLite3.h"
#include "demo_data.h"
#include "qx_paths.h"
#include "scaled_data.h"

namespace
{

enum ExitStatus { kOk = 0, kFailed = 1, kUsageError = 2, kFilesExist = 3 };

const char kUsage[] = "Usage: qxdemo [OPTION]... <working-dir> [<configuration-db>]\n"
                      "Writes the gateway's demo data set and names each file written on stdout:\n"
                      "<working-dir>/tmp/dbDat0.db3 (live data), <working-dir>/qxSvr.ini and the\n"
                      "configuration database, by default:\n"
                      "  " QX_CFG_DB_PATH "\n"
                      "  --status N     grow the status image to N inputs (up to 32768)\n"
                      "  --measured N   add a served table of N measured values (up to 30000)\n"
                      "  --force        replace these files when they exist; without it an\n"
                      "                 existing file is named and nothing is written\n"
                      "  -h, --help     print this text and exit\n"
                      "  --version      print the version and exit\n"
                      "Exit status:\n"
                      "  0  the data set was written\n"
                      "  1  a file could not be written\n"
                      "  2  bad command line\n"
                      "  3  a file exists and --force was not given (nothing written)\n";

struct Options {
    int status = -1;
    int measured = -1;
    bool force = false;
    bool help = false;
    bool version = false;
    std::string dir;
    std::string cfg = QX_CFG_DB_PATH;
};

/* A whole decimal number from 0 to max, or -1. */
int sizeArgument(const char* text, int max)
{
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > max)
        return -1;
    return static_cast<int>(value);
}

/* getopt_long over argv; false (after a message on stderr) on a fault. */
bool parseOptions(int argc, char** argv, Options& o)
{
    enum { kStatus = 256, kMeasured, kForce, kVersion };
    static const struct option longOptions[] = {
        {"status", required_argument, nullptr, kStatus},
        {"measured", required_argument, nullptr, kMeasured},
        {"force", no_argument, nullptr, kForce},
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, kVersion},
        {nullptr, 0, nullptr, 0},
    };
    int option;
    while ((option = getopt_long(argc, argv, "h", longOptions, nullptr)) != -1) {
        switch (option) {
        case kStatus:
            o.status = sizeArgument(optarg, qxdemo::kMaxStatusPoints);
            if (o.status < 0) {
                std::fprintf(stderr, "qxdemo: bad size --status %s\n", optarg);
                return false;
            }
            break;
        case kMeasured:
            o.measured = sizeArgument(optarg, qxdemo::kMaxBulkValues);
            if (o.measured < 0) {
                std::fprintf(stderr, "qxdemo: bad size --measured %s\n", optarg);
                return false;
            }
            break;
        case kForce:
            o.force = true;
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
    if (o.help || o.version)
        return true;
    if (argc - optind < 1 || argc - optind > 2)
        return false;
    o.dir = argv[optind];
    if (argc - optind == 2)
        o.cfg = argv[optind + 1];
    return !o.dir.empty() && !o.cfg.empty();
}

bool exists(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parseOptions(argc, argv, o)) {
        std::fputs(kUsage, stderr);
        return kUsageError;
    }
    if (o.help) {
        std::fputs(kUsage, stdout);
        return kOk;
    }
    if (o.version) {
        std::puts("qxdemo " QX_VERSION);
        return kOk;
    }

    const struct {
        std::string path;
        const char* what;
    } files[] = {
        {o.dir + "/tmp/dbDat0.db3", "live data"},
        {o.dir + "/qxSvr.ini", "gateway configuration"},
        {o.cfg, "configuration database"},
    };
    if (!o.force) {
        bool found = false;
        for (const auto& f : files) {
            if (exists(f.path)) {
                std::fprintf(stderr, "qxdemo: %s exists (%s)\n", f.path.c_str(), f.what);
                found = true;
            }
        }
        if (found) {
            std::fputs("qxdemo: nothing written; --force replaces these files\n", stderr);
            return kFilesExist;
        }
    }

    try {
        if (o.status < 0 && o.measured < 0)
            qxdemo::BuildAll(o.dir, o.cfg);
        else
            qxdemo::BuildScaled(o.dir, o.cfg, o.status < 0 ? 0 : o.status,
                                o.measured < 0 ? 0 : o.measured);
    } catch (CppSQLite3Exception& e) {
        std::fprintf(stderr, "qxdemo: database error: %s\n",
                     e.errorMessage() ? e.errorMessage() : "");
        return kFailed;
    } catch (std::exception& e) {
        std::fprintf(stderr, "qxdemo: %s\n", e.what());
        return kFailed;
    }
    for (const auto& f : files)
        std::printf("wrote %s (%s)\n", f.path.c_str(), f.what);
    std::printf("demo data written to %s (configuration database %s)\n", o.dir.c_str(),
                o.cfg.c_str());
    return kOk;
}
