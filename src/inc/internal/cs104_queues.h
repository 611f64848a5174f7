/*
 * ASDU queues of the IEC 60870-5-104 slave engine.
 *
 * MessageQueue (low priority): a bounded ring of pre-encoded ASDUs handed to
 * CS104_Slave_enqueueASDU. Entries stay after sending, in state
 * SENT_BUT_NOT_CONFIRMED, until the master confirms them by sequence number;
 * a full ring overwrites its oldest entry whatever its state.
 * HighPriorityASDUQueue: a bounded FIFO of replies that did not fit into the
 * window of unconfirmed frames; a full queue refuses new entries.
 *
 * Entries are encoded at enqueue time into a FrameBuffer, six octets in, so
 * that sending only writes the APCI in front of them: enqueueing, sending and
 * confirming never allocate. All storage is allocated by the create
 * functions; the destroy functions free it. A queue is owned by the slave
 * (shared pair of mode 0) or by one connection (mode 1).
 *
 * Locking: each queue has its own lock. The functions that take it
 * themselves say so; MessageQueue_getNextWaitingASDU and
 * HighPriorityASDUQueue_getNextASDU expect the caller to hold it (through
 * the _lock/_unlock functions) until the returned buffer has been written.
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
#include "iec60870_common.h"

#include <cstdint>

typedef enum {
    QUEUE_ENTRY_STATE_NOT_USED = 0,
    QUEUE_ENTRY_STATE_WAITING_FOR_TRANSMISSION = 1,
    QUEUE_ENTRY_STATE_SENT_BUT_NOT_CONFIRMED = 2
} QueueEntryState;

struct ASDUQueueEntry {
    uint64_t entryTimestamp; /* enqueue time in ms, unique in the queue; 0 when free */
    FrameBuffer asdu;
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
};

typedef struct sHighPriorityASDUQueue* HighPriorityASDUQueue;

struct sHighPriorityASDUQueue {
    int size;
    int entryCounter;
    int lastMsgIndex;
    int firstMsgIndex;
    FrameBuffer* asdus;
    Semaphore queueLock;
};

/* ------------------------------------------------------------ MessageQueue */

/* A new empty queue of maxQueueSize slots (at least 1), or null when out of memory. */
MessageQueue MessageQueue_create(int maxQueueSize);

/* Frees slots, lock and record; null is ignored. */
void MessageQueue_destroy(MessageQueue self);

/* Take and release the queue's lock around getNextWaitingASDU and the write of its buffer. */
void MessageQueue_lock(MessageQueue self);
void MessageQueue_unlock(MessageQueue self);

/*
 * Encodes the ASDU into the next slot (takes the lock). False when the ASDU
 * does not fit one frame; nothing is queued then.
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

/* Empties the queue (takes the lock); used on the way to destroying it. */
void MessageQueue_releaseAllQueuedASDUs(MessageQueue self);

/* ---------------------------------------------------- HighPriorityASDUQueue */

/* A new empty FIFO of maxQueueSize slots (at least 1), or null when out of memory. */
HighPriorityASDUQueue HighPriorityASDUQueue_create(int maxQueueSize);

/* Frees slots, lock and record; null is ignored. */
void HighPriorityASDUQueue_destroy(HighPriorityASDUQueue self);

/* Take and release the queue's lock around getNextASDU and the write of its buffer. */
void HighPriorityASDUQueue_lock(HighPriorityASDUQueue self);
void HighPriorityASDUQueue_unlock(HighPriorityASDUQueue self);

/* Encodes and stores the ASDU (takes the lock); false when full or too long (dropped). */
bool HighPriorityASDUQueue_enqueue(HighPriorityASDUQueue self, CS101_ASDU asdu);

/* Stores an encoded frame buffer (takes the lock); false when full. */
bool HighPriorityASDUQueue_enqueueFrame(HighPriorityASDUQueue self, const FrameBuffer* frame);

/* True when an entry is queued (takes the lock). */
bool HighPriorityASDUQueue_isAsduAvailable(HighPriorityASDUQueue self);

/* Caller holds the lock. Removes and gives the oldest entry (still in the queue's storage), or
 * null. */
FrameBuffer* HighPriorityASDUQueue_getNextASDU(HighPriorityASDUQueue self);

/* Discards every entry (takes the lock). */
void HighPriorityASDUQueue_resetConnectionQueue(HighPriorityASDUQueue self);

#endif
