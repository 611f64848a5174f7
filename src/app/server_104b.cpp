/*
 * qxsvr104 process host: start-up, single-instance lock, signal handling and
 * the periodic main loop around the one CSvrWrapper104 gateway object.
 *
 * Start-up order: remove the trace log of an earlier run, take the pid-file
 * lock, construct the gateway, Init/IsOk, SvrInit/SvrStart/SvrIsOk, then pause
 * Periodic seconds and call SvrPeriodic until SIGINT or SIGTERM clears
 * `running`.
 * Shutdown: SvrClose, SvrFree, then the gateway's destructor releases the
 * data store.
 *
 * Exit statuses: 0 after SIGINT or SIGTERM, 1 when the pid file cannot be used, 253
 * (-3) when another instance holds the lock, 254 (-2) when the slave does not
 * listen, 255 (-1) when the data store is not usable; 2 for a bad command line.
 *
 * Command line: none runs the gateway. --help and --version print and exit 0
 * (see parseCommandLine); anything else prints the usage on stderr.
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
 * - SIGTERM (the service manager's stop) is handled exactly like SIGINT.
 *   A stop ends the pause at once: the handler clears `running` and writes
 *   one octet into a self-pipe that the pause waits on (poll with the time
 *   left to a deadline on the monotonic clock, so neither a signal nor a
 *   wall-clock step lengthens or cuts a pause). A report already running
 *   finishes first; then the shutdown runs as before.
 * - The slave's threads start with SIGINT and SIGTERM blocked (they inherit
 *   the mask in force around SvrStart), so the kernel hands every stop to the
 *   main thread, whose pause is what waits for it; no worker's blocking call
 *   is interrupted by a stop either.
 * - stdout is line-buffered so the console text reaches a pipe or file at once.
 * - The pid file's directory and the log path come from the build
 *   configuration (qx_paths.h); a target build keeps /var/run and /NandFlash.
 * - With "Spontaneous" = 1 the loop wakes every ScanMs for a scan and runs
 *   the periodic report on its own deadline; otherwise it is the plain
 *   periodic loop above. The loops' decisions live in main_loop.h, on the
 *   platform's monotonic clock; this unit gives them the gateway, the run
 *   flag and the wait on the self-pipe.
 * - All threads allocate from one malloc arena (see limitMallocArenas).
 */
#include "SvrWrapper104b.h"

#include "qxLog.h"
#include "qx_paths.h"
#include "main_loop.h"

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

/* Self-pipe of the stop handler: it writes one octet, the pause polls the
 * read end. Both ends are non-blocking and close-on-exec; -1 when unused. */
static int stopPipe[2] = {-1, -1};

/* The trace log: removed at start-up, and the file trace_log writes to. */
const char* filename = QX_LOG_PATH;

std::string currentExeName()
{
    char buffer[1024];
    memset(buffer, 0, sizeof(buffer));
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof(buffer));
    if (length < 0 || length > 1023)
        return std::string();
    const char* slash = strrchr(buffer, '/');
    if (slash == nullptr)
        return std::string();
    return std::string(slash + 1);
}

/* Writes the decimal pid over the whole file; false on any failure. */
static bool writePid(int fd)
{
    char text[16];
    memset(text, 0, sizeof(text));
    snprintf(text, sizeof(text), "%d", static_cast<int>(getpid()));
    if (ftruncate(fd, 0) != 0)
        return false;
    size_t length = strlen(text);
    return pwrite(fd, text, length, 0) == static_cast<ssize_t>(length);
}

bool runSingleInstance()
{
    std::string name = currentExeName();
    if (name.empty())
        exit(1);
    std::string path = std::string(QX_RUN_DIR) + "/" + name + ".pid";

    int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) {
        printf("Open file failed, error : %s", strerror(errno));
        exit(1);
    }

    struct flock lock;
    memset(&lock, 0, sizeof(lock));
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = 0;
    lock.l_len = 0; /* to the end of the file, however long it grows */
    if (fcntl(fd, F_SETLK, &lock) < 0 && (errno == EACCES || errno == EAGAIN)) {
        printf("%s already locked, error: %s\n", path.c_str(), strerror(errno));
        close(fd);
        return false;
    }
    /* Any other lock failure is not a sign of a second instance: go on. */

    if (!writePid(fd)) {
        printf("Write file failed, file: %s, error: %s\n", path.c_str(), strerror(errno));
        close(fd);
        exit(1);
    }
    /* fd stays open on purpose: the lock lasts until the process ends. */
    return true;
}

