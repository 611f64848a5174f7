// SPDX-License-Identifier: Apache-2.0
/*
 * qxsvr104 process host: start-up, single-instance lock, signal handling and
 * the periodic main loop around the one CSvrWrapper104 gateway object.
 *
 * Start-up order: remove the trace log of an earlier run, take the pid-file
 * lock (pid_file.h), construct the gateway, Init/IsOk, SvrInit/SvrStart/
 * SvrIsOk, tell the service manager READY=1 (service_notify.h), then pause
 * Periodic seconds and call SvrPeriodic until SIGINT or SIGTERM clears
 * `running`.
 * Shutdown: STOPPING=1 to the service manager, SvrClose, SvrFree, then the
 * gateway's destructor releases the data store and the pid file is removed.
 *
 * Exit statuses: 0 after SIGINT or SIGTERM, 1 when the pid file cannot be used, 253
 * (-3) when another instance holds the lock, 254 (-2) when the slave does not
 * listen, 255 (-1) when the data store is not usable or qxSvr.ini holds a
 * refused value; 2 for a bad command line; with --check 0 or 1.
 *
 * Command line: none runs the gateway. --help and --version print and exit 0
 * (see parseCommandLine); --check reads the working directory as a start
 * would, prints every problem and exits 0 (none) or 1 (see runCheck);
 * anything else prints the usage on stderr.
 *
 * Choices of this unit:
 * - The old log is removed in code (unlink, or a depth-first walk when the
 *   path is a directory); the path never passes through a shell.
 * - A Periodic below 0 is taken as 0 (no report, 3000 ms pauses), and a
 *   Periodic whose milliseconds do not fit in an int sleeps the longest
 *   representable time instead of overflowing.
 * - When the slave does not listen, the slave object made by SvrInit is
 *   destroyed before "exit -2 !IedIsOk" so nothing is left behind.
 * - The SIGINT handler is installed just before "running..." is printed, so
 *   a supervisor that waits for that line can stop the gateway at once.
 * - SIGHUP does not end the gateway: from the first line of main its handler
 *   sets a flag and wakes the pause, and the main loop then runs the
 *   re-reads of hangup_reload.h and prints their line.
 * - Under a service manager with a watchdog, every wake-up of the main loop
 *   pings it when due, and a pause never outlasts the next ping: a main loop
 *   held up (a deadlock, a blocked write, a refresh that never ends) stops the
 *   pings and the manager restarts the process.
 * - SIGTERM (the service manager's stop) is handled exactly like SIGINT.
 *   A stop ends the pause at once: the handler clears `running` and writes
 *   one octet into a self-pipe that the pause waits on (poll with the time
 *   left to a deadline on the monotonic clock, so neither a signal nor a
 *   wall-clock step lengthens or cuts a pause). A report already running
 *   finishes first; then the shutdown above runs.
 * - The slave's threads start with SIGINT, SIGTERM and SIGHUP blocked (they
 *   inherit the mask in force around SvrStart), so the kernel hands every
 *   stop and hang-up to the main thread, whose pause is what waits for it;
 *   no worker's blocking call is interrupted by one either.
 * - stdout is line-buffered so the console text reaches a pipe or file at once.
 * - The pid file's directory and the log path come from the build
 *   configuration (qx_paths.h); a target build keeps /var/run and /NandFlash,
 *   the package build puts the pid file in /run/qxsvr104 (the unit's
 *   RuntimeDirectory=).
 * - With "Spontaneous" = 1 the loop scans every ScanMs while the data file
 *   changes, sleeps through the scans while it does not (its change notice,
 *   change_notice.h, wakes the wait; a scan at least once a second), and
 *   runs the periodic report on its own deadline; otherwise it is the plain
 *   periodic loop above. The loops' decisions live in main_loop.h, on the
 *   platform's monotonic clock, including when they wake for a watchdog ping;
 *   this unit gives them the gateway, the run flag, the wait on the
 *   self-pipe and the change notice, the ping and the SIGHUP re-reads
 *   (ProcessLoopHost).
 * - All threads allocate from one malloc arena (see limitMallocArenas).
 * - With StatusFile set, the main loop rewrites the status file
 *   (status_file.h) at the wake-up after each refresh and each connection
 *   change; the engine threads only flag the change and wake the pause, so
 *   the file has one writer and no lock.
 */
