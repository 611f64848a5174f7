// SPDX-License-Identifier: Apache-2.0
/*
 * Threads, sleeping and semaphores of the platform layer.
 */
#include "hal_thread.h"

#include "fakes/net_helpers.h"
#include "fakes/signal_helpers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <thread>
#include <vector>

using qxtest::monotonicMs;
using qxtest::ScopedSignalHandler;

namespace
{

struct RunRecord {
    std::atomic<int> calls{0};
    std::atomic<bool> finished{false};
    void* seenParameter = nullptr;
    int delayMs = 0;
};

void* recordRun(void* parameter)
{
    auto record = static_cast<RunRecord*>(parameter);
    record->seenParameter = parameter;
    if (record->delayMs > 0)
        Thread_sleep(record->delayMs);
    record->calls++;
    record->finished = true;
    return nullptr;
}

/* Stands in for pthread_create when the system has no room for another thread. */
int refuseThread(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*)
{
    return EAGAIN;
}

/* Restores pthread_create when a test leaves, also on a failed assertion. */
struct RefusedThreadCreation {
    RefusedThreadCreation() { Thread_setCreateFunction(refuseThread); }
    ~RefusedThreadCreation() { Thread_setCreateFunction(nullptr); }
};

} // namespace

TEST(ThreadStart, CreationRefused_ReportsFalse_FunctionNeverRuns_NothingLeaks)
{
    RunRecord joined;
    RunRecord detached;
    {
        RefusedThreadCreation refused;
        Thread thread = Thread_create(recordRun, &joined, false);
        ASSERT_NE(thread, nullptr);
        EXPECT_FALSE(Thread_start(thread));
        EXPECT_EQ(thread->state, 0); /* not joined by destroy */
        int64_t start = monotonicMs();
        Thread_destroy(thread);
        EXPECT_LT(monotonicMs() - start, 100);

        /* The autodestroy record is freed by the failed start (the leak check sees it). */
        Thread autodestroyed = Thread_create(recordRun, &detached, true);
        ASSERT_NE(autodestroyed, nullptr);
        EXPECT_FALSE(Thread_start(autodestroyed));
        EXPECT_FALSE(Thread_start(nullptr));
    }
    Thread_sleep(50);
    EXPECT_EQ(joined.calls.load(), 0);
    EXPECT_EQ(detached.calls.load(), 0);

    /* With pthread_create back, the same calls start threads again. */
    Thread thread = Thread_create(recordRun, &joined, false);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(Thread_start(thread));
    Thread_destroy(thread);
    EXPECT_EQ(joined.calls.load(), 1);
}

TEST(ThreadDestroy, NeverStartedThread_FreesWithoutRunningOrWaiting)
{
    RunRecord record;
    Thread thread = Thread_create(recordRun, &record, false);
    ASSERT_NE(thread, nullptr);
    EXPECT_EQ(thread->state, 0);
    int64_t start = monotonicMs();
    Thread_destroy(thread);
    EXPECT_LT(monotonicMs() - start, 100);
    EXPECT_EQ(record.calls.load(), 0);
    Thread_destroy(nullptr);
}

TEST(ThreadDestroy, StartedThread_WaitsUntilFunctionReturned)
{
    RunRecord record;
    record.delayMs = 200;
    Thread thread = Thread_create(recordRun, &record, false);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(Thread_start(thread));
    EXPECT_EQ(thread->state, 1);
    Thread_destroy(thread);
    EXPECT_TRUE(record.finished.load());
    EXPECT_EQ(record.calls.load(), 1);
    EXPECT_EQ(record.seenParameter, &record);
}

TEST(ThreadStart, Autodestroy_RunsFunctionOnceAndFreesItsRecord)
{
    RunRecord record;
    Thread thread = Thread_create(recordRun, &record, true);
    ASSERT_NE(thread, nullptr);
    EXPECT_TRUE(Thread_start(thread)); /* the handle is invalid from here on */
    int64_t end = monotonicMs() + 5000;
    while (!record.finished && monotonicMs() < end)
        Thread_sleep(5);
    EXPECT_EQ(record.calls.load(), 1);
    EXPECT_EQ(record.seenParameter, &record);
    Thread_sleep(50); /* let the thread free its record before the leak check at exit */
}

TEST(ThreadSleep, OneSecondOrMore_SleepsTheFullTime)
{
    for (int ms : {1000, 1250}) {
        SCOPED_TRACE(ms);
        int64_t start = monotonicMs();
        Thread_sleep(ms);
        int64_t elapsed = monotonicMs() - start;
        EXPECT_GE(elapsed, ms);
        EXPECT_LT(elapsed, ms + 1000);
    }
}

TEST(ThreadSleep, NegativeOrZero_ReturnsAtOnce)
{
    int64_t start = monotonicMs();
    Thread_sleep(-1);
    Thread_sleep(-5000);
    Thread_sleep(0);
    EXPECT_LT(monotonicMs() - start, 50);
}

TEST(ThreadSleep, InterruptedBySignals_StillSleepsTheFullTime)
{
    ScopedSignalHandler interruption(SIGUSR2);
    ASSERT_TRUE(interruption.installed());

    std::atomic<bool> sleeping{true};
    pthread_t sleeper = pthread_self();
    std::thread interrupter([&] {
        while (sleeping) {
            pthread_kill(sleeper, SIGUSR2);
            usleep(20000);
        }
    });
    int64_t start = monotonicMs();
    Thread_sleep(400);
    int64_t elapsed = monotonicMs() - start;
    sleeping = false;
    interrupter.join();
    EXPECT_GE(elapsed, 400);
}

TEST(Semaphore, UsedAsMutex_NoIncrementLostAcrossThreads)
{
    Semaphore lock = Semaphore_create(1);
    ASSERT_NE(lock, nullptr);
    long counter = 0; /* guarded by lock only */
    const int threads = 4;
    const int rounds = 20000;
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; t++) {
        workers.emplace_back([&] {
            for (int i = 0; i < rounds; i++) {
                Semaphore_wait(lock);
                long value = counter;
                if (i % 1000 == 0)
                    std::this_thread::yield(); /* widen the window a lost update needs */
                counter = value + 1;
                Semaphore_post(lock);
            }
        });
    }
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(counter, static_cast<long>(threads) * rounds);
    Semaphore_destroy(lock);
}

TEST(Semaphore, Taken_SecondWaitBlocksUntilPost)
{
    Semaphore lock = Semaphore_create(1);
    ASSERT_NE(lock, nullptr);
    Semaphore_wait(lock);
    std::atomic<bool> entered{false};
    std::thread other([&] {
        Semaphore_wait(lock);
        entered = true;
        Semaphore_post(lock);
    });
    Thread_sleep(150);
    EXPECT_FALSE(entered.load());
    Semaphore_post(lock);
    other.join();
    EXPECT_TRUE(entered.load());
    Semaphore_destroy(lock);
    Semaphore_destroy(nullptr);
}