void sigint_handler(int)
{
    running.store(0);
    if (stopPipe[1] >= 0) {
        int saved = errno; /* the interrupted code may be reading errno */
        if (write(stopPipe[1], "x", 1) < 0) {
            /* a full pipe already holds a wake-up */
        }
        errno = saved;
    }
}

/* SIGINT and SIGTERM stop the gateway; interrupted calls restart as with signal(). */
static void installStopHandlers()
{
    if (pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        stopPipe[0] = -1; /* the pause then still ends at its deadline */
        stopPipe[1] = -1;
    }
    struct sigaction action;
    memset(&action, 0, sizeof(action));
    action.sa_handler = sigint_handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

/*
 * Blocks SIGINT and SIGTERM in the calling thread and returns the mask it
 * replaced. Threads started meanwhile inherit the block; a stop that arrives
 * meanwhile stays pending and is taken, with the disposition of that moment,
 * when the old mask returns.
 */
static sigset_t blockStopSignals()
{
    sigset_t stopSignals, previous;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
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

/* The main loop's surroundings: the gateway, the run flag cleared by a stop
 * and the wait on the stop handler's self-pipe. */
class ProcessLoopHost : public MainLoopHost
{
  public:
    explicit ProcessLoopHost(CSvrWrapper104& gateway) : m_gateway(gateway) {}
    bool Running() override { return running.load() != 0; }
    void Wait(int ms) override
    {
        struct pollfd wake = {stopPipe[0], POLLIN, 0};
        poll(&wake, 1, ms); /* ends early on a stop */
    }
    int Periodic() override { return m_gateway.GetPeriodic(); }
    void Scan() override { m_gateway.SvrScan(); }
    void Report() override { m_gateway.SvrPeriodic(); }

  private:
    CSvrWrapper104& m_gateway;
};

static const char kUsage[] =
    "Usage: qxsvr104 [-h|--help] [--version]\n"
    "IEC 60870-5-104 gateway (controlled station) on TCP port 2404. Without\n"
    "arguments it runs in the foreground from its working directory, which\n"
    "holds qxSvr.ini, libqxdb.so and tmp/dbDat0.db3. It also uses the\n"
    "configuration database " QX_CFG_DB_PATH " and the pid file\n"
    "" QX_RUN_DIR "/qxsvr104.pid.\n"
    "  -h, --help     print this text and exit\n"
    "  --version      print the version and exit\n"
    "Exit status:\n"
    "  0    stopped by SIGINT or SIGTERM\n"
    "  1    the pid file cannot be used\n"
    "  2    bad command line\n"
    "  253  another instance is running\n"
    "  254  the station does not listen\n"
    "  255  the data store is not usable\n";

/* Exit status for a command line that does not run the gateway, or -1 to
 * run it. Each option sets its flag; the flags are acted on after the scan. */
static int parseCommandLine(int argc, char** argv)
{
    enum { kVersion = 256 };
    static const struct option longOptions[] = {
        {"help", no_argument, nullptr, 'h'},
        {"version", no_argument, nullptr, kVersion},
        {nullptr, 0, nullptr, 0},
    };
    bool help = false;
    bool version = false;
    int option;
    while ((option = getopt_long(argc, argv, "h", longOptions, nullptr)) != -1) {
        switch (option) {
        case 'h':
            help = true;
            break;
        case kVersion:
            version = true;
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
    limitMallocArenas();

    removeOldLog(filename);

    if (!runSingleInstance()) {
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

    printf("SvrInit ...");
    gateway->SvrInit();
    printf("Ok\nSvrStart ...");
    const sigset_t mainMask = blockStopSignals(); /* for the threads SvrStart starts */
    gateway->SvrStart();
    pthread_sigmask(SIG_SETMASK, &mainMask, nullptr);
    if (!gateway->SvrIsOk()) {
        gateway->SvrFree(); /* the slave exists though it does not listen */
        puts("exit -2 !IedIsOk");
        return -2;
    }

    /* Handlers first: whoever waits for "running..." may send SIGINT at once. */
    running.store(1);
    installStopHandlers();
    signal(SIGPIPE, SIG_IGN);
    puts("running...");

    ProcessLoopHost host(*gateway);
    if (gateway->ScanSettings().enabled)
        RunScanLoop(host, gateway->ScanSettings().scanMs);
    else
        RunPeriodicLoop(host);

    gateway->SvrClose();
    gateway->SvrFree();
    puts("exit 0");
    return 0;
}