#include "SvrWrapper104b.h"

#include "change_notice.h"
#include "hangup_reload.h"
#include "pid_file.h"
#include "point_list.h"

#include "qxLog.h"
#include "qx_paths.h"
#include "main_loop.h"
#include "service_notify.h"
#include "startup_diagnosis.h"
#include "status_file.h"

#include "hal_time.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <getopt.h>
#include <malloc.h>
#include <memory>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

/* Run flag of the main loop; the stop handler only stores 0 into it. */
static std::atomic<int> running{0};
static_assert(std::atomic<int>::is_always_lock_free, "the run flag must be signal-safe");

/* Set by the SIGHUP handler, taken by the main loop. */
static std::atomic<int> hangupPending{0};

/* Self-pipe of the signal handlers: they write one octet, the pause polls the
 * read end. Both ends are non-blocking and close-on-exec; -1 when unused. */
static int stopPipe[2] = {-1, -1};

/* The trace log: removed at start-up, and the file trace_log writes to. */
const char* filename = QX_LOG_PATH;

/* Wakes the main loop's pause: one octet into the self-pipe. */
static void wakeMainLoop()
{
    if (stopPipe[1] >= 0) {
        int saved = errno; /* the interrupted code may be reading errno */
        if (write(stopPipe[1], "x", 1) < 0) {
            /* a full pipe already holds a wake-up */
        }
        errno = saved;
    }
}

void sigint_handler(int)
{
    running.store(0);
    wakeMainLoop();
}

/* SIGHUP: the main loop runs the re-reads (hangup_reload.h) at its next wake-up. */
static void sighup_handler(int)
{
    hangupPending.store(1);
    wakeMainLoop();
}

/* The self-pipe of the handlers; without it a pause still ends at its deadline. */
static void openWakePipe()
{
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        stopPipe[0] = -1;
        stopPipe[1] = -1;
    }
}

/* Empties the self-pipe, so the next poll waits again; the flags tell why it woke. */
static void drainWakePipe()
{
    char octets[64];
    while (stopPipe[0] >= 0 && read(stopPipe[0], octets, sizeof(octets)) > 0) {
    }
}

/* Installs handler for signal number; interrupted calls restart as with signal(). */
static void installHandler(int number, void (*handler)(int))
{
    struct sigaction action;
    memset(&action, 0, sizeof(action));
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(number, &action, nullptr);
}

/* SIGHUP asks for the re-reads of hangup_reload.h instead of ending the
 * gateway, from the first line of main on. */
static void installHangupHandler()
{
    installHandler(SIGHUP, sighup_handler);
}

/* SIGINT and SIGTERM stop the gateway. */
static void installStopHandlers()
{
    installHandler(SIGINT, sigint_handler);
    installHandler(SIGTERM, sigint_handler);
}

/*
 * Blocks SIGINT, SIGTERM and SIGHUP in the calling thread and returns the
 * mask it replaced. Threads started meanwhile inherit the block; a stop that arrives
 * meanwhile stays pending and is taken, with the disposition of that moment,
 * when the old mask returns.
 */
static sigset_t blockMainThreadSignals()
{
    sigset_t stopSignals, previous;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);
    return previous;
}

static int removeEntry(const char* path, const struct stat*, int type, struct FTW*)
{
    if (type == FTW_DP)
        rmdir(path);
    else
        unlink(path);
    return 0; /* keep going: removal is best effort */
}

/*
 * Removes path like "rm -rf" would, without a shell: a file or symbolic link
 * is unlinked, a directory is removed depth first without following links.
 * Failures are ignored, as a missing log is the normal case.
 */
static void removeOldLog(const char* path)
{
    struct stat info;
    if (lstat(path, &info) != 0)
        return;
    if (S_ISDIR(info.st_mode))
        nftw(path, removeEntry, 16, FTW_DEPTH | FTW_PHYS);
    else
        unlink(path);
}

