// SPDX-License-Identifier: Apache-2.0
/*
 * Low- and high-priority ASDU queues of the slave engine (see cs104_queues.h).
 *
 * Design choices:
 * - Entry timestamps are max(now, previous + 1): unique per queue, so the
 *   identity check of a confirmation cannot be fooled by an entry that
 *   overwrote the confirmed one within the same millisecond.
 * - Confirmations can arrive out of ring order after a switch-over (entries
 *   of a closed connection go back to waiting, a later connection confirms
 *   newer ones first), leaving free slots between used ones. The search for
 *   waiting entries therefore runs from the oldest to the newest entry over
 *   free slots, and the oldest-entry index is moved on to a used slot.
 * - Queue sizes below 1 are raised to 1 so that a queue always has storage.
 * - Frame buffers are allocated as entries need them and freed as they go
 *   (low priority: when confirmed or released; high priority: when taken),
 *   so a queue sized for a full-image answer or report costs memory only
 *   while it holds one. Out of memory refuses the new entry and changes
 *   nothing else.
 * - The take functions copy an entry out under the queue lock, so no queue
 *   lock is held while a frame is written to a socket.
 * - A sent entry remembers its sender. A confirmation walks back only over
 *   the same sender's entries: after a switch-over in the single redundancy
 *   group, the new connection's confirmations must not free what the old
 *   connection sent and nobody confirmed (that returns to waiting when the
 *   old connection closes). The newest-entry index is moved back to a used
 *   slot when its own entry is confirmed out of order.
 * - An enqueue into a full ring can tell what it overwrote (entries and
 *   their spontaneous objects, read from the stored VSQ and cause octets),
 *   so the application can say how many events a full queue lost without
 *   the queue keeping any state for it.
 */
#include "cs104_queues.h"

#include "hal_time.h"
#include "lib_memory.h"

#include <cstring>

namespace
{

int nextIndex(int index, int size)
{
    return (index + 1) % size;
}

int previousIndex(int index, int size)
{
    return (index == 0) ? size - 1 : index - 1;
}

/* The first used slot at or after start, or -1 when every slot is free. */
int firstUsedFrom(MessageQueue self, int start)
{
    int index = start;
    for (int i = 0; i < self->size; i++) {
        if (self->asdus[index].state != QUEUE_ENTRY_STATE_NOT_USED)
            return index;
        index = nextIndex(index, self->size);
    }
    return -1;
}

/* The last used slot at or before start, or -1 when every slot is free. */
int lastUsedFrom(MessageQueue self, int start)
{
    int index = start;
    for (int i = 0; i < self->size; i++) {
        if (self->asdus[index].state != QUEUE_ENTRY_STATE_NOT_USED)
            return index;
        index = previousIndex(index, self->size);
    }
    return -1;
}

uint64_t uniqueTimestamp(MessageQueue self)
{
    uint64_t now = Hal_getTimeInMs();
    if (now <= self->lastEntryTimestamp)
        now = self->lastEntryTimestamp + 1;
    self->lastEntryTimestamp = now;
    return now;
}

/* Octets of an encoded ASDU's header read for loss counting: type, VSQ, cause. */
const int kAsduVsqOffset = 1;
const int kAsduCauseOffset = 2;
const uint8_t kCauseSpontaneous = 3;

/* Adds an entry about to be overwritten to *loss. */
void countOverwritten(const ASDUQueueEntry* entry, MessageQueueLoss* loss)
{
    loss->entries++;
    if (entry->asdu == nullptr)
        return;
    const int asduLength = entry->asdu->msgSize - CS104_APCI_LENGTH;
    if (asduLength <= kAsduCauseOffset)
        return;
    const uint8_t* asdu = entry->asdu->msg + CS104_APCI_LENGTH;
    if ((asdu[kAsduCauseOffset] & 0x3F) == kCauseSpontaneous)
        loss->spontaneousObjects += asdu[kAsduVsqOffset] & 0x7F;
}

/* Chooses the slot for a new entry and keeps counters and indices right;
 * an entry it overwrites is added to *loss. */
int takeSlotForNewEntry(MessageQueue self, MessageQueueLoss* loss)
{
    if (self->entryCounter == 0) {
        self->firstMsgIndex = 0;
        self->lastMsgIndex = 0;
        self->entryCounter = 1;
        return 0;
    }
    int slot = nextIndex(self->lastMsgIndex, self->size);
    if (self->asdus[slot].state != QUEUE_ENTRY_STATE_NOT_USED) {
        // The ring has come round to its oldest entry: overwrite it.
        countOverwritten(&self->asdus[slot], loss);
        if (slot == self->firstMsgIndex) {
            int next = firstUsedFrom(self, nextIndex(slot, self->size));
            self->firstMsgIndex = (next == slot || next < 0) ? slot : next;
        }
    } else {
        self->entryCounter++;
    }
    self->lastMsgIndex = slot;
    return slot;
}

void freeEntry(MessageQueue self, int index)
{
    Memory_free(self->asdus[index].asdu);
    self->asdus[index].asdu = nullptr;
    self->asdus[index].state = QUEUE_ENTRY_STATE_NOT_USED;
    self->asdus[index].entryTimestamp = 0;
    self->asdus[index].sender = nullptr;
    self->entryCounter--;
}

} // namespace

