// SPDX-License-Identifier: Apache-2.0
/*
 * ASDU queues of the IEC 60870-5-104 slave engine.
 *
 * MessageQueue (low priority): a bounded ring of pre-encoded ASDUs handed to
 * CS104_Slave_enqueueASDU. Entries stay after sending, in state
 * SENT_BUT_NOT_CONFIRMED, until the master confirms them by sequence number;
 * a full ring overwrites its oldest entry whatever its state. The ring's
 * slot records are allocated by create; the frame buffer of a slot is
 * allocated when an entry first takes the slot and freed when the entry is
 * confirmed or released, so a large ring costs its slot records (a few
 * dozen octets each) plus the buffers of the entries it holds.
 * HighPriorityASDUQueue: a FIFO of replies that did not fit into the window
 * of unconfirmed frames. Its entries are allocated as they are queued and
 * freed as they are taken, up to the bound given to create; only beyond the
 * bound (or when memory runs out) is an entry refused.
 *
 * Entries are encoded at enqueue time into a FrameBuffer, six octets in, so
 * that sending only writes the APCI in front of them. A queue is owned by
 * the slave (shared pair of mode 0) or by one connection (mode 1).
 *
 * Locking: each queue has its own lock. The functions that take it
 * themselves say so; MessageQueue_getNextWaitingASDU expects the caller to
 * hold it (through the _lock/_unlock functions) while it reads the returned
 * buffer. The take functions copy the entry out under the lock, so the
 * engine writes to a socket with no queue lock held and an enqueue (the
 * application's thread) never waits for a slow peer.
 * Lock order of the engine: a connection's window lock and the slave's
 * connection-list lock are taken before a queue lock, never after.
 *
 * Robustness beyond a plain ring (entries can be confirmed out of order when
 * connections switch over, which leaves free slots between used ones):
 * - entry timestamps are unique and increasing within a queue, so a
 *   confirmation can never match an entry that overwrote the one it sent;
 * - the search for the next waiting entry passes over free slots up to the
 *   newest entry, and the oldest-entry index always names a used slot.
 */
#ifndef CS104_QUEUES_H
#define CS104_QUEUES_H

#include "cs104_apci.h"
#include "hal_thread.h"
#include "hal_wakeup.h"
#include "iec60870_common.h"

#include <cstdint>

typedef enum {
    QUEUE_ENTRY_STATE_NOT_USED = 0,
    QUEUE_ENTRY_STATE_WAITING_FOR_TRANSMISSION = 1,
    QUEUE_ENTRY_STATE_SENT_BUT_NOT_CONFIRMED = 2
} QueueEntryState;

struct ASDUQueueEntry {
    uint64_t entryTimestamp; /* enqueue time in ms, unique in the queue; 0 when free */
    FrameBuffer* asdu;       /* allocated while the slot is used, else null */
    QueueEntryState state;
    const void* sender; /* who sent it (state SENT only); see MessageQueue_markAsduAsConfirmed */
};

typedef struct sMessageQueue* MessageQueue;

struct sMessageQueue {
    int size;
    int entryCounter;  /* slots in state WAITING or SENT */
    int lastMsgIndex;  /* newest entry; -1 when empty */
    int firstMsgIndex; /* oldest used slot; -1 when empty */
    uint64_t lastEntryTimestamp;
    ASDUQueueEntry* asdus;
    Semaphore queueLock;
    WakeUp enqueued; /* signalled after every enqueue; the active sender waits on it */
};

typedef struct sHighPriorityASDUQueue* HighPriorityASDUQueue;

struct HighPriorityEntry {
    HighPriorityEntry* next;
    FrameBuffer frame;
};

struct sHighPriorityASDUQueue {
    int size;         /* most entries held at once */
    int entryCounter; /* entries held now */
    HighPriorityEntry* first;
    HighPriorityEntry* last;
    Semaphore queueLock;
};

/* ------------------------------------------------------------ MessageQueue */

/*
 * A new empty queue of maxQueueSize slots (at least 1) with its wake-up, or
 * null when out of memory or descriptors.
 */
MessageQueue MessageQueue_create(int maxQueueSize);

/* Frees slots, lock and record; null is ignored. */
void MessageQueue_destroy(MessageQueue self);

/* Take and release the queue's lock around getNextWaitingASDU and the write of its buffer. */
void MessageQueue_lock(MessageQueue self);
void MessageQueue_unlock(MessageQueue self);

/*
 * Encodes the ASDU into the next slot (takes the lock) and signals the
 * queue's wake-up. False when the ASDU does not fit one frame or memory runs
 * out; nothing is queued then.
 */
bool MessageQueue_enqueueASDU(MessageQueue self, CS101_ASDU asdu);

/* As MessageQueue_enqueueASDU with asduLength pre-encoded ASDU octets. */
bool MessageQueue_enqueueOctets(MessageQueue self, const uint8_t* asduOctets, int asduLength);