/*
 * The C library gives every thread that allocates its own malloc arena, up to
 * eight per core, each reserving 64 MiB of address space on a 64-bit host
 * (1 MiB on the 32-bit target): with a thread per master that reservation,
 * not the stacks, made up most of the virtual size. The gateway's threads
 * allocate little and rarely at the same time, so one shared arena costs
 * nothing measurable and keeps the virtual size flat as masters connect.
 */
static void limitMallocArenas()
{
#ifdef M_ARENA_MAX
    mallopt(M_ARENA_MAX, 1);
#endif
}

/* The main loop's surroundings: the gateway, the run flag cleared by a stop,
 * the wait on the signal handlers' self-pipe, the service manager (inactive
 * without NOTIFY_SOCKET) and what a SIGHUP re-reads. */
class ProcessLoopHost : public MainLoopHost
{
  public:
    ProcessLoopHost(CSvrWrapper104& gateway, ServiceNotifier& manager, const HangupReload& reload,
                    StatusFile* status, int64_t startMs)
        : m_gateway(gateway), m_manager(manager), m_reload(reload), m_status(status),
          m_startMs(startMs)
    {
        if (gateway.ScanSettings().enabled)
            m_notice.reset(new ChangeNotice(CSvrWrapper104::DataFile()));
    }
    bool Running() override { return running.load() != 0; }
    /* Ends early on a stop, a SIGHUP or a change notice of the data file. */
    void Wait(int ms) override
    {
        const int noticeFd = m_notice ? m_notice->WaitFd() : -1;
        struct pollfd wake[2] = {{stopPipe[0], POLLIN, 0}, {noticeFd, POLLIN, 0}};
        if (poll(wake, noticeFd >= 0 ? 2 : 1, ms) <= 0)
            return;
        if (wake[0].revents != 0)
            drainWakePipe();
        if (noticeFd >= 0 && wake[1].revents != 0 && m_notice->Take() && m_noticedMs == INT64_MAX)
            m_noticedMs = static_cast<int64_t>(Hal_getMonotonicTimeInMs());
    }
    int Periodic() override { return m_gateway.GetPeriodic(); }
    void Scan() override
    {
        m_noticedMs = INT64_MAX; /* what comes from now on is the next scan's */
        if (m_notice) {
            m_notice->Clear();
            m_notice->Rearm();
        }
        m_gateway.SvrScan();
    }
    /* Without a working watch every scan deadline scans. */
    int64_t ScanWantedFromMs(int64_t nowMs) override
    {
        (void)nowMs;
        if (!m_notice || !m_notice->Armed())
            return INT64_MIN;
        return std::min(m_noticedMs, m_gateway.ScanWantedFromMs());
    }
    void Report() override { m_gateway.SvrPeriodic(); }

    /* Every wake-up of a pause: the watchdog ping when due, the re-reads
     * of a SIGHUP that came meanwhile, and once a day the TLS certificates
     * that expire soon. */
    void Attend(int64_t nowMs) override
    {
        m_manager.PingIfDue(nowMs);
        if (hangupPending.exchange(0) != 0)
            puts(m_reload.Run().c_str());
        /* Written here only: one writer, after a refresh or a connection
         * change that an engine thread flagged (and woke the pause for). */
        if (m_status != nullptr && m_gateway.TakeStatusChange())
            m_status->Write(
                StatusJson(m_gateway.Status(static_cast<uint64_t>(nowMs - m_startMs) / 1000)));
        if (m_gateway.Tls() != nullptr && m_expiryCheck.Due(nowMs))
            m_gateway.Tls()->AnnounceExpiring();
    }
    /* No wait outlasts the next watchdog ping. */
    int64_t WaitLimitMs(int64_t nowMs, int64_t wantedMs) override
    {
        return m_manager.WaitLimitMs(nowMs, wantedMs);
    }

  private:
    CSvrWrapper104& m_gateway;
    ServiceNotifier& m_manager;
    const HangupReload& m_reload;
    StatusFile* m_status; /* null: no StatusFile */
    int64_t m_startMs;    /* monotonic time of the start, for the uptime */
    DailyCheck m_expiryCheck;
    std::unique_ptr<ChangeNotice> m_notice; /* with reporting by exception */
    int64_t m_noticedMs = INT64_MAX;        /* first change notice since the last scan */
};

