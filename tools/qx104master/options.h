// SPDX-License-Identifier: Apache-2.0
/*
 * Command line of qx104master, parsed with getopt_long (short options may be
 * grouped, a value may follow its letter directly, "--" ends the options).
 *
 *   qx104master [-H host] [-p port] [-b address] [-a ca] [-o oa] [-i] [-g qoi]
 *               [-c ioa=state] [-C cot] [-s] [-w seconds] [-r seconds]
 *               [-h|--help] [--version]
 *
 * Requests are sent in the order interrogation, single command, clock
 * synchronisation, after STARTDT has been confirmed.
 */
#ifndef QX_TOOLS_OPTIONS_H
#define QX_TOOLS_OPTIONS_H

#include <string>

struct MasterOptions {
    std::string host = "127.0.0.1";
    int port = 2404;
    /* Local IPv4 address to connect from; empty: the system chooses. */
    std::string bindAddress;
    int commonAddress = 1;
    int originatorAddress = 0;
    bool interrogate = false;
    int qoi = 20; /* qualifier of interrogation, 20 = station */
    bool singleCommand = false;
    int commandIoa = 0;
    bool commandState = false;
    int cause = 6; /* cause of transmission of the commands sent */
    bool clockSync = false;
    int listenSeconds = 5; /* after the requests; 0 = until Ctrl-C */
    /* Report period of the station: a started connection that receives no
     * ASDU for longer is reported once per silent stretch; 0 = never. */
    int silenceSeconds = 10;
    bool help = false;
    bool version = false;
};

/*
 * Parses argv into options. Returns false with a one-line reason in error
 * for an unknown option, a missing or malformed value, or a value out of
 * range (port 1-65535, bind address a dotted IPv4 address, ca 0-65535, oa 0-255, qoi 0-255, cot
 * 1-63, ioa 0-16777215, state 0 or 1, seconds 0 or more).
 */
bool parseOptions(int argc, char** argv, MasterOptions& options, std::string& error);

/* The usage text printed for -h and --help, and after a parse error. */
const char* usageText();

#endif
