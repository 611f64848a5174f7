// SPDX-License-Identifier: Apache-2.0
/*
 * Soak of the real gateway (not part of the default suite; scripts/soak.sh
 * runs it). For QX_SOAK_SECONDS (600 by default) the gateway reports every
 * second (Periodic=1) while
 *   - an interrogating master reconnects every few seconds and takes a
 *     complete station interrogation answer,
 *   - a commanding master stays connected and sends single commands and
 *     clock synchronisations,
 *   - a writer changes values in the live-data database.
 * The two masters take turns at being the active connection (the gateway
 * serves one redundancy group). Resident memory, descriptors and threads of
 * the gateway are sampled throughout and printed; at the end they must be
 * flat: no more threads or descriptors than early on, and resident memory
 * within a small margin of its level after the warm-up.
 */
#include "gateway_sandbox.h"
#include "fakes/proc_usage.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <thread>

namespace qxtest
{
namespace
{

struct Sample {
    int64_t atMs;
    long rssKb;
    int descriptors;
    int threads;
};

int soakSeconds()
{
    const char* text = std::getenv("QX_SOAK_SECONDS");
    int seconds = text != nullptr ? std::atoi(text) : 600;
    return seconds > 30 ? seconds : 30;
}

const Octets kSingleCommand = {0x2D, 0x01, 0x06, 0x00, 0x01, 0x00, 0x88, 0x13, 0x00, 0x01};

/* C_CS_NA_1 with the time 2024-03-05 14:07:<second>. */
Octets clockSync(int second)
{
    uint16_t ms = static_cast<uint16_t>(second * 1000);
    return {0x67,
            0x01,
            0x06,
            0x00,
            0x01,
            0x00,
            0x00,
            0x00,
            0x00,
            static_cast<uint8_t>(ms & 0xFF),
            static_cast<uint8_t>(ms >> 8),
            0x07,
            0x0E,
            0x05,
            0x03,
            0x18};
}

/* The whole answer, with the periodic reports (cause 1 too) running alongside. */
bool answerAmidReports(const std::vector<IFrame>& frames)
{
    return interrogationAnswered(frames, true);
}

bool commandConfirmed(const std::vector<IFrame>& frames)
{
    return !framesOf(frames, 45, 7).empty();
}

class GatewaySoak : public GatewaySandbox
{
  protected:
    std::atomic<bool> stop_{false};
    std::mutex activeTurn_; /* one master active at a time */
    std::atomic<int> interrogations_{0}, interrogationFailures_{0};
    std::atomic<int> commands_{0}, commandFailures_{0}, writes_{0};

    /* Sleeps up to ms, returning early at the end of the soak. */
    void pause(int ms)
    {
        for (int slept = 0; slept < ms && !stop_; slept += 50)
            usleep(50 * 1000);
    }

    void interrogatingMaster()
    {
        while (!stop_) {
            {
                std::lock_guard<std::mutex> turn(activeTurn_);
                StationClient client;
                std::vector<IFrame> frames;
                bool complete = client.connect(kGatewayPort) && client.startDataTransfer() &&
                                client.sendAsdu(interrogationAsdu(0x06)) &&
                                client.collectUntil(frames, answerAmidReports, 10000);
                ++interrogations_;
                if (!complete)
                    ++interrogationFailures_;
            }
            pause(3000);
        }
    }

    void commandingMaster()
    {
        StationClient client;
        int round = 0;
        while (!stop_) {
            {
                std::lock_guard<std::mutex> turn(activeTurn_);
                if (!client.isOpen() && !client.connect(kGatewayPort)) {
                    ++commandFailures_;
                } else {
                    /* STARTDT again: the other master was active meanwhile. */
                    std::vector<IFrame> frames;
                    bool confirmed = client.startDataTransfer() &&
                                     client.sendAsdu(clockSync(round % 60)) &&
                                     client.sendAsdu(kSingleCommand) &&
                                     client.collectUntil(frames, commandConfirmed, 5000);
                    ++commands_;
                    if (!confirmed) {
                        ++commandFailures_;
                        client.close();
                    }
                }
            }
            ++round;
            pause(1000);
        }
    }

