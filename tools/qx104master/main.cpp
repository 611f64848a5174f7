// SPDX-License-Identifier: Apache-2.0
/*
 * qx104master: a small IEC 60870-5-104 controlling station for operators and
 * tests. It connects to a station, starts data transfer, optionally sends a
 * station or group interrogation, a single command and a clock
 * synchronisation, and prints every frame event and every received ASDU in
 * readable form until the listening time is over, the station closes the
 * connection, or Ctrl-C.
 *
 * Exit statuses (also in the usage text): 0 after a normal run, 2 for a bad
 * command line (the usage text goes to stderr) or when the connection cannot
 * be made, 3 when STARTDT is not confirmed within 5 s or a request cannot be
 * sent, 4 when the station closes the connection.
 */
#include "asdu_text.h"
#include "master_link.h"
#include "options.h"
#include "qx_paths.h"
#include "silence_watch.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/time.h>

namespace
{

std::atomic<int> stopRequested{0};

void onSigint(int)
{
    stopRequested.store(1);
}

/* The station's application-layer sizes (type 1, VSQ 1, COT 2, CA 2, IOA 3). */
struct sCS101_AppLayerParameters linkParameters = {1, 1, 2, 0, 2, 3};

int64_t steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

uint64_t utcNowMs()
{
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<uint64_t>(tv.tv_sec) * 1000u + static_cast<uint64_t>(tv.tv_usec) / 1000u;
}

const char* eventName(LinkEvent::Kind kind)
{
    switch (kind) {
    case LinkEvent::STARTDT_CON:
        return "STARTDT con";
    case LinkEvent::STOPDT_CON:
        return "STOPDT con";
    case LinkEvent::TESTFR_ACT:
        return "TESTFR act (answered)";
    case LinkEvent::TESTFR_CON:
        return "TESTFR con";
    case LinkEvent::S_FRAME:
        return "S frame";
    default:
        return nullptr;
    }
}

/* Prints one event; false when the link has ended. */
bool printEvent(const LinkEvent& event, bool& closedByPeer)
{
    if (event.kind == LinkEvent::ASDU) {
        fputs(formatAsdu(&linkParameters, event.asdu.data(), static_cast<int>(event.asdu.size()))
                  .c_str(),
              stdout);
        return true;
    }
    if (event.kind == LinkEvent::CLOSED || event.kind == LinkEvent::ERROR) {
        puts(event.kind == LinkEvent::CLOSED ? "connection closed by the station"
                                             : "link error, connection closed");
        closedByPeer = true;
        return false;
    }
    if (event.kind == LinkEvent::OTHER_U)
        printf("unexpected U frame 0x%02X\n", event.code);
    else if (const char* name = eventName(event.kind))
        printf("%s\n", name);
    return true;
}

bool startDataTransfer(MasterLink& link)
{
    if (!link.sendU(0x07))
        return false;
    puts("STARTDT act sent");
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    bool closed = false;
    while (std::chrono::steady_clock::now() < deadline && !stopRequested.load()) {
        LinkEvent event = link.receive(100);
        if (!printEvent(event, closed))
            return false;
        if (event.kind == LinkEvent::STARTDT_CON)
            return true;
    }
    return false;
}

bool sendRequest(MasterLink& link, const std::vector<uint8_t>& asdu, const char* what)
{
    if (asdu.empty() || !link.sendASDU(asdu.data(), static_cast<int>(asdu.size()))) {
        printf("cannot send %s\n", what);
        return false;
    }
    printf("%s sent\n", what);
    return true;
}

bool sendRequests(MasterLink& link, const MasterOptions& o)
{
    if (o.interrogate &&
        !sendRequest(link,
                     buildInterrogation(&linkParameters, o.cause, o.originatorAddress,
                                        o.commonAddress, o.qoi),
                     "interrogation"))
        return false;
    if (o.singleCommand &&
        !sendRequest(link,
                     buildSingleCommand(&linkParameters, o.cause, o.originatorAddress,
                                        o.commonAddress, o.commandIoa, o.commandState),
                     "single command"))
        return false;
    if (o.clockSync && !sendRequest(link,
                                    buildClockSync(&linkParameters, o.cause, o.originatorAddress,
                                                   o.commonAddress, utcNowMs()),
                                    "clock synchronisation"))
        return false;
    return true;
}

/* Prints what arrives until the time is over; false when the station closed.
 * A silence longer than the report period is reported once per stretch. */
bool listen(MasterLink& link, int seconds, SilenceWatch& silence, int silenceSeconds)
{
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    bool closed = false;
    while (!stopRequested.load() && (seconds == 0 || std::chrono::steady_clock::now() < deadline)) {
        LinkEvent event = link.receive(100);
        if (event.kind == LinkEvent::ASDU)
            silence.dataReceived(steadyMs());
        if (!printEvent(event, closed))
            break;
        if (silence.silentTooLong(steadyMs()))
            printf("no data for over %d s since STARTDT con or the last ASDU: the link is up, "
                   "but another master may have taken over (a gateway in single redundancy "
                   "group mode serves only the master that sent the latest STARTDT act)\n",
                   silenceSeconds);
    }
    return !closed;
}

} // namespace

int main(int argc, char** argv)
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
    MasterOptions options;
    std::string error;
    if (!parseOptions(argc, argv, options, error)) {
        fprintf(stderr, "qx104master: %s\n%s", error.c_str(), usageText());
        return 2;
    }
    if (options.help) {
        fputs(usageText(), stdout);
        return 0;
    }
    if (options.version) {
        puts("qx104master " QX_VERSION);
        return 0;
    }
    signal(SIGINT, onSigint);
    signal(SIGPIPE, SIG_IGN);

    MasterLink link;
    if (!link.connect(options.host, options.port, 5000, error, options.bindAddress)) {
        fprintf(stderr, "qx104master: cannot connect to %s:%d: %s\n", options.host.c_str(),
                options.port, error.c_str());
        return 2;
    }
    printf("connected to %s:%d\n", options.host.c_str(), options.port);
    if (!startDataTransfer(link)) {
        puts("STARTDT not confirmed");
        return 3;
    }
    SilenceWatch silence(static_cast<int64_t>(options.silenceSeconds) * 1000, steadyMs());
    if (!sendRequests(link, options))
        return 3;
    return listen(link, options.listenSeconds, silence, options.silenceSeconds) ? 0 : 4;
}
