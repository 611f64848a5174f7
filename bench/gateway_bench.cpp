// SPDX-License-Identifier: Apache-2.0
/*
 * bench_gateway - process figures of the real qxsvr104 over loopback.
 *
 *   bench_gateway [--full] [--gateway PATH] [--only NAME]...
 *
 * Starts the gateway (default: the one of this build) in a sandbox working
 * directory under the build tree, on data sets made by the demo builder,
 * and plays IEC 60870-5-104 masters against it on 127.0.0.1:2404 with the
 * project's application layer (ASDUs built and decoded by it) and the
 * operator master's link code (S frame after every 8 I frames or 200 ms
 * of quiet, TESTFR answered). It only talks IEC 104, so it measures any
 * engine behind the same wire behaviour. Run it in a private network
 * namespace (scripts/bench does) so no other program holds port 2404.
 *
 * Figures (medians of several runs; each line says how many):
 * - interrogation answer: C_IC_NA_1 act sent to the last ASDU of the answer
 *   received (activation confirmation, cause 20 and the cause 1 station
 *   ranges the answer queues), demo data and the whole image (28 000
 *   measured values); ASDUs per second of the whole-image answer;
 * - report time: first to last ASDU of one periodic report at the active
 *   master (Periodic = 2), with the objects received per report;
 * - idle CPU: share of one core from utime + stime in /proc/<pid>/stat over
 *   a window, 0, 1, 10 and 100 connected masters after STARTDT (Periodic =
 *   0, no reports), and 10 masters with Periodic = 10 (the window includes
 *   its reports), and 10 masters with reporting by exception on
 *   (Spontaneous = 1, ScanMs = 1000) and no change in the data;
 * - memory: resident (VmRSS), private (Private_Clean + Private_Dirty of
 *   smaps_rollup) and virtual (VmSize) with 0, 10 and 100 masters, and the
 *   deepest thread stack (resident pages of the anonymous mappings behind a
 *   guard page);
 * - memory per unit (part "memory"; demo data, Periodic = 0, every master
 *   after STARTDT): private memory with 1 and 4 redundancy groups
 *   (Redundancy=groups, group Gk holding the one master from 127.0.0.k+1),
 *   and the Private_Dirty added per plain connection (10 masters - 0), per
 *   group ((4 - 1) / 3, each with its master) and per TLS connection (10
 *   masters after the handshake - 0). The TLS masters are the process
 *   bench_tls_masters with the TLS tests' certificates, made into the
 *   sandbox by make_test_pki.sh (the openssl command). A gateway that
 *   refuses these settings at start-up, opens no TLS port or does not name
 *   the groups on its console gets no such rows (a note on stderr);
 * - scaling: interrogation answer and report time at 1 000, 10 000 and
 *   30 000 measured values;
 * - changes: CPU of 10 masters with reporting by exception on and no change,
 *   ScanMs = 1000 and 100, demo data and the whole image, from the threads'
 *   run time in /proc/<pid>/task/<tid>/schedstat (nanoseconds);
 * - latency: from a writer's commit to the master receiving the change in a
 *   spontaneous ASDU, median and 99th percentile of 1 000 changes, ScanMs =
 *   100 and 1000. The writer (another SQLite connection) commits one change
 *   every 37 ms, coprime to both periods, so the commits' phases spread
 *   evenly over the scan period; each change toggles the next of the demo
 *   data's register bits of stations 49 and 50 (tbModbusDat rows, over 600
 *   single points, each IOA taken from the gateway's point list, qxpoints
 *   --csv), so a point recurs only after 23 s and every object of every
 *   cause 3 ASDU is matched by IOA and value to its change. A change not
 *   received within 5 * ScanMs + 1 s counts as missed;
 * - floor: the loopback round trip of 6 octets between two sockets of this
 *   program (TCP_NODELAY), and the gateway's TESTFR act -> con round trip.
 * Quick mode uses short windows (5 s idle, 3 reports); --full uses 60 s
 * idle windows and more runs.
 *
 * Output: one table row per figure, "| figure | median | unit | note |".
 */
#include <arpa/inet.h>
#include <dirent.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "CppSQLite3.h"
#include "asdu_text.h"
#include "cs101_information_objects.h"
#include "demo_data.h"
#include "iec60870_common.h"
#include "master_link.h"
#include "qx_paths.h"
#include "scaled_data.h"