static const char kUsage[] =
    "Usage: qxsvr104 [--check] [-h|--help] [--version]\n"
    "IEC 60870-5-104 gateway (controlled station) on TCP port 2404. Without\n"
    "arguments it runs in the foreground from its working directory, which\n"
    "holds qxSvr.ini, libqxdb.so and tmp/dbDat0.db3. It also uses the\n"
    "configuration database " QX_CFG_DB_PATH " and the pid file\n"
    "" QX_RUN_DIR "/qxsvr104.pid.\n"
    "  --check        read qxSvr.ini and the data store as a start would, print\n"
    "                 every problem and exit; takes no lock, opens no port and\n"
    "                 writes nothing\n"
    "  -h, --help     print this text and exit\n"
    "  --version      print the version and exit\n"
    "Exit status:\n"
    "  0    stopped by SIGINT or SIGTERM; with --check: no problem\n"
    "  1    with --check: a problem was printed\n"
    "       otherwise: the pid file cannot be used\n"
    "  2    bad command line\n"
    "  253  another instance is running\n"
    "  254  the station does not listen\n"
    "  255  the data store is not usable\n";

/*
 * qxsvr104 --check: the start-up's reading of the working directory without
 * the start. Init in check mode prints every problem of qxSvr.ini (refused
 * values, mapped values, unknown sections and keys), loads the TLS files when
 * TLS is on, and opens the data store without copying tbSMType into it; then the per-table keys are
 * held against the data store's tables, and the point list of one refresh against overlapping
 * ranges and rows outside the images, as `qxpoints --check` does. No pid lock, no log removal, no
 * slave, no write. 1 when anything was found.
 */
static int runCheck()
{
    setvbuf(stdout, nullptr, _IOLBF, 0);
    std::unique_ptr<CSvrWrapper104> gateway(new CSvrWrapper104());
    gateway->SetCheckOnly(true);
    gateway->Init();
    size_t problems = gateway->Config().Problems().size();
    if (gateway->TlsFilesRefused())
        ++problems;
    if (!gateway->IsOk()) {
        puts("qxsvr104 --check: the data store cannot be opened here (./libqxdb.so, "
             "tmp/dbDat0.db3)");
        ++problems;
    } else {
        for (const ConfigProblem& p : gateway->TableNameProblems()) {
            printf("qxSvr.ini: %s\n", p.Text().c_str());
            ++problems;
        }
        PointSourceRecord record;
        gateway->UpdDat(&record);
        PointImageSnapshot img = gateway->Snapshot();
        const point_list::PointList list =
            point_list::MakePointList(gateway->AnswerRanges(*img), *img, record);
        for (const std::string& p : list.problems)
            printf("problem: %s\n", p.c_str());
        problems += list.problems.size();
    }
    printf("qxsvr104 --check: %zu problem%s\n", problems, problems == 1 ? "" : "s");
    return problems == 0 ? 0 : 1;
}

/* Exit status for a command line that does not run the gateway, or -1 to
 * run it. Each option sets its flag; the flags are acted on after the scan. */
static int parseCommandLine(int argc, char** argv)
{
    enum { kVersion = 256, kCheck };
    static const struct option longOptions[] = {
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, kVersion},
        {"check", no_argument, nullptr, kCheck},
        {nullptr, 0, nullptr, 0},
    };
    bool help = false;
    bool version = false;
    bool check = false;
    int option;
    while ((option = getopt_long(argc, argv, "h", longOptions, nullptr)) != -1) {
        switch (option) {
        case 'h':
            help = true;
            break;
        case kVersion:
            version = true;
            break;
        case kCheck:
            check = true;
            break;
        default: /* getopt_long has named the option on stderr */
            fputs(kUsage, stderr);
            return 2;
        }
    }
    if (optind < argc) {
        fprintf(stderr, "qxsvr104: unexpected argument '%s'\n%s", argv[optind], kUsage);
        return 2;
    }
    if (help) {
        fputs(kUsage, stdout);
        return 0;
    }
    if (version) {
        puts("qxsvr104 " QX_VERSION);
        return 0;
    }
    if (check)
        return runCheck();
    return -1;
}

