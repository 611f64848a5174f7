/*
 * qxsvr104 process host: start-up, single-instance lock, signal handling and
 * the periodic main loop around the one CSvrWrapper104 gateway object.
 *
 * Start-up order: remove the trace log of an earlier run, take the pid-file
 * lock, construct the gateway, Init/IsOk, SvrInit/SvrStart/SvrIsOk, then sleep
 * Periodic seconds and call SvrPeriodic until SIGINT clears `running`.
 * Shutdown: SvrClose, SvrFree, then the gateway's destructor releases the
 * data store.
 *
 * Exit statuses: 0 after SIGINT, 1 when the pid file cannot be used, 253
 * (-3) when another instance holds the lock, 254 (-2) when the slave does not
 * listen, 255 (-1) when the data store is not usable.
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
 * - stdout is line-buffered so the console text reaches a pipe or file at once.
 * - The pid file's directory and the log path come from the build
 *   configuration (qx_paths.h); a target build keeps /var/run and /NandFlash.
 * - All threads allocate from one malloc arena (see limitMallocArenas).
 */
#include "SvrWrapper104b.h"

#include "hal_thread.h"
#include "qxLog.h"
#include "qx_paths.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <ftw.h>
#include <malloc.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

/* Run flag of the main loop; the SIGINT handler only stores 0 into it. */
static std::atomic<int> running{0};
static_assert(std::atomic<int>::is_always_lock_free, "the run flag must be signal-safe");

/* The trace log: removed at start-up, and the file trace_log writes to. */
const char* filename = QX_LOG_PATH;

/* Pause of a pass when periodic reporting is off. */
static const int kIdlePauseMs = 3000;

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

/* Milliseconds to pause for one pass, given the configured Periodic seconds. */
static int pauseMs(int periodic)
{
    if (periodic <= 0)
        return kIdlePauseMs;
    if (periodic > INT_MAX / 1000)
        return INT_MAX;
    return periodic * 1000;
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

/* Sleeps and reports until SIGINT; Periodic is read afresh on every pass. */
static void runMainLoop(CSvrWrapper104& gateway)
{
    while (running.load() != 0) {
        int periodic = gateway.Periodic;
        Thread_sleep(pauseMs(periodic));
        if (periodic > 0)
            gateway.SvrPeriodic();
    }
}

int main(int, char**)
{
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
    gateway->SvrStart();
    if (!gateway->SvrIsOk()) {
        gateway->SvrFree(); /* the slave exists though it does not listen */
        puts("exit -2 !IedIsOk");
        return -2;
    }

    /* Handlers first: whoever waits for "running..." may send SIGINT at once. */
    running.store(1);
    signal(SIGINT, sigint_handler);
    signal(SIGPIPE, SIG_IGN);
    puts("running...");

    runMainLoop(*gateway);

    gateway->SvrClose();
    gateway->SvrFree();
    puts("exit 0");
    return 0;
}
