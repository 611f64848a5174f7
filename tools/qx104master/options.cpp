// SPDX-License-Identifier: Apache-2.0
#include "options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <arpa/inet.h>
#include <getopt.h>

namespace
{

/* Whole decimal number in [low, high]; nothing else in the text. */
bool parseInt(const char* text, long low, long high, int& out)
{
    if (text == nullptr || *text == '\0')
        return false;
    char* end = nullptr;
    errno = 0;
    long value = strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < low || value > high)
        return false;
    out = static_cast<int>(value);
    return true;
}

/* "ioa=state" with state 0 or 1. */
bool parseCommand(const char* text, MasterOptions& options)
{
    const char* eq = strchr(text, '=');
    if (eq == nullptr)
        return false;
    std::string ioa(text, static_cast<size_t>(eq - text));
    int state = 0;
    if (!parseInt(ioa.c_str(), 0, 0xFFFFFF, options.commandIoa) || !parseInt(eq + 1, 0, 1, state))
        return false;
    options.commandState = state != 0;
    options.singleCommand = true;
    return true;
}

bool applyOption(char option, const char* value, MasterOptions& o)
{
    switch (option) {
    case 'H':
        o.host = value;
        return !o.host.empty();
    case 'p':
        return parseInt(value, 1, 65535, o.port);
    case 'b': {
        struct in_addr unused;
        o.bindAddress = value;
        return inet_pton(AF_INET, value, &unused) == 1;
    }
    case 'a':
        return parseInt(value, 0, 65535, o.commonAddress);
    case 'o':
        return parseInt(value, 0, 255, o.originatorAddress);
    case 'g':
        o.interrogate = true;
        return parseInt(value, 0, 255, o.qoi);
    case 'c':
        return parseCommand(value, o);
    case 'C':
        return parseInt(value, 1, 63, o.cause);
    case 'w':
        return parseInt(value, 0, INT_MAX / 1000, o.listenSeconds);
    case 'r':
        return parseInt(value, 0, INT_MAX / 1000, o.silenceSeconds);
    default:
        return false;
    }
}

} // namespace

const char* usageText()
{
    return "Usage: qx104master [OPTION]...\n"
           "Connects to an IEC 60870-5-104 station, starts data transfer, sends the\n"
           "requests given and prints every frame event and received ASDU.\n"
           "  -H host        station address (default 127.0.0.1)\n"
           "  -p port        TCP port (default 2404)\n"
           "  -b address     connect from this local IPv4 address (a station with\n"
           "                 redundancy groups places a master by its address)\n"
           "  -a ca          common address of the commands (default 1)\n"
           "  -o oa          originator address of the commands (default 0)\n"
           "  -i             station interrogation (qualifier 20)\n"
           "  -g qoi         interrogation with this qualifier (21-36: groups)\n"
           "  -c ioa=state   single command, state 0 or 1\n"
           "  -C cot         cause of transmission of the commands (default 6)\n"
           "  -s             clock synchronisation with the current UTC time\n"
           "  -w seconds     keep printing this long after the requests\n"
           "                 (default 5; 0 = until Ctrl-C)\n"
           "  -r seconds     the station's report period: say so when no data\n"
           "                 arrives for longer after STARTDT con (default 10;\n"
           "                 0 = never)\n"
           "  -h, --help     print this text and exit\n"
           "  --version      print the version and exit\n"
           "Exit status:\n"
           "  0  normal end: the listening time is over, or Ctrl-C\n"
           "  2  bad command line, or the connection cannot be made\n"
           "  3  STARTDT not confirmed within 5 s, or a request cannot be sent\n"
           "  4  the station closed the connection\n";
}

bool parseOptions(int argc, char** argv, MasterOptions& options, std::string& error)
{
    enum { kVersion = 256 };
    static const struct option longOptions[] = {
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, kVersion},
        {nullptr, 0, nullptr, 0},
    };
    /* Leading ':' reports a missing value as ':' and keeps getopt quiet:
     * the caller prints the reason with the usage text. */
    static const char shortOptions[] = ":H:p:b:a:o:ig:c:C:sw:r:h";
    optind = 0; /* a fresh scan on every call */
    int option;
    while ((option = getopt_long(argc, argv, shortOptions, longOptions, nullptr)) != -1) {
        switch (option) {
        case 'i':
            options.interrogate = true;
            options.qoi = 20;
            break;
        case 's':
            options.clockSync = true;
            break;
        case 'h':
            options.help = true;
            break;
        case kVersion:
            options.version = true;
            break;
        case ':':
            error = optopt != 0 ? std::string("option -") + static_cast<char>(optopt)
                                : std::string("option ") + argv[optind - 1];
            error += " needs a value";
            return false;
        case '?':
            error = optopt != 0 ? std::string("unknown option: -") + static_cast<char>(optopt)
                                : std::string("unknown option: ") + argv[optind - 1];
            return false;
        default:
            if (!applyOption(static_cast<char>(option), optarg, options)) {
                error = std::string("bad value for -") + static_cast<char>(option) + ": " + optarg;
                return false;
            }
        }
    }
    if (optind < argc) {
        error = std::string("unexpected argument: ") + argv[optind];
        return false;
    }
    return true;
}