int main(int argc, char** argv)
{
    if (argc > 1) {
        const int status = parseCommandLine(argc, argv);
        if (status >= 0)
            return status;
    }
    setvbuf(stdout, nullptr, _IOLBF, 0);
    const int64_t startMs = static_cast<int64_t>(Hal_getMonotonicTimeInMs());
    openWakePipe();
    installHangupHandler();
    limitMallocArenas();
    ServiceNotifier notifier = ServiceNotifier::FromEnvironment();
    HangupReload reload; /* a hook per re-readable part (TLS, when on) */

    removeOldLog(filename);

    /* Removed when main returns; a killed gateway leaves it to the next start. */
    PidFile pidFile;
    const std::string pidPath = PidFile::PathFor(QX_RUN_DIR);
    if (pidPath.empty())
        return 1;
    const PidFile::Outcome pidOutcome = pidFile.Acquire(pidPath);
    if (pidOutcome == PidFile::kFailed)
        return 1;
    if (pidOutcome == PidFile::kHeldByOther) {
        puts("exit -3 !is already running");
        return -3;
    }

    /* Over 160 KB of point images: on the heap, not the stack. */
    std::unique_ptr<CSvrWrapper104> gateway(new CSvrWrapper104());
    gateway->Init();
    if (!gateway->IsOk()) {
        puts("exit -1 !IsOk");
        return -1;
    }

    std::unique_ptr<StatusFile> status;
    if (!gateway->Config().StatusFile().empty()) {
        status.reset(new StatusFile(gateway->Config().StatusFile()));
        gateway->SetStatusWake(wakeMainLoop); /* before the engine threads start */
    }

    printf("SvrInit ...");
    gateway->SvrInit();
    printf("Ok\nSvrStart ...");
    const sigset_t mainMask = blockMainThreadSignals(); /* for the threads SvrStart starts */
    gateway->SvrStart();
    pthread_sigmask(SIG_SETMASK, &mainMask, nullptr);
    if (!gateway->SvrIsOk()) {
        gateway->SvrFree(); /* the slave exists though it does not listen */
        const std::string address = gateway->Policy().BindAddress();
        /* The port that cannot listen: the plain one, else the TLS one. */
        const TlsSettings& ports = gateway->Config().Tls();
        int port = ports.plainPort > 0 ? ports.plainPort : ports.tlsPort;
        std::string why = ports.plainPort > 0 ? ListenProblem(address, ports.plainPort) : "";
        if (why.empty() && gateway->Tls() != nullptr) {
            why = ListenProblem(address, ports.tlsPort);
            if (!why.empty())
                port = ports.tlsPort;
        }
        printf("exit -2 !IedIsOk: cannot listen on %s:%d: %s\n", address.c_str(), port,
               why.empty() ? "the slave did not start" : why.c_str());
        return -2;
    }
    if (gateway->Tls() != nullptr)
        reload.Add([&gateway] { return gateway->Tls()->Reload(); });

    /* Handlers first: whoever waits for "running..." may send SIGINT at once. */
    running.store(1);
    installStopHandlers();
    signal(SIGPIPE, SIG_IGN);
    const TlsSettings& ports = gateway->Config().Tls();
    std::string serving = "serving on " + gateway->Policy().BindAddress() + ":";
    if (ports.plainPort > 0)
        serving += std::to_string(ports.plainPort);
    if (gateway->Tls() != nullptr)
        serving += (ports.plainPort > 0 ? " and TLS " : "TLS ") + std::to_string(ports.tlsPort);
    notifier.Send("READY=1\nSTATUS=" + serving);
    puts("running...");

    ProcessLoopHost host(*gateway, notifier, reload, status.get(), startMs);
    if (gateway->ScanSettings().enabled)
        RunScanLoop(host, gateway->ScanSettings().scanMs);
    else
        RunPeriodicLoop(host);

    notifier.Send("STOPPING=1");
    gateway->SvrClose();
    gateway->SvrFree();
    puts("exit 0");
    return 0;
}