namespace
{

using Clock = std::chrono::steady_clock;

const int kPort = 2404;
const int kQuietMs = 1500; /* an answer that pauses this long is over */

double msSince(Clock::time_point start, Clock::time_point end)
{
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void row(const std::string& figure, double value, const char* unit, const std::string& note)
{
    char text[32];
    std::snprintf(text, sizeof text, value >= 100 ? "%.0f" : value >= 1 ? "%.2f" : "%.4f", value);
    std::printf("| %s | %s | %s | %s |\n", figure.c_str(), text, unit, note.c_str());
    std::fflush(stdout);
}

/* ------------------------------------------------------------ options */

struct Options {
    bool full = false;
    std::string gateway = QX_GATEWAY_BINARY;
    std::set<std::string> only;
    bool wants(const char* name) const { return only.empty() || only.count(name) > 0; }
    int idleWindowS() const { return full ? 60 : 5; }
    int activeWindowS() const { return full ? 60 : 21; }
    int windows() const { return 3; }
    int interrogations() const { return full ? 41 : 21; }
    int reports() const { return full ? 7 : 3; }
};

/* ------------------------------------------------------------ sandbox */

struct DataSet {
    int measured = 0; /* bulk measured values; 0: the demo data only */
    int periodic = 0;
    std::string svr104Keys; /* further "key=value\n" lines of section Svr104 */
    std::string sections;   /* further sections at the end of qxSvr.ini */
};

std::string sandbox()
{
    return std::string(QX_BENCH_DIR) + "/gateway";
}

/* Writes the data set into the sandbox's working directory. */
void buildDataSet(const DataSet& set)
{
    const std::string work = sandbox() + "/work";
    std::system(("rm -rf '" + work + "' && mkdir -p '" + work + "' '" + QX_RUN_DIR + "'").c_str());
    qxdemo::BuildScaled(work, QX_CFG_DB_PATH, 0, set.measured);
    std::ifstream in(work + "/qxSvr.ini");
    std::stringstream text;
    text << in.rdbuf();
    std::string ini = text.str();
    size_t at = ini.find("Periodic=");
    if (at == std::string::npos)
        throw std::runtime_error("no Periodic in qxSvr.ini");
    ini.replace(at, ini.find('\n', at) - at,
                "Periodic=" + std::to_string(set.periodic) + "\n" + set.svr104Keys);
    if (!set.sections.empty())
        ini += "\n" + set.sections;
    std::ofstream(work + "/qxSvr.ini", std::ios::trunc) << ini;
    if (symlink(QXDB_LIB_PATH, (work + "/libqxdb.so").c_str()) != 0)
        throw std::runtime_error("cannot link libqxdb.so");
}

/* ------------------------------------------------------------ the gateway */

class GatewayProcess
{
  public:
    ~GatewayProcess() { stop(); }

    /* Starts the gateway in the sandbox and waits for "running...". */
    void start(const std::string& binary)
    {
        const std::string work = sandbox() + "/work";
        const std::string log = sandbox() + "/console.txt";
        std::remove(log.c_str()); /* never read the previous run's "running..." */
        pid_ = fork();
        if (pid_ == 0) {
            int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (fd < 0 || chdir(work.c_str()) != 0)
                _exit(127);
            dup2(fd, 1);
            dup2(fd, 2);
            execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        if (pid_ < 0)
            throw std::runtime_error("fork failed");
        auto deadline = Clock::now() + std::chrono::seconds(60);
        while (Clock::now() < deadline) {
            std::ifstream in(log);
            std::stringstream text;
            text << in.rdbuf();
            if (text.str().find("running...") != std::string::npos)
                return;
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                throw std::runtime_error("gateway ended at start-up:\n" + text.str());
            }
            usleep(20000);
        }
        throw std::runtime_error("gateway did not print running...");
    }

    /* SIGINT, and SIGKILL when the pause in progress would make us wait. */
    void stop()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGINT);
        for (int i = 0; i < 200; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                return;
            }
            usleep(20000);
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

    pid_t pid() const { return pid_; }

    /* What the gateway printed so far. */
    static std::string console()
    {
        std::ifstream in(sandbox() + "/console.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

  private:
    pid_t pid_ = -1;
};

/* utime + stime of a process, in seconds. */
double cpuSeconds(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string f;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> f; ++i) {
        if (i == 14)
            utime = std::stoull(f);
        if (i == 15)
            stime = std::stoull(f);
    }
    return static_cast<double>(utime + stime) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

/* Run time of every thread of a process so far, in seconds (nanoseconds
 * from schedstat; threads that ended are not counted). */
double threadRunSeconds(pid_t pid)
{
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (dir == nullptr)
        return 0;
    double total = 0;
    while (struct dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream in(tasks + "/" + entry->d_name + "/schedstat");
        unsigned long long ns = 0;
        if (in >> ns)
            total += static_cast<double>(ns) / 1e9;
    }
    closedir(dir);
    return total;
}

/* A "Key: value kB" figure of a /proc file, in KiB (0 when absent). */
double procKiB(pid_t pid, const char* file, const char* key)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + file);
    std::string line;
    const size_t keyLength = std::strlen(key);
    while (std::getline(in, line))
        if (line.compare(0, keyLength, key) == 0 && line.size() > keyLength &&
            line[keyLength] == ':')
            return std::atof(line.c_str() + keyLength + 1);
    return 0;
}

/* Resident KiB of the deepest thread stack: an anonymous rw-p mapping that
 * starts where a 4 KiB ---p guard mapping ends. */
double deepestStackKiB(pid_t pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/smaps");
    std::string line;
    unsigned long long prevEnd = 0, start = 0, end = 0;
    bool prevGuard = false, isStack = false;
    double deepest = 0;
    while (std::getline(in, line)) {
        unsigned long long a = 0, b = 0;
        char perms[8] = {};
        unsigned long long offset = 0;
        char dev[16] = {};
        unsigned long long inode = 0;
        if (std::sscanf(line.c_str(), "%llx-%llx %7s %llx %15s %llu", &a, &b, perms, &offset, dev,
                        &inode) == 6) {
            bool guard = std::strcmp(perms, "---p") == 0 && b - a == 4096;
            isStack = prevGuard && a == prevEnd && std::strcmp(perms, "rw-p") == 0 && inode == 0;
            prevGuard = guard;
            prevEnd = b;
            start = a;
            end = b;
            continue;
        }
        if (isStack && line.compare(0, 4, "Rss:") == 0)
            deepest = std::max(deepest, std::atof(line.c_str() + 4));
    }
    (void)start;
    (void)end;
    return deepest;
}

/* ------------------------------------------------------------ masters */

struct sCS101_AppLayerParameters kParameters = {1, 1, 2, 0, 2, 3};

struct Counts {
    int asdus = 0;
    int objects = 0; /* objects of cause 1 and 20 */
};

/* Adds one received ASDU to the counts; false when it is not an answer or
 * report ASDU (activation confirmation and others). */
bool countAsdu(std::vector<uint8_t>& octets, Counts& counts)
{
    CS101_ASDU asdu =
        CS101_ASDU_createFromBuffer(&kParameters, octets.data(), static_cast<int>(octets.size()));
    if (asdu == nullptr)
        return false;
    CS101_CauseOfTransmission cot = CS101_ASDU_getCOT(asdu);
    bool data = cot == CS101_COT_INTERROGATED_BY_STATION || cot == CS101_COT_PERIODIC;
    counts.asdus++;
    if (data)
        counts.objects += CS101_ASDU_getNumberOfElements(asdu);
    CS101_ASDU_destroy(asdu);
    return data;
}

/* A master on 127.0.0.1:2404, from the local address `from` when set. */
std::unique_ptr<MasterLink> connectMaster(bool startDt, const std::string& from = "")
{
    std::unique_ptr<MasterLink> link(new MasterLink);
    std::string error;
    if (!link->connect("127.0.0.1", kPort, 3000, error, from))
        throw std::runtime_error("connect: " + error);
    if (startDt) {
        link->sendU(0x07);
        for (int i = 0; i < 20; ++i)
            if (link->receive(500).kind == LinkEvent::STARTDT_CON)
                return link;
        throw std::runtime_error("no STARTDT con");
    }
    return link;
}

/* Reads until the line has been quiet for quietMs (acknowledging). */
void drain(MasterLink& link, int quietMs)
{
    while (link.isOpen() && link.receive(quietMs).kind != LinkEvent::NONE) {
    }
}

/* One interrogation: ms from the request to the ASDU that completes
 * `expected` objects (or to the last one before kQuietMs of quiet). */
double interrogate(MasterLink& link, int expected, Counts& counts)
{
    std::vector<uint8_t> request = buildInterrogation(&kParameters, CS101_COT_ACTIVATION, 0, 1, 20);
    counts = Counts();
    Clock::time_point start = Clock::now(), last = start;
    if (!link.sendASDU(request.data(), static_cast<int>(request.size())))
        throw std::runtime_error("interrogation not sent");
    while (expected <= 0 || counts.objects < expected) {
        LinkEvent e = link.receive(kQuietMs);
        if (e.kind == LinkEvent::NONE)
            break;
        if (e.kind == LinkEvent::CLOSED || e.kind == LinkEvent::ERROR)
            throw std::runtime_error("connection lost during the answer");
        if (e.kind == LinkEvent::ASDU) {
            countAsdu(e.asdu, counts);
            last = Clock::now();
        }
    }
    return msSince(start, last);
}

/* Serves idle masters (TESTFR, acknowledgements) for seconds. */
void serveMasters(std::vector<std::unique_ptr<MasterLink>>& links, double seconds)
{
    auto end = Clock::now() + std::chrono::milliseconds(static_cast<long>(seconds * 1000));
    while (Clock::now() < end) {
        for (auto& link : links)
            while (link->isOpen() && link->receive(0).kind != LinkEvent::NONE) {
            }
        usleep(50000);
    }
}

/* ------------------------------------------------------------ TLS masters */

/* A figure the gateway under test cannot give: it refused the configuration
 * at start-up, or does not serve what the figure needs (an older revision
 * without TLS or redundancy groups). */
struct NotMeasured : std::runtime_error {
    using std::runtime_error::runtime_error;
};

/* The TLS tests' certificates, made afresh once per run into the sandbox
 * (the station certificate lives 20 days); the folder. */
std::string testPki()
{
    static bool made = false;
    const std::string dir = sandbox() + "/pki";
    if (!made && std::system(("sh '" QX_TLS_PKI_SCRIPT "' '" + dir + "' >/dev/null").c_str()) != 0)
        throw NotMeasured("make_test_pki.sh failed (is the openssl command installed?)");
    made = true;
    return dir;
}

/* The Svr104 keys that turn TLS on with the test station certificate. */
std::string tlsKeys(const std::string& pki)
{
    return "TlsCert=" + pki + "/station-chain.pem\nTlsKey=" + pki + "/station.key\nTlsCa=" + pki +
           "/ca.pem\n";
}

/* Masters over TLS, played by bench_tls_masters (which alone links OpenSSL:
 * a library this program mapped would share its pages with the gateway and
 * move the gateway's private memory). They connect, shake hands and start;
 * the helper lives, holding them, until stop. */
class TlsMasters
{
  public:
    ~TlsMasters() { stop(); }