/* ------------------------------------------------------------ MessageQueue */

MessageQueue MessageQueue_create(int maxQueueSize)
{
    if (maxQueueSize < 1)
        maxQueueSize = 1;
    MessageQueue self = (MessageQueue)Memory_calloc(1, sizeof(struct sMessageQueue));
    if (self == nullptr)
        return nullptr;
    self->asdus = (ASDUQueueEntry*)Memory_calloc((size_t)maxQueueSize, sizeof(ASDUQueueEntry));
    self->queueLock = Semaphore_create(1);
    self->enqueued = WakeUp_create();
    if (self->asdus == nullptr || self->queueLock == nullptr || self->enqueued == nullptr) {
        self->size = 0; /* no slot holds a buffer yet */
        MessageQueue_destroy(self);
        return nullptr;
    }
    self->size = maxQueueSize;
    self->entryCounter = 0;
    self->firstMsgIndex = -1;
    self->lastMsgIndex = -1;
    return self;
}

void MessageQueue_destroy(MessageQueue self)
{
    if (self == nullptr)
        return;
    if (self->asdus != nullptr) {
        for (int i = 0; i < self->size; i++)
            Memory_free(self->asdus[i].asdu);
    }
    Memory_free(self->asdus);
    Semaphore_destroy(self->queueLock);
    WakeUp_destroy(self->enqueued);
    Memory_free(self);
}

void MessageQueue_lock(MessageQueue self)
{
    Semaphore_wait(self->queueLock);
}

void MessageQueue_unlock(MessageQueue self)
{
    Semaphore_post(self->queueLock);
}

bool MessageQueue_enqueueASDU(MessageQueue self, CS101_ASDU asdu)
{
    FrameBuffer encoded;
    if (!CS104_encodeASDU(&encoded, asdu))
        return false;
    return MessageQueue_enqueueOctets(self, encoded.msg + CS104_APCI_LENGTH,
                                      encoded.msgSize - CS104_APCI_LENGTH);
}

bool MessageQueue_enqueueOctets(MessageQueue self, const uint8_t* asduOctets, int asduLength)
{
    return MessageQueue_enqueueOctetsCountingLoss(self, asduOctets, asduLength, nullptr);
}

bool MessageQueue_enqueueOctetsCountingLoss(MessageQueue self, const uint8_t* asduOctets,
                                            int asduLength, MessageQueueLoss* loss)
{
    MessageQueueLoss overwritten = {0, 0};
    if (loss != nullptr)
        *loss = overwritten;
    if (asduLength < 1 || asduLength > CS104_MAX_ASDU_LENGTH)
        return false;
    MessageQueue_lock(self);
    // The slot the new entry will take; it needs a buffer unless it holds
    // an entry about to be overwritten.
    int slot = self->entryCounter == 0 ? 0 : nextIndex(self->lastMsgIndex, self->size);
    if (self->asdus[slot].asdu == nullptr) {
        self->asdus[slot].asdu = (FrameBuffer*)Memory_malloc(sizeof(FrameBuffer));
        if (self->asdus[slot].asdu == nullptr) {
            MessageQueue_unlock(self);
            return false;
        }
    }
    slot = takeSlotForNewEntry(self, &overwritten);
    ASDUQueueEntry* entry = &self->asdus[slot];
    CS104_setASDUOctets(entry->asdu, asduOctets, asduLength);
    entry->entryTimestamp = uniqueTimestamp(self);
    entry->state = QUEUE_ENTRY_STATE_WAITING_FOR_TRANSMISSION;
    entry->sender = nullptr;
    MessageQueue_unlock(self);
    WakeUp_signal(self->enqueued);
    if (loss != nullptr)
        *loss = overwritten;
    return true;
}

bool MessageQueue_isAsduAvailable(MessageQueue self)
{
    MessageQueue_lock(self);
    bool available = self->entryCounter > 0;
    MessageQueue_unlock(self);
    return available;
}

FrameBuffer* MessageQueue_getNextWaitingASDU(MessageQueue self, uint64_t* timestamp,
                                             int* queueIndex)
{
    return MessageQueue_getNextWaitingASDUBy(self, nullptr, timestamp, queueIndex);
}

