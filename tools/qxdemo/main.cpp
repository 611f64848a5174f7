/*
 * qxdemo - writes the demo data set of the gateway, optionally grown.
 *
 *   qxdemo [--status N] [--measured N] <working-dir> [<configuration-db>]
 *
 * Creates <working-dir>/tmp/dbDat0.db3, <working-dir>/qxSvr.ini and the
 * configuration database (default: the configured flash root's dbCfg.db3),
 * replacing existing files. --status N (up to 32768) adds 16-input devices
 * until the status image holds N inputs; --measured N (up to 30000) adds a
 * served table of N measured values (see scaled_data.h). Exit status 0 on
 * success, 1 on failure.
 */
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

int usage(const char* program)
{
    std::fprintf(stderr,
                 "usage: %s [--status N] [--measured N] <working-dir> [<configuration-db>]\n",
                 program);
    return 1;
}

/* A whole decimal number from 0 to max, or -1. */
int sizeArgument(const char* text, int max)
{
    char* end = nullptr;
    long value = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || value < 0 || value > max)
        return -1;
    return static_cast<int>(value);
}

} // namespace

int main(int argc, char** argv)
{
    int status = -1;
    int measured = -1;
    int arg = 1;
    for (; arg + 1 < argc && std::strncmp(argv[arg], "--", 2) == 0; arg += 2) {
        if (std::strcmp(argv[arg], "--status") == 0)
            status = sizeArgument(argv[arg + 1], qxdemo::kMaxStatusPoints);
        else if (std::strcmp(argv[arg], "--measured") == 0)
            measured = sizeArgument(argv[arg + 1], qxdemo::kMaxBulkValues);
        else
            return usage(argv[0]);
        if ((std::strcmp(argv[arg], "--status") == 0 && status < 0) ||
            (std::strcmp(argv[arg], "--measured") == 0 && measured < 0)) {
            std::fprintf(stderr, "qxdemo: bad size %s %s\n", argv[arg], argv[arg + 1]);
            return 1;
        }
    }
    if (argc - arg < 1 || argc - arg > 2)
        return usage(argv[0]);
    const char* dir = argv[arg];
    const char* cfg = argc - arg == 2 ? argv[arg + 1] : QX_CFG_DB_PATH;
    try {
        if (status < 0 && measured < 0)
            qxdemo::BuildAll(dir, cfg);
        else
            qxdemo::BuildScaled(dir, cfg, status < 0 ? 0 : status, measured < 0 ? 0 : measured);
    } catch (CppSQLite3Exception& e) {
        std::fprintf(stderr, "qxdemo: database error: %s\n",
                     e.errorMessage() ? e.errorMessage() : "");
        return 1;
    } catch (std::exception& e) {
        std::fprintf(stderr, "qxdemo: %s\n", e.what());
        return 1;
    }
    std::printf("demo data written to %s (configuration database %s)\n", dir, cfg);
    return 0;
}