    void start(const std::string& pki, int masters)
    {
        int out[2];
        if (pipe(out) != 0)
            throw std::runtime_error("pipe failed");
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            close(out[0]);
            execl(QX_TLS_MASTERS_BINARY, QX_TLS_MASTERS_BINARY, pki.c_str(),
                  std::to_string(masters).c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        std::string said;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n')
            said += c;
        close(out[0]);
        if (said == "ready")
            return;
        stop();
        if (said.compare(0, 14, "not measured: ") == 0)
            throw NotMeasured(said.substr(14));
        throw std::runtime_error("bench_tls_masters: " + said);
    }

    void stop()
    {
        if (pid_ <= 0)
            return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
};

/* ------------------------------------------------------------ scenarios */

struct Answer {
    double ms = 0;
    int asdus = 0;
    int objects = 0;
    int runs = 0;
};

/* Median interrogation answer on a data set; expected 0: learn the size
 * from a first answer (ends after kQuietMs of quiet). */
Answer interrogationAnswer(const Options& o, int measured, int expected, double* stackKiB = nullptr)
{
    buildDataSet({measured, 0, "", ""});
    GatewayProcess gw;
    gw.start(o.gateway);
    auto link = connectMaster(true);
    Counts counts;
    interrogate(*link, expected, counts); /* warm-up; learns the size */
    drain(*link, 300);
    Answer a;
    a.objects = expected > 0 ? expected : counts.objects;
    std::vector<double> ms;
    int fewest = counts.objects, fewestAsdus = counts.asdus;
    for (int i = 0; i < o.interrogations(); ++i) {
        ms.push_back(interrogate(*link, a.objects, counts));
        fewest = std::min(fewest, counts.objects);
        fewestAsdus = counts.asdus;
        drain(*link, 300);
    }
    a.ms = median(ms);
    a.asdus = fewestAsdus;
    a.runs = static_cast<int>(ms.size());
    if (fewest < a.objects)
        a.objects = -fewest; /* incomplete: objects that did arrive */
    if (stackKiB != nullptr)
        *stackKiB = deepestStackKiB(gw.pid());
    return a;
}

std::string answerNote(const Answer& a, int expected)
{
    std::string note = std::to_string(a.asdus) + " ASDUs, median of " + std::to_string(a.runs);
    if (a.objects < 0)
        note += ", INCOMPLETE: " + std::to_string(-a.objects) + " of " + std::to_string(expected) +
                " objects";
    else
        note += ", " + std::to_string(a.objects) + " objects";
    return note;
}

struct Reports {
    double ms = 0;
    int fewestObjects = 0;
    int asdus = 0;
    int count = 0;
};

/* Periodic reports (Periodic = 2) at one active master: first to last ASDU
 * of each report; the first report seen may be partial and is skipped. */
Reports reportTime(const Options& o, int measured)
{
    buildDataSet({measured, 2, "", ""});
    GatewayProcess gw;
    gw.start(o.gateway);
    auto link = connectMaster(true);
    std::vector<double> ms;
    Reports r;
    r.fewestObjects = 1 << 30;
    bool first = true;
    auto deadline = Clock::now() + std::chrono::seconds(10 + 4 * o.reports());
    while (static_cast<int>(ms.size()) < o.reports() && Clock::now() < deadline) {
        LinkEvent e = link->receive(3000);
        if (e.kind != LinkEvent::ASDU)
            continue;
        Counts counts;
        countAsdu(e.asdu, counts);
        Clock::time_point start = Clock::now(), last = start;
        for (;;) { /* the report lasts while ASDUs follow within 500 ms */
            LinkEvent next = link->receive(500);
            if (next.kind == LinkEvent::NONE)
                break;
            if (next.kind == LinkEvent::ASDU) {
                countAsdu(next.asdu, counts);
                last = Clock::now();
            }
        }
        if (first) {
            first = false;
            continue;
        }
        ms.push_back(msSince(start, last));
        r.fewestObjects = std::min(r.fewestObjects, counts.objects);
        r.asdus = counts.asdus;
    }
    r.ms = median(ms);
    r.count = static_cast<int>(ms.size());
    return r;
}

std::string reportNote(const Reports& r, int expected)
{
    std::string note = std::to_string(r.asdus) + " ASDUs, median of " + std::to_string(r.count);
    if (r.fewestObjects < expected)
        note += ", INCOMPLETE: " + std::to_string(r.fewestObjects) + " of " +
                std::to_string(expected) + " objects";
    return note;
}

struct Idle {
    double cpuPercent = 0;
    double rssKiB = 0, privateKiB = 0, virtualKiB = 0, stackKiB = 0;
    double dirtyKiB = 0; /* Private_Dirty alone */
};

/* How the masters of idleProcess reach the gateway. A configuration an
 * older gateway may not have (TLS, groups) turns its refusal at start-up,
 * a missing TLS listener or a missing console line into NotMeasured. */
struct Reach {
    std::vector<std::string> from; /* local addresses, in turn; empty: 127.0.0.1 */
    std::string sections;          /* further qxSvr.ini sections (Svr.Groups) */
    std::string pki;               /* set: masters over TLS with these certificates */
    std::string console;           /* text the console shows once the masters are in */
    bool optional() const { return !sections.empty() || !pki.empty() || !console.empty(); }
};

/* n masters after STARTDT; CPU over windows of seconds (median); windowS 0:
 * memory only. TLS masters are never read, so they need windowS 0 and a
 * gateway with nothing to send (Periodic = 0, no scans); their helper runs
 * with 0 masters too, so both sides of a difference see the same OpenSSL
 * pages mapped by another process. */
Idle idleProcess(const Options& o, int masters, int periodic, int windowS,
                 const std::string& svr104Keys = "", int measured = 0, bool fine = false,
                 const Reach& reach = Reach())
{
    if (!reach.pki.empty() && (windowS > 0 || periodic > 0))
        throw std::logic_error("TLS masters are for memory figures only");
    buildDataSet({measured, periodic, svr104Keys, reach.sections});
    GatewayProcess gw;
    try {
        gw.start(o.gateway);
    } catch (std::runtime_error& e) {
        if (reach.optional())
            throw NotMeasured(e.what());
        throw;
    }
    std::vector<std::unique_ptr<MasterLink>> links;
    TlsMasters tlsMasters;
    if (!reach.pki.empty())
        tlsMasters.start(reach.pki, masters);
    for (int i = 0; reach.pki.empty() && i < masters; ++i) {
        links.push_back(
            connectMaster(true, reach.from.empty() ? "" : reach.from[i % reach.from.size()]));
    }
    serveMasters(links, 2.0); /* settle: connection threads past their start */
    if (!reach.console.empty() &&
        GatewayProcess::console().find(reach.console) == std::string::npos)
        throw NotMeasured("the gateway did not print \"" + reach.console + "\"");
    Idle r;
    r.rssKiB = procKiB(gw.pid(), "status", "VmRSS");
    r.virtualKiB = procKiB(gw.pid(), "status", "VmSize");
    r.dirtyKiB = procKiB(gw.pid(), "smaps_rollup", "Private_Dirty");
    r.privateKiB = procKiB(gw.pid(), "smaps_rollup", "Private_Clean") + r.dirtyKiB;
    r.stackKiB = deepestStackKiB(gw.pid());
    std::vector<double> cpu;
    auto used = [&] { return fine ? threadRunSeconds(gw.pid()) : cpuSeconds(gw.pid()); };
    for (int w = 0; windowS > 0 && w < o.windows(); ++w) {
        double before = used();
        Clock::time_point start = Clock::now();
        serveMasters(links, windowS);
        double seconds = msSince(start, Clock::now()) / 1000;
        cpu.push_back(100.0 * (used() - before) / seconds);
    }
    r.cpuPercent = median(cpu);
    return r;
}

struct Latency {
    double medianMs = 0, p99Ms = 0;
    int changes = 0, missed = 0, points = 0;
};

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    size_t at = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(at, v.size() - 1)];
}

/* A register bit of stations 49 and 50 (tbModbusDat row SID, Fld) that the
 * latency writer toggles, with the IOA the gateway serves it at. */
struct ToggledPoint {
    int sid = 0;
    std::string field;
    int ioa = 0;
    bool value = false;
};

/* Every register bit of the sandbox's data set that one IOA serves, from
 * the gateway's own point list (qxpoints --csv): ioa, type, cot, value,
 * quality, source, table, sid, field, register, bit, divisor, sent. */
std::vector<ToggledPoint> registerBits()
{
    const std::string command =
        std::string("'" QX_POINTS_BINARY "' --csv '") + sandbox() + "/work' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("cannot run qxpoints");
    std::vector<ToggledPoint> points;
    std::map<std::string, int> uses; /* a field that feeds two IOAs is left out */
    char line[512];
    while (std::fgets(line, sizeof line, pipe) != nullptr) {
        std::vector<std::string> f;
        std::stringstream in(line);
        std::string field;
        while (std::getline(in, field, ','))
            f.push_back(field);
        if (f.size() < 13 || f[5] != "register-bit" || f[12].compare(0, 1, "1") != 0)
            continue;
        ToggledPoint p;
        p.ioa = std::atoi(f[0].c_str());
        p.value = f[3] == "1";
        p.sid = std::atoi(f[7].c_str());
        p.field = f[8];
        uses[f[7] + " " + p.field]++;
        points.push_back(p);
    }
    pclose(pipe);
    points.erase(std::remove_if(points.begin(), points.end(),
                                [&](const ToggledPoint& p) {
                                    return uses[std::to_string(p.sid) + " " + p.field] > 1;
                                }),
                 points.end());
    return points;
}

/* Spacing of the latency writer's commits: coprime to ScanMs 100 and 1000,
 * so the commits' phases sweep the scan period evenly. */
const int kCommitSpacingMs = 37;

/*
 * Commit to spontaneous ASDU at one active master, over `changes` changes:
 * the writer commits change i at start + i * 37 ms, each toggling the next
 * register bit in turn, while the master receives; every object of a cause
 * 3 ASDU is matched by IOA and value to its pending change. A change not
 * seen within 5 * ScanMs + 1 s is missed.
 */
Latency eventLatency(const Options& o, int scanMs, int changes)
{
    buildDataSet({0, 0, "Spontaneous=1\nScanMs=" + std::to_string(scanMs) + "\n", ""});
    std::vector<ToggledPoint> points = registerBits();
    const int leastPoints = (3 * scanMs / 2) / kCommitSpacingMs + 1;
    if (static_cast<int>(points.size()) < leastPoints)
        throw std::runtime_error("too few register bits to toggle: " +
                                 std::to_string(points.size()));
    GatewayProcess gw;
    gw.start(o.gateway);
    auto link = connectMaster(true);
    /* The first scan only records the state: no change may come before it. */
    drain(*link, scanMs + 300);
    CppSQLite3DB writer;
    writer.open((sandbox() + "/work/tmp/dbDat0.db3").c_str());
    struct Pending {
        int ioa;
        bool value;
        Clock::time_point committed;
    };
    std::vector<Pending> pending; /* in commit order */
    const auto spacing = std::chrono::milliseconds(kCommitSpacingMs);
    const auto patience = std::chrono::milliseconds(5 * scanMs + 1000);
    const Clock::time_point start = Clock::now();
    std::vector<double> ms;
    Latency r;
    int next = 0;
    while (next < changes || !pending.empty()) {
        Clock::time_point now = Clock::now();
        const Clock::time_point due = start + next * spacing;
        if (next < changes && now >= due) {
            ToggledPoint& p = points[static_cast<size_t>(next) % points.size()];
            p.value = !p.value;
            CppSQLite3Buffer sql;
            writer.execDML(sql.format("update tbModbusDat set Val=%d where SID=%d and Fld=%Q",
                                      p.value ? 1 : 0, p.sid, p.field.c_str()));
            pending.push_back({p.ioa, p.value, Clock::now()});
            ++next;
            continue;
        }
        while (!pending.empty() && now - pending.front().committed > patience) {
            pending.erase(pending.begin());
            r.missed++;
        }
        int waitMs = 50;
        if (next < changes)
            waitMs = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(due - now).count());
        LinkEvent e = link->receive(std::max(0, waitMs));
        const Clock::time_point received = Clock::now();
        if (e.kind == LinkEvent::CLOSED || e.kind == LinkEvent::ERROR)
            throw std::runtime_error("connection lost while waiting for events");
        if (e.kind != LinkEvent::ASDU)
            continue;
        CS101_ASDU asdu = CS101_ASDU_createFromBuffer(&kParameters, e.asdu.data(),
                                                      static_cast<int>(e.asdu.size()));
        if (asdu == nullptr)
            continue;
        const TypeID type = CS101_ASDU_getTypeID(asdu);
        if (CS101_ASDU_getCOT(asdu) == CS101_COT_SPONTANEOUS &&
            (type == M_SP_TB_1 || type == M_SP_NA_1)) {
            for (int i = 0; i < CS101_ASDU_getNumberOfElements(asdu); ++i) {
                InformationObject object = CS101_ASDU_getElement(asdu, i);
                if (object == nullptr)
                    continue;
                const int ioa = InformationObject_getObjectAddress(object);
                const bool value = SinglePointInformation_getValue(
                    reinterpret_cast<SinglePointInformation>(object));
                InformationObject_destroy(object);
                auto match = std::find_if(pending.begin(), pending.end(), [&](const Pending& p) {
                    return p.ioa == ioa && p.value == value;
                });
                if (match != pending.end()) {
                    ms.push_back(msSince(match->committed, received));
                    pending.erase(match);
                }
            }
        }
        CS101_ASDU_destroy(asdu);
    }
    r.medianMs = median(ms);
    r.p99Ms = percentile(ms, 0.99);
    r.changes = changes;
    r.points = static_cast<int>(points.size());
    return r;
}

