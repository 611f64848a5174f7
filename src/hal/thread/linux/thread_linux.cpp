// SPDX-License-Identifier: Apache-2.0
#include "hal_thread.h"

#include "lib_memory.h"

#include <atomic>
#include <cerrno>
#include <climits>
#include <ctime>
#include <semaphore.h>
#include <unistd.h>

/* pthread_create, or the test hook set by Thread_setCreateFunction. */
static std::atomic<ThreadCreateFunction> createFunction{nullptr};

static int createThread(pthread_t* id, const pthread_attr_t* attributes, void* (*function)(void*),
                        void* parameter)
{
    ThreadCreateFunction hook = createFunction.load();
    if (hook != nullptr)
        return hook(id, attributes, function, parameter);
    return pthread_create(id, attributes, function, parameter);
}

void Thread_setCreateFunction(ThreadCreateFunction function)
{
    createFunction.store(function);
}

Thread Thread_create(ThreadExecutionFunction function, void* parameter, bool autodestroy)
{
    auto thread = static_cast<Thread>(Memory_malloc(sizeof(struct sThread)));
    if (thread != nullptr) {
        thread->function = function;
        thread->parameter = parameter;
        thread->state = 0;
        thread->autodestroy = autodestroy;
        thread->stackSize = 0;
    }
    return thread;
}

void Thread_setStackSize(Thread thread, size_t bytes)
{
    if (thread != nullptr)
        thread->stackSize = bytes;
}

/* Creation attributes for the thread's stack size in storage, or null for
 * the defaults (no size set, or a size the system refuses). The caller
 * destroys non-null attributes after pthread_create. */
static pthread_attr_t* stackAttributes(Thread thread, pthread_attr_t* storage)
{
    if (thread->stackSize == 0 || pthread_attr_init(storage) != 0)
        return nullptr;
    const size_t least = static_cast<size_t>(PTHREAD_STACK_MIN);
    size_t size = thread->stackSize < least ? least : thread->stackSize;
    long page = sysconf(_SC_PAGESIZE);
    if (page > 0)
        size = (size + static_cast<size_t>(page) - 1) / static_cast<size_t>(page) *
               static_cast<size_t>(page);
    if (pthread_attr_setstacksize(storage, size) != 0) {
        pthread_attr_destroy(storage);
        return nullptr;
    }
    return storage;
}

/* Entry of an autodestroy thread: runs the function, then frees its own record. */
static void* destroyAutomaticThread(void* parameter)
{
    auto thread = static_cast<Thread>(parameter);
    thread->function(thread->parameter);
    Memory_free(thread);
    pthread_exit(nullptr);
    return nullptr;
}

bool Thread_start(Thread thread)
{
    if (thread == nullptr)
        return false;
    pthread_attr_t storage;
    pthread_attr_t* attributes = stackAttributes(thread, &storage);
    /*
     * A thread that never ran is not joined, and an autodestroy record that no
     * thread will free is freed here; the caller learns of the failure (the
     * system's thread or address-space limit) and cleans up what it owns.
     */
    if (thread->autodestroy) {
        pthread_t id;
        thread->state = 1; /* before the thread runs: it may free the record at once */
        int result = createThread(&id, attributes, destroyAutomaticThread, thread);
        if (attributes != nullptr)
            pthread_attr_destroy(attributes);
        if (result != 0) {
            Memory_free(thread);
            return false;
        }
        pthread_detach(id);
        return true;
    }
    int result = createThread(&thread->pthread, attributes, thread->function, thread->parameter);
    if (attributes != nullptr)
        pthread_attr_destroy(attributes);
    if (result != 0)
        return false;
    thread->state = 1;
    return true;
}

void Thread_destroy(Thread thread)
{
    if (thread == nullptr)
        return;
    if (thread->state == 1)
        pthread_join(thread->pthread, nullptr);
    Memory_free(thread);
}

void Thread_sleep(int millies)
{
    if (millies <= 0)
        return;
    struct timespec remaining;
    remaining.tv_sec = millies / 1000;
    remaining.tv_nsec = static_cast<long>(millies % 1000) * 1000000L;
    /* nanosleep has no one-second limit; resume after a signal with what is left. */
    while (nanosleep(&remaining, &remaining) == -1 && errno == EINTR) {
    }
}

Semaphore Semaphore_create(int initialValue)
{
    auto semaphore = static_cast<sem_t*>(Memory_malloc(sizeof(sem_t)));
    if (semaphore != nullptr)
        sem_init(semaphore, 0, static_cast<unsigned int>(initialValue));
    return semaphore;
}

void Semaphore_wait(Semaphore self)
{
    if (self == nullptr)
        return;
    /* A signal may interrupt the wait; the lock is only held once it succeeds. */
    while (sem_wait(static_cast<sem_t*>(self)) == -1 && errno == EINTR) {
    }
}

void Semaphore_post(Semaphore self)
{
    if (self == nullptr)
        return;
    sem_post(static_cast<sem_t*>(self));
}

void Semaphore_destroy(Semaphore self)
{
    if (self == nullptr)
        return;
    sem_destroy(static_cast<sem_t*>(self));
    Memory_free(self);
}
