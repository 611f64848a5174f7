/*
 * qxdemo - writes the demo data set of the gateway.
 *
 *   qxdemo <working-dir> [<configuration-db>]
 *
 * Creates <working-dir>/tmp/dbDat0.db3, <working-dir>/qxSvr.ini and the
 * configuration database (default: the configured flash root's dbCfg.db3),
 * replacing existing files. Exit status 0 on success, 1 on failure.
 */
#include <cstdio>
#include <exception>

#include "CppSQLite3.h"
#include "demo_data.h"
#include "qx_paths.h"

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <working-dir> [<configuration-db>]\n", argv[0]);
        return 1;
    }
    const char* cfg = argc == 3 ? argv[2] : QX_CFG_DB_PATH;
    try {
        qxdemo::BuildAll(argv[1], cfg);
    } catch (CppSQLite3Exception& e) {
        std::fprintf(stderr, "qxdemo: database error: %s\n",
                     e.errorMessage() ? e.errorMessage() : "");
        return 1;
    } catch (std::exception& e) {
        std::fprintf(stderr, "qxdemo: %s\n", e.what());
        return 1;
    }
    std::printf("demo data written to %s (configuration database %s)\n", argv[1], cfg);
    return 0;
}
