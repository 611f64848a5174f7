#include "options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

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

bool needValue(int argc, char** argv, int& i, const char*& value)
{
    if (i + 1 >= argc)
        return false;
    value = argv[++i];
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
    return "usage: qx104master [-H host] [-p port] [-a ca] [-o oa] [-i] [-g qoi]\n"
           "                   [-c ioa=state] [-C cot] [-s] [-w seconds] [-r seconds] [-h]\n"
           "  -H host        station address (default 127.0.0.1)\n"
           "  -p port        TCP port (default 2404)\n"
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
           "  -h             this text\n";
}

bool parseOptions(int argc, char** argv, MasterOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (arg[0] != '-' || arg[1] == '\0' || arg[2] != '\0') {
            error = std::string("unexpected argument: ") + arg;
            return false;
        }
        char option = arg[1];
        if (option == 'i') {
            options.interrogate = true;
            options.qoi = 20;
            continue;
        }
        if (option == 's') {
            options.clockSync = true;
            continue;
        }
        if (option == 'h') {
            options.help = true;
            continue;
        }
        if (strchr("HpaogcCwr", option) == nullptr) {
            error = std::string("unknown option: ") + arg;
            return false;
        }
        const char* value = nullptr;
        if (!needValue(argc, argv, i, value)) {
            error = std::string("option ") + arg + " needs a value";
            return false;
        }
        if (!applyOption(option, value, options)) {
            error = std::string("bad value for ") + arg + ": " + value;
            return false;
        }
    }
    return true;
}