    void writer()
    {
        int value = 0;
        while (!stop_) {
            value = (value + 7) % 5000;
            if (execSql(dataDb(), "update tbPower set V01=" + std::to_string(value) +
                                      ", V02=" + std::to_string(5000 - value) + " where SID=1"))
                ++writes_;
            pause(500);
        }
    }
};

TEST_F(GatewaySoak, PeriodicReportsWithReconnectsCommandsAndWrites_StayFlat)
{
    const int seconds = soakSeconds();
    const int sampleEveryMs = std::max(2000, seconds * 1000 / 60);
    setPeriodic("1");
    startGateway();
    const pid_t pid = gateway_.pid();
    std::printf("soak: %d s, gateway pid %d, a sample every %d ms\n", seconds, pid, sampleEveryMs);
    std::printf("%8s %10s %6s %8s %8s %8s %8s\n", "time/s", "rss/KiB", "fds", "threads", "interr.",
                "commands", "writes");

    std::thread a([this] { interrogatingMaster(); });
    std::thread b([this] { commandingMaster(); });
    std::thread w([this] { writer(); });

    std::vector<Sample> samples;
    const int64_t start = monotonicMs();
    while (monotonicMs() - start < seconds * 1000LL && gateway_.isRunning()) {
        usleep(static_cast<useconds_t>(sampleEveryMs) * 1000);
        std::string proc = "/proc/" + std::to_string(pid);
        Sample s{monotonicMs() - start, ProcStatusKb(pid, "VmRSS:"),
                 CountDirectoryEntries(proc + "/fd"), CountDirectoryEntries(proc + "/task")};
        samples.push_back(s);
        std::printf("%8.0f %10ld %6d %8d %8d %8d %8d\n", s.atMs / 1000.0, s.rssKb, s.descriptors,
                    s.threads, interrogations_.load(), commands_.load(), writes_.load());
        std::fflush(stdout);
    }
    stop_ = true;
    a.join();
    b.join();
    w.join();

    ASSERT_TRUE(gateway_.isRunning()) << gateway_.transcript();
    ASSERT_GE(samples.size(), 10u);
    /* Warm-up: the first fifth. Then the first and the last fifth of the rest. */
    size_t fifth = samples.size() / 5;
    auto range = [&](size_t from, size_t to, auto field) {
        long low = field(samples[from]), high = low, sum = 0;
        for (size_t i = from; i < to; i++) {
            long v = field(samples[i]);
            low = std::min(low, v);
            high = std::max(high, v);
            sum += v;
        }
        return std::vector<long>{low, high, sum / static_cast<long>(to - from)};
    };
    auto rss = [](const Sample& s) { return s.rssKb; };
    auto fds = [](const Sample& s) { return static_cast<long>(s.descriptors); };
    auto threads = [](const Sample& s) { return static_cast<long>(s.threads); };
    std::vector<long> earlyRss = range(fifth, 2 * fifth, rss);
    std::vector<long> lateRss = range(samples.size() - fifth, samples.size(), rss);
    std::vector<long> earlyFds = range(0, 2 * fifth, fds);
    std::vector<long> lateFds = range(samples.size() - fifth, samples.size(), fds);
    std::vector<long> earlyThreads = range(0, 2 * fifth, threads);
    std::vector<long> lateThreads = range(samples.size() - fifth, samples.size(), threads);
    std::printf("rss KiB early avg %ld late avg %ld (min %ld max %ld); fds early max %ld late max "
                "%ld; threads early max %ld late max %ld\n",
                earlyRss[2], lateRss[2], lateRss[0], lateRss[1], earlyFds[1], lateFds[1],
                earlyThreads[1], lateThreads[1]);
    std::printf("interrogations %d (%d incomplete), command rounds %d (%d failed), writes %d\n",
                interrogations_.load(), interrogationFailures_.load(), commands_.load(),
                commandFailures_.load(), writes_.load());

    EXPECT_LE(lateRss[2], earlyRss[2] + earlyRss[2] / 20 + 256) << "resident memory grows";
    EXPECT_LE(lateFds[1], earlyFds[1]) << "descriptors grow";
    EXPECT_LE(lateThreads[1], earlyThreads[1]) << "threads grow";
    EXPECT_GT(interrogations_.load(), seconds / 10);
    EXPECT_EQ(0, interrogationFailures_.load());
    EXPECT_GT(commands_.load(), seconds / 5);
    EXPECT_EQ(0, commandFailures_.load());
    EXPECT_GT(writes_.load(), seconds);
    EXPECT_EQ(0, exitCodeOf(interruptGateway(10000))) << gateway_.transcript();
    EXPECT_TRUE(gateway_.waitFor("exit 0", 1000));
}

} // namespace
} // namespace qxtest