/* Median loopback round trip of 6 octets between two sockets of this
 * program, both with TCP_NODELAY: the floor under any exchange. */
double loopbackRoundTripMs(int trips)
{
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (listener < 0 || bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        listen(listener, 1) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("no loopback listener");
    int client = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(client, reinterpret_cast<sockaddr*>(&address), length) != 0)
        throw std::runtime_error("no loopback connection");
    int server = accept(listener, nullptr, nullptr);
    int one = 1;
    setsockopt(client, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    setsockopt(server, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    std::thread echo([server] {
        uint8_t frame[6];
        while (recv(server, frame, sizeof frame, MSG_WAITALL) == 6)
            send(server, frame, sizeof frame, 0);
    });
    std::vector<double> ms;
    uint8_t frame[6] = {0x68, 0x04, 0x43, 0, 0, 0};
    for (int i = 0; i < trips; ++i) {
        Clock::time_point start = Clock::now();
        if (send(client, frame, sizeof frame, 0) != 6 ||
            recv(client, frame, sizeof frame, MSG_WAITALL) != 6)
            break;
        ms.push_back(msSince(start, Clock::now()));
    }
    shutdown(client, SHUT_RDWR);
    echo.join();
    close(client);
    close(server);
    close(listener);
    return median(ms);
}

/* Median TESTFR act -> TESTFR con round trip with the gateway (demo data). */
double gatewayRoundTripMs(const Options& o, int trips)
{
    buildDataSet({0, 0, "", ""});
    GatewayProcess gw;
    gw.start(o.gateway);
    auto link = connectMaster(true);
    drain(*link, 300);
    std::vector<double> ms;
    for (int i = 0; i < trips; ++i) {
        Clock::time_point start = Clock::now();
        link->sendU(0x43);
        for (;;) {
            LinkEvent e = link->receive(1000);
            if (e.kind == LinkEvent::TESTFR_CON) {
                ms.push_back(msSince(start, Clock::now()));
                break;
            }
            if (e.kind == LinkEvent::NONE || e.kind == LinkEvent::CLOSED)
                throw std::runtime_error("no TESTFR con");
        }
    }
    return median(ms);
}

/* ------------------------------------------------------------ main */

/*
 * Private memory per plain connection, per redundancy group and per TLS
 * connection: differences of idle gateways (demo data, Periodic = 0) that
 * differ only in that. The differences take Private_Dirty alone: a clean
 * page of a shared library counts as private only while no other process
 * maps it, so Private_Clean moves by a megabyte with whatever else runs on
 * the machine (OpenSSL's pages above all), while what a connection or a
 * group adds is written memory. A gateway without TLS or groups leaves
 * those rows out and says so on stderr.
 */
void memoryRows(const Options& o)
{
    const char* how = "smaps_rollup Private_Clean + Private_Dirty";
    const std::string dirty = "Private_Dirty of smaps_rollup";
    const int n = 10;
    auto perOne = [](const Idle& more, const Idle& fewer, int added) {
        return (more.dirtyKiB - fewer.dirtyKiB) / added;
    };
    Idle plain0 = idleProcess(o, 0, 0, 0);
    Idle plainN = idleProcess(o, n, 0, 0);
    row("private memory per plain connection", perOne(plainN, plain0, n), "KiB",
        "(10 masters after STARTDT - 0 masters) / 10, " + dirty);
    try {
        /* Group Gk holds the master from 127.0.0.(k+1). */
        auto groups = [&](int count) {
            Reach r;
            r.sections = "[Svr.Groups]\n";
            for (int k = 1; k <= count; ++k) {
                const std::string address = "127.0.0." + std::to_string(k + 1);
                r.sections += "G" + std::to_string(k) + "=" + address + "\n";
                r.from.push_back(address);
            }
            r.console = "(group G" + std::to_string(count) + ")";
            return idleProcess(o, count, 0, 0, "Redundancy=groups\n", 0, false, r);
        };
        const int more = 4;
        Idle one = groups(1);
        Idle many = groups(more);
        row("private memory, 1 redundancy group", one.privateKiB / 1024, "MiB",
            "Redundancy=groups, one master after STARTDT, " + std::string(how));
        row("private memory, 4 redundancy groups", many.privateKiB / 1024, "MiB",
            "Redundancy=groups, one master after STARTDT in each, " + std::string(how));
        row("private memory per redundancy group", perOne(many, one, more - 1), "KiB",
            "(4 groups - 1 group) / 3, " + dirty +
                ", each group with its master's connection, demo data, queues empty");
    } catch (NotMeasured& e) {
        std::fprintf(stderr, "bench_gateway: group rows not measured: %s\n", e.what());
    }
    try {
        Reach tls;
        tls.pki = testPki();
        const std::string keys = tlsKeys(tls.pki);
        Idle tlsN = idleProcess(o, n, 0, 0, keys, 0, false, tls);
        Idle tls0 = idleProcess(o, 0, 0, 0, keys, 0, false, tls);
        row("private memory per TLS connection", perOne(tlsN, tls0, n), "KiB",
            "(10 TLS masters after the handshake and STARTDT - 0 masters) / 10, " + dirty);
    } catch (NotMeasured& e) {
        std::fprintf(stderr, "bench_gateway: TLS rows not measured: %s\n", e.what());
    }
}

void run(const Options& o)
{
    std::printf("| figure | median | unit | note |\n|---|---|---|---|\n");
    std::fflush(stdout);
    double tick = 100.0 / static_cast<double>(sysconf(_SC_CLK_TCK));

    /* The demo answer sets the object count every data set starts from. */
    Answer demo = interrogationAnswer(o, 0, 0);
    const int demoObjects = demo.objects < 0 ? -demo.objects : demo.objects;
    if (o.wants("interrogation")) {
        row("interrogation answer, demo data", demo.ms, "ms", answerNote(demo, demoObjects));
        const int whole = 28000;
        const int expected = demoObjects + qxdemo::BulkRows(whole) * qxdemo::kBulkValueColumns;
        double stack = 0;
        Answer a = interrogationAnswer(o, whole, expected, &stack);
        row("interrogation answer, whole image (28 000 values)", a.ms, "ms",
            answerNote(a, expected));
        row("ASDUs per second to one master (whole image)", a.ms > 0 ? a.asdus * 1000.0 / a.ms : 0,
            "ASDU/s",
            a.objects < 0 ? "master acknowledges every 8; answer INCOMPLETE"
                          : "master acknowledges every 8");
        row("deepest thread stack after whole-image answers", stack, "KiB",
            "resident pages of the stack mappings");
    }
    if (o.wants("idle")) {
        Idle idle0{};
        for (int n : {0, 1, 10, 100}) {
            Idle r = idleProcess(o, n, 0, o.idleWindowS());
            if (n == 0)
                idle0 = r;
            std::string what = std::to_string(n) + " idle master" + (n == 1 ? "" : "s");
            char note[128];
            std::snprintf(note, sizeof note, "%d x %d s windows, resolution %.3f %%", o.windows(),
                          o.idleWindowS(), tick / o.idleWindowS());
            row("idle CPU, " + what, r.cpuPercent, "% of a core", note);
            if (n == 1)
                continue;
            row("resident memory, " + what, r.rssKiB / 1024, "MiB", "VmRSS");
            row("private memory, " + what, r.privateKiB / 1024, "MiB", "smaps_rollup");
            row("virtual memory, " + what, r.virtualKiB / 1024, "MiB", "VmSize");
            if (n > 0)
                row("virtual memory per connection, " + what,
                    (r.virtualKiB - idle0.virtualKiB) / n / 1024, "MiB", "above 0 masters");
            if (n == 100)
                row("deepest thread stack, " + what, r.stackKiB, "KiB",
                    "resident pages of the stack mappings");
        }
        Idle active = idleProcess(o, 10, 10, o.activeWindowS());
        char note[128];
        std::snprintf(note, sizeof note, "Periodic=10, window includes its reports, %d x %d s",
                      o.windows(), o.activeWindowS());
        row("CPU, 10 masters after STARTDT, reports every 10 s", active.cpuPercent, "% of a core",
            note);
        Idle scanning = idleProcess(o, 10, 0, o.idleWindowS(), "Spontaneous=1\nScanMs=1000\n");
        std::snprintf(note, sizeof note, "Spontaneous=1, ScanMs=1000, no changes, %d x %d s",
                      o.windows(), o.idleWindowS());
        row("CPU, 10 masters, scans for changes every 1000 ms", scanning.cpuPercent, "% of a core",
            note);
    }
    if (o.wants("memory"))
        memoryRows(o);
    if (o.wants("floor")) {
        row("loopback round trip, 6 octets, two sockets of one program", loopbackRoundTripMs(2000),
            "ms", "median of 2000, TCP_NODELAY");
        row("gateway round trip, TESTFR act -> con", gatewayRoundTripMs(o, 500), "ms",
            "median of 500");
    }
    if (o.wants("changes")) {
        for (int measured : {0, 28000}) {
            for (int scanMs : {1000, 100}) {
                Idle r = idleProcess(o, 10, 0, o.idleWindowS(),
                                     "Spontaneous=1\nScanMs=" + std::to_string(scanMs) + "\n",
                                     measured, true);
                char note[128];
                std::snprintf(note, sizeof note, "no changes, %d x %d s, threads' run time",
                              o.windows(), o.idleWindowS());
                row(std::string("CPU, 10 masters, Spontaneous=1, ScanMs=") +
                        std::to_string(scanMs) + (measured ? ", whole image" : ", demo data"),
                    r.cpuPercent, "% of a core", note);
            }
        }
    }
    if (o.wants("latency")) {
        for (int scanMs : {100, 1000}) {
            Latency l = eventLatency(o, scanMs, 1000);
            char note[160];
            std::snprintf(note, sizeof note,
                          "%d changes of %d register bits in turn, one every %d ms: commit "
                          "phases spread evenly over the scan period, %d missed",
                          l.changes, l.points, kCommitSpacingMs, l.missed);
            const std::string what = "event latency, ScanMs=" + std::to_string(scanMs);
            row(what + ", median", l.medianMs, "ms", note);
            row(what + ", 99th percentile", l.p99Ms, "ms", note);
        }
    }
    if (o.wants("reports")) {
        Reports r = reportTime(o, 0);
        row("report time, demo data", r.ms, "ms", reportNote(r, demoObjects));
    }
    if (o.wants("scaling")) {
        for (int n : {1000, 10000, 30000}) {
            const int served = qxdemo::BulkRows(n) * qxdemo::kBulkValueColumns;
            const int expected = demoObjects + served;
            Answer a = interrogationAnswer(o, n, expected);
            row("interrogation answer, " + std::to_string(n) + " values", a.ms, "ms",
                answerNote(a, expected));
            Reports r = reportTime(o, n);
            row("report time, " + std::to_string(n) + " values", r.ms, "ms",
                reportNote(r, expected));
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    Options o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--full")
            o.full = true;
        else if (a == "--gateway" && i + 1 < argc)
            o.gateway = argv[++i];
        else if (a == "--only" && i + 1 < argc)
            o.only.insert(argv[++i]);
        else {
            std::fprintf(stderr,
                         "usage: %s [--full] [--gateway PATH] [--only "
                         "interrogation|idle|memory|reports|scaling|floor|changes|latency]...\n",
                         argv[0]);
            return 1;
        }
    }
    signal(SIGPIPE, SIG_IGN);
    mkdir(QX_BENCH_DIR, 0755);
    mkdir(sandbox().c_str(), 0755);
    try {
        run(o);
    } catch (std::exception& e) {
        std::fprintf(stderr, "bench_gateway: %s\n", e.what());
        return 1;
    } catch (CppSQLite3Exception& e) {
        std::fprintf(stderr, "bench_gateway: %s\n", e.errorMessage());
        return 1;
    }
    return 0;
}
