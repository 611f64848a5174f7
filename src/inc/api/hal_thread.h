// SPDX-License-Identifier: Apache-2.0
/*
 * Threads and semaphores of the platform layer (POSIX threads, unnamed semaphores).
 *
 * Lifecycle: Thread_create allocates a record that does not run yet;
 * Thread_start runs it. A thread created without autodestroy is reclaimed by
 * its creator with Thread_destroy (join, then free). An autodestroy thread is
 * detached when started and frees its own record when its function returns:
 * its handle is invalid from then on and must not be touched.
 *
 * Every semaphore in the program has the initial count 1 and is used as a
 * mutual-exclusion lock: Semaphore_wait locks, Semaphore_post unlocks.
 * Operating-system errors of these functions are not reported.
 */
#ifndef HAL_THREAD_H
#define HAL_THREAD_H

#include <pthread.h>
#include <stddef.h>

typedef void* (*ThreadExecutionFunction)(void* parameter);

typedef struct sThread* Thread;

struct sThread {
    ThreadExecutionFunction function;
    void* parameter;
    pthread_t pthread;
    int state; /* 0 created, 1 started */
    bool autodestroy;
    size_t stackSize; /* bytes reserved for the stack; 0: the system's default */
};

typedef void* Semaphore;

/* A new, not yet running thread record, or null when out of memory. */
Thread Thread_create(ThreadExecutionFunction function, void* parameter, bool autodestroy);

/*
 * Sets the stack the thread reserves when it starts (before Thread_start).
 * 0 keeps the system's default (8 MiB of address space on Linux); other
 * sizes are raised to PTHREAD_STACK_MIN and rounded up to whole pages. When
 * the system refuses the size the thread starts with the default. Null is
 * ignored.
 */
void Thread_setStackSize(Thread thread, size_t bytes);

/*
 * Starts the thread (detached when autodestroy). False when the system cannot
 * create it (thread or address-space limit) or the record is null: the
 * function never runs; an autodestroy record is then already freed, a
 * record without autodestroy stays the caller's to destroy.
 */
bool Thread_start(Thread thread);

/*
 * Test hook: creates threads with the given function instead of
 * pthread_create (same arguments and result); null restores pthread_create.
 * Lets tests make thread creation fail on purpose.
 */
typedef int (*ThreadCreateFunction)(pthread_t* id, const pthread_attr_t* attributes,
                                    void* (*function)(void*), void* parameter);
void Thread_setCreateFunction(ThreadCreateFunction function);

/* Joins a started thread, then frees the record; null is ignored. Not for autodestroy threads. */
void Thread_destroy(Thread thread);

/* Sleeps the full time, also across signals and for a second or more; negative sleeps 0. */
void Thread_sleep(int millies);

/* A new process-private semaphore with the given count, or null when out of memory. */
Semaphore Semaphore_create(int initialValue);

/* Decrements, blocking while the count is 0 (resumes after signals). Null is ignored. */
void Semaphore_wait(Semaphore self);

/* Increments, waking one waiter. Null is ignored. */
void Semaphore_post(Semaphore self);

/* Destroys and frees; null is ignored. */
void Semaphore_destroy(Semaphore self);

#endif