FrameBuffer* MessageQueue_getNextWaitingASDUBy(MessageQueue self, const void* sender,
                                               uint64_t* timestamp, int* queueIndex)
{
    if (self->entryCounter == 0)
        return nullptr;
    int index = self->firstMsgIndex;
    for (int i = 0; i < self->size; i++) {
        ASDUQueueEntry* entry = &self->asdus[index];
        if (entry->state == QUEUE_ENTRY_STATE_WAITING_FOR_TRANSMISSION) {
            entry->state = QUEUE_ENTRY_STATE_SENT_BUT_NOT_CONFIRMED;
            entry->sender = sender;
            *timestamp = entry->entryTimestamp;
            *queueIndex = index;
            return entry->asdu;
        }
        if (index == self->lastMsgIndex)
            break;
        index = nextIndex(index, self->size);
    }
    return nullptr;
}

void MessageQueue_markAsduAsConfirmed(MessageQueue self, int queueIndex, uint64_t timestamp)
{
    if (queueIndex < 0 || queueIndex >= self->size)
        return;
    MessageQueue_lock(self);
    ASDUQueueEntry* confirmed = &self->asdus[queueIndex];
    if (self->entryCounter > 0 && confirmed->state == QUEUE_ENTRY_STATE_SENT_BUT_NOT_CONFIRMED &&
        confirmed->entryTimestamp == timestamp) {
        const void* sender = confirmed->sender;
        bool freedNewest = (queueIndex == self->lastMsgIndex);
        // Walk back over the contiguous entries of the same sender: its
        // confirmation confirms every frame it sent before, but says nothing
        // about frames another connection sent.
        int index = queueIndex;
        while (self->asdus[index].state == QUEUE_ENTRY_STATE_SENT_BUT_NOT_CONFIRMED &&
               self->asdus[index].sender == sender) {
            freeEntry(self, index);
            if (self->entryCounter == 0) {
                self->firstMsgIndex = -1;
                self->lastMsgIndex = -1;
                freedNewest = false;
                break;
            }
            if (index == self->firstMsgIndex) {
                self->firstMsgIndex = firstUsedFrom(self, nextIndex(queueIndex, self->size));
                if (self->entryCounter == 1)
                    self->lastMsgIndex = self->firstMsgIndex;
                break;
            }
            index = previousIndex(index, self->size);
            if (index == queueIndex)
                break;
        }
        // The newest index names a used slot, so a new entry takes the slot
        // after it rather than overwriting the oldest while this one is free.
        if (freedNewest && self->entryCounter > 0 &&
            self->asdus[self->lastMsgIndex].state == QUEUE_ENTRY_STATE_NOT_USED)
            self->lastMsgIndex = lastUsedFrom(self, self->lastMsgIndex);
    }
    MessageQueue_unlock(self);
}

void MessageQueue_markAsduAsWaiting(MessageQueue self, int queueIndex, uint64_t timestamp)
{
    if (queueIndex < 0 || queueIndex >= self->size)
        return;
    MessageQueue_lock(self);
    ASDUQueueEntry* entry = &self->asdus[queueIndex];
    if (entry->state == QUEUE_ENTRY_STATE_SENT_BUT_NOT_CONFIRMED &&
        entry->entryTimestamp == timestamp) {
        entry->state = QUEUE_ENTRY_STATE_WAITING_FOR_TRANSMISSION;
        entry->sender = nullptr;
    }
    MessageQueue_unlock(self);
}

bool MessageQueue_takeNextWaitingASDU(MessageQueue self, const void* sender, FrameBuffer* out,
                                      uint64_t* timestamp, int* queueIndex)
{
    MessageQueue_lock(self);
    FrameBuffer* next = MessageQueue_getNextWaitingASDUBy(self, sender, timestamp, queueIndex);
    if (next != nullptr) {
        std::memcpy(out->msg, next->msg, (size_t)next->msgSize);
        out->msgSize = next->msgSize;
    }
    MessageQueue_unlock(self);
    return next != nullptr;
}

void MessageQueue_releaseAllQueuedASDUs(MessageQueue self)
{
    MessageQueue_lock(self);
    for (int i = 0; i < self->size; i++) {
        Memory_free(self->asdus[i].asdu);
        self->asdus[i].asdu = nullptr;
        self->asdus[i].state = QUEUE_ENTRY_STATE_NOT_USED;
        self->asdus[i].entryTimestamp = 0;
        self->asdus[i].sender = nullptr;
    }
    self->firstMsgIndex = -1;
    self->lastMsgIndex = -1;
    self->entryCounter = 0;
    MessageQueue_unlock(self);
}