/*
 * What an enqueue into a full ring pushed out: entries overwritten before the
 * master confirmed them (still waiting, or sent and unconfirmed: once
 * overwritten, such an entry can no longer be sent again after a
 * switch-over), and the information objects with cause 3 (spontaneous)
 * among them, counted from the overwritten ASDU's header octets.
 */
struct MessageQueueLoss {
    int entries;
    int spontaneousObjects;
};

/*
 * As MessageQueue_enqueueOctets; when loss is not null, sets it to what this
 * enqueue overwrote (zeros when it took a free slot or queued nothing).
 */
bool MessageQueue_enqueueOctetsCountingLoss(MessageQueue self, const uint8_t* asduOctets,
                                            int asduLength, MessageQueueLoss* loss);

/* True while any entry waits or awaits confirmation (takes the lock). */
bool MessageQueue_isAsduAvailable(MessageQueue self);

/*
 * Caller holds the lock. The oldest waiting entry, now marked sent, with its
 * timestamp and slot; null when none waits. The buffer stays in the queue.
 * The entry counts as sent by no one in particular (sender null).
 */
FrameBuffer* MessageQueue_getNextWaitingASDU(MessageQueue self, uint64_t* timestamp,
                                             int* queueIndex);

/*
 * As MessageQueue_getNextWaitingASDU, recording sender (the connection that
 * will write the entry) with the entry while it awaits confirmation. The
 * sender must put its unconfirmed entries back to waiting
 * (MessageQueue_markAsduAsWaiting) before it goes away.
 */
FrameBuffer* MessageQueue_getNextWaitingASDUBy(MessageQueue self, const void* sender,
                                               uint64_t* timestamp, int* queueIndex);

/*
 * Frees the sent entry at queueIndex if its timestamp still matches, and
 * every contiguous sent entry before it that the same sender sent (takes the
 * lock): a confirmation speaks only for the frames of its own connection, so
 * entries another connection sent and nobody confirmed stay (and return to
 * waiting when that connection closes). A mismatch (the slot was overwritten
 * since) or an index out of range frees nothing.
 */
void MessageQueue_markAsduAsConfirmed(MessageQueue self, int queueIndex, uint64_t timestamp);

/*
 * Puts a sent, unconfirmed entry back to waiting if its timestamp still
 * matches (takes the lock): used when the connection that sent it closes.
 */
void MessageQueue_markAsduAsWaiting(MessageQueue self, int queueIndex, uint64_t timestamp);

/*
 * Takes the oldest waiting entry as MessageQueue_getNextWaitingASDUBy does
 * and copies its frame into out (takes the lock). False when none waits.
 */
bool MessageQueue_takeNextWaitingASDU(MessageQueue self, const void* sender, FrameBuffer* out,
                                      uint64_t* timestamp, int* queueIndex);

/* Empties the queue and frees its entry buffers (takes the lock). */
void MessageQueue_releaseAllQueuedASDUs(MessageQueue self);

/* ---------------------------------------------------- HighPriorityASDUQueue */

/*
 * A new empty FIFO that holds up to maxQueueSize entries at once (at least
 * 1), or null when out of memory. No entry is allocated yet.
 */
HighPriorityASDUQueue HighPriorityASDUQueue_create(int maxQueueSize);

/* Frees the entries, lock and record; null is ignored. */
void HighPriorityASDUQueue_destroy(HighPriorityASDUQueue self);

/*
 * Encodes and stores the ASDU (takes the lock); false when the queue holds
 * its bound, memory runs out or the ASDU is too long (dropped).
 */
bool HighPriorityASDUQueue_enqueue(HighPriorityASDUQueue self, CS101_ASDU asdu);

/* Stores a copy of an encoded frame buffer (takes the lock); false as above. */
bool HighPriorityASDUQueue_enqueueFrame(HighPriorityASDUQueue self, const FrameBuffer* frame);

/* True when an entry is queued (takes the lock). */
bool HighPriorityASDUQueue_isAsduAvailable(HighPriorityASDUQueue self);

/* Entries held now (takes the lock). */
int HighPriorityASDUQueue_count(HighPriorityASDUQueue self);

/*
 * Removes every entry for which match(entry, context) is true and keeps the
 * others in their order (takes the lock; match runs under it and must not
 * touch the queue). The number of entries removed; 0 for a null match.
 */
int HighPriorityASDUQueue_removeMatching(HighPriorityASDUQueue self,
                                         bool (*match)(const FrameBuffer* entry, void* context),
                                         void* context);

/*
 * Removes the oldest entry, copies it into out and frees it (takes the
 * lock); false when the queue is empty.
 */
bool HighPriorityASDUQueue_takeNext(HighPriorityASDUQueue self, FrameBuffer* out);

/* Discards and frees every entry (takes the lock). */
void HighPriorityASDUQueue_resetConnectionQueue(HighPriorityASDUQueue self);

#endif