/* ---------------------------------------------------- HighPriorityASDUQueue */

namespace
{

void freeHighPriorityEntries(HighPriorityASDUQueue self)
{
    HighPriorityEntry* entry = self->first;
    while (entry != nullptr) {
        HighPriorityEntry* next = entry->next;
        Memory_free(entry);
        entry = next;
    }
    self->first = nullptr;
    self->last = nullptr;
    self->entryCounter = 0;
}

} // namespace

HighPriorityASDUQueue HighPriorityASDUQueue_create(int maxQueueSize)
{
    if (maxQueueSize < 1)
        maxQueueSize = 1;
    HighPriorityASDUQueue self =
        (HighPriorityASDUQueue)Memory_calloc(1, sizeof(struct sHighPriorityASDUQueue));
    if (self == nullptr)
        return nullptr;
    self->queueLock = Semaphore_create(1);
    if (self->queueLock == nullptr) {
        Memory_free(self);
        return nullptr;
    }
    self->size = maxQueueSize;
    return self;
}

void HighPriorityASDUQueue_destroy(HighPriorityASDUQueue self)
{
    if (self == nullptr)
        return;
    freeHighPriorityEntries(self);
    Semaphore_destroy(self->queueLock);
    Memory_free(self);
}

bool HighPriorityASDUQueue_enqueue(HighPriorityASDUQueue self, CS101_ASDU asdu)
{
    FrameBuffer encoded;
    if (!CS104_encodeASDU(&encoded, asdu))
        return false;
    return HighPriorityASDUQueue_enqueueFrame(self, &encoded);
}

bool HighPriorityASDUQueue_enqueueFrame(HighPriorityASDUQueue self, const FrameBuffer* frame)
{
    if (frame->msgSize < 0 || frame->msgSize > CS104_FRAME_BUFFER_SIZE)
        return false;
    Semaphore_wait(self->queueLock);
    HighPriorityEntry* entry = nullptr;
    if (self->entryCounter < self->size)
        entry = (HighPriorityEntry*)Memory_malloc(sizeof(HighPriorityEntry));
    if (entry != nullptr) {
        entry->next = nullptr;
        std::memcpy(entry->frame.msg, frame->msg, (size_t)frame->msgSize);
        entry->frame.msgSize = frame->msgSize;
        if (self->last == nullptr)
            self->first = entry;
        else
            self->last->next = entry;
        self->last = entry;
        self->entryCounter++;
    }
    Semaphore_post(self->queueLock);
    return entry != nullptr;
}

bool HighPriorityASDUQueue_isAsduAvailable(HighPriorityASDUQueue self)
{
    return HighPriorityASDUQueue_count(self) > 0;
}

int HighPriorityASDUQueue_count(HighPriorityASDUQueue self)
{
    Semaphore_wait(self->queueLock);
    int count = self->entryCounter;
    Semaphore_post(self->queueLock);
    return count;
}

bool HighPriorityASDUQueue_takeNext(HighPriorityASDUQueue self, FrameBuffer* out)
{
    Semaphore_wait(self->queueLock);
    HighPriorityEntry* entry = self->first;
    if (entry != nullptr) {
        self->first = entry->next;
        if (self->first == nullptr)
            self->last = nullptr;
        self->entryCounter--;
    }
    Semaphore_post(self->queueLock);
    if (entry == nullptr)
        return false;
    std::memcpy(out->msg, entry->frame.msg, (size_t)entry->frame.msgSize);
    out->msgSize = entry->frame.msgSize;
    Memory_free(entry);
    return true;
}

int HighPriorityASDUQueue_removeMatching(HighPriorityASDUQueue self,
                                         bool (*match)(const FrameBuffer* entry, void* context),
                                         void* context)
{
    if (match == nullptr)
        return 0;
    Semaphore_wait(self->queueLock);
    /* Unlinks and frees the matching entries; the others keep their order. */
    int removed = 0;
    HighPriorityEntry* kept = nullptr; /* last entry kept so far */
    HighPriorityEntry* entry = self->first;
    while (entry != nullptr) {
        HighPriorityEntry* next = entry->next;
        if (match(&entry->frame, context)) {
            if (kept == nullptr)
                self->first = next;
            else
                kept->next = next;
            Memory_free(entry);
            removed++;
        } else {
            kept = entry;
        }
        entry = next;
    }
    self->last = kept;
    self->entryCounter -= removed;
    Semaphore_post(self->queueLock);
    return removed;
}

void HighPriorityASDUQueue_resetConnectionQueue(HighPriorityASDUQueue self)
{
    Semaphore_wait(self->queueLock);
    freeHighPriorityEntries(self);
    Semaphore_post(self->queueLock);
}
