// SPDX-License-Identifier: Apache-2.0
/*
 * Master connection: one connection from a controlling station over a
 * transport stream and its IEC 60870-5-104 link procedure, served by a
 * thread of its own (see cs104_master_connection.h).
 *
 * The thread reads at most one frame per loop pass, handles it, runs the
 * timers t1/t2/t3 and, while data transfer is started, sends every queued
 * ASDU the window k allows (high-priority ones first). Then it waits on its
 * stream, its own wake-up (close), the low-priority queue's wake-up (while
 * active) and the next timer deadline: nothing else wakes it. A stream with
 * octets already buffered (pending) is read without waiting, and so is the
 * stream after a pass that read a frame (an empty read sends the next pass
 * back to waiting).
 *
 * Design choices:
 * - TCP is a byte stream: a frame may arrive in pieces split anywhere. The
 *   partial frame stays in the receive buffer and is completed on later
 *   passes; only a wrong start octet, a length octet below 4, or a frame
 *   not completed within t1 closes the connection. Only as many octets as
 *   the current frame needs are read, so frames that follow stay in the
 *   stream for the next pass.
 * - An I frame whose ASDU is shorter than an ASDU header is counted and
 *   acknowledged but reaches no handler.
 * - A received N(R) is checked by its distance from the oldest unconfirmed
 *   frame: valid when it confirms 0..n of the n frames in the window (0
 *   being the repeated acknowledgement), modulo 32768.
 * - When the connection closes, low-priority entries it sent that were not
 *   confirmed go back to waiting, so that in the single redundancy group
 *   the next active connection sends them (a duplicate after a switch-over
 *   is possible, a loss is not). Queue entries are sent under this
 *   connection's name, so that another connection's confirmations never
 *   release them while this one is still open.
 * - A reply is queued behind earlier high-priority replies instead of
 *   overtaking them, also when the window has just reopened.
 * - An S frame is due after w received frames only when some are
 *   unacknowledged, so w of 0 or less does not flood the peer.
 * - Timers (t1, t2, t3 and the frame receive time-out) measure on the
 *   monotonic clock, so setting the system time (a clock synchronisation,
 *   NTP, an operator) neither fires nor stalls them, and a 32-bit target's
 *   2038 wrap cannot reach them. Should a reference time still lie ahead of
 *   now, the time passed counts as 0 instead of wrapping to a huge value,
 *   and the reference (and a t3 deadline further than t3 away) moves to now,
 *   so each timer still runs out within one period.
 * - Strict mode (CS104_Slave_setStrictIec): a test frame left unconfirmed
 *   for t1 closes the connection (the silent master is noticed after
 *   t3 + t1 rather than after three test frames), STOPDT con waits until
 *   every sent I frame is acknowledged, replies with cause 44-47 carry the
 *   negative bit, and a deactivated interrogation's waiting rest can be
 *   discarded from the reply queue.
 * - No polling: the wait ends when a frame arrives (which may open the
 *   window), when an ASDU is queued, on close, or when a timer is due. The
 *   queue's wake-up is cleared before the queue is looked at, so an entry
 *   queued meanwhile wakes the next wait. An inactive connection neither
 *   waits on nor clears the queue's wake-up (in mode 0 the queue is shared
 *   and the active connection's wake-up must not be taken from it); a newly
 *   active one looks at the queue right after STARTDT in the same pass.
 */
#include "cs104_master_connection.h"

#include "hal_time.h"
#include "lib_memory.h"

#include <cstring>
#include <new>

namespace
{

CS104_APCIParameters parameters(MasterConnection self)
{
    return self->host->apciParameters;
}

uint64_t seconds(int value)
{
    return (uint64_t)(value > 0 ? value : 0) * 1000u;
}

/*
 * Time passed since a reference on the monotonic clock. A reference ahead of
 * now (it cannot happen with that clock, but would otherwise wrap) moves to
 * now: the time passed counts as 0 and the timer runs out one period later.
 */
uint64_t elapsedSince(uint64_t now, uint64_t* since)
{
    if (now < *since)
        *since = now;
    return now - *since;
}

void lockWindow(MasterConnection self)
{
    Semaphore_wait(self->sentASDUsLock);
}

void unlockWindow(MasterConnection self)
{
    Semaphore_post(self->sentASDUsLock);
}

/* Writes the collected replies in one gathered write; caller holds the window lock. */
bool flushPendingLocked(MasterConnection self)
{
    int count = self->pendingFrames;
    if (count == 0)
        return true;
    self->pendingFrames = 0;
    TransportFrame frames[CS104_GATHER_FRAMES];
    for (int i = 0; i < count; i++)
        frames[i] = {self->gatherFrames[i].msg, self->gatherFrames[i].msgSize};
    if (TransportStream_writeFrames(self->stream, frames, count))
        return true;
    self->isRunning = false;
    return false;
}

/* Writes a frame after the collected replies; caller holds the window lock
 * (it serialises stream writes). */
bool writeLocked(MasterConnection self, const uint8_t* octets, int size)
{
    return flushPendingLocked(self) && TransportStream_write(self->stream, octets, size);
}

bool writeControlFrame(MasterConnection self, const uint8_t* octets)
{
    lockWindow(self);
    bool written = writeLocked(self, octets, CS104_APCI_LENGTH);
    unlockWindow(self);
    return written;
}

void resetT3Timeout(MasterConnection self)
{
    self->nextT3Timeout = Hal_getMonotonicTimeInMs() + seconds(parameters(self)->t3);
}

/* ------------------------------------------------------------- the window */

int windowCount(MasterConnection self)
{
    if (self->oldestSentASDU == -1)
        return 0;
    return (self->newestSentASDU - self->oldestSentASDU + self->maxSentASDUs) % self->maxSentASDUs +
           1;
}

bool isSentBufferFull(MasterConnection self)
{
    return windowCount(self) == self->maxSentASDUs;
}

bool isStrict(MasterConnection self)
{
    return *self->host->strictIec;
}

bool everySentFrameAcknowledged(MasterConnection self)
{
    lockWindow(self);
    bool empty = self->oldestSentASDU == -1;
    unlockWindow(self);
    return empty;
}

/* Frees the oldest window slot, confirming its low-priority entry. Caller holds the lock. */
void releaseOldestSlot(MasterConnection self)
{
    SentASDUSlave* slot = &self->sentASDUs[self->oldestSentASDU];
    if (slot->queueIndex != -1)
        MessageQueue_markAsduAsConfirmed(self->lowPrioQueue, slot->queueIndex, slot->entryTime);
    if (self->oldestSentASDU == self->newestSentASDU)
        self->oldestSentASDU = -1;
    else
        self->oldestSentASDU = (self->oldestSentASDU + 1) % self->maxSentASDUs;
}

/*
 * Puts every low-priority entry recorded in the window back to waiting and
 * makes its slot forget the entry, so that a later confirmation of the slot
 * (the frame number stays valid) frees nothing in the queue. Caller holds
 * the window lock.
 */
void returnUnconfirmedEntriesLocked(MasterConnection self)
{
    if (self->oldestSentASDU == -1)
        return;
    int index = self->oldestSentASDU;
    for (;;) {
        SentASDUSlave* slot = &self->sentASDUs[index];
        if (slot->queueIndex != -1) {
            MessageQueue_markAsduAsWaiting(self->lowPrioQueue, slot->queueIndex, slot->entryTime);
            slot->queueIndex = -1;
            slot->entryTime = 0;
        }
        if (index == self->newestSentASDU)
            break;
        index = (index + 1) % self->maxSentASDUs;
    }
}

/*
 * Checks a received N(R) and releases the frames it confirms. The window
 * holds n frames whose confirming numbers run consecutively from the oldest
 * one's; N(R) is valid when it confirms 0..n of them.
 */
} // namespace

bool MasterConnection_checkSequenceNumber(MasterConnection self, int seqNo)
{
    lockWindow(self);
    bool valid;
    int count = windowCount(self);
    if (count == 0) {
        valid = (seqNo == self->sendCount);
    } else {
        int oldestSeqNo = self->sentASDUs[self->oldestSentASDU].seqNo;
        int confirmed =
            (seqNo - CS104_previousSequenceNumber(oldestSeqNo) + CS104_SEQUENCE_MODULUS) %
            CS104_SEQUENCE_MODULUS;
        valid = confirmed <= count;
        if (valid) {
            for (int i = 0; i < confirmed; i++)
                releaseOldestSlot(self);
            self->unconfirmedSent = windowCount(self);
        }
    }
    unlockWindow(self);
    return valid;
}

namespace
{

/*
 * Records an I frame in the window (the low-priority entry's timestamp and
 * slot; 0, -1 for replies) and numbers it: its APCI is written in place with
 * the next N(S). Caller holds the window lock, has checked for room and
 * writes the frame next; a failed write ends the connection, so a number
 * given to an unwritten frame is never seen.
 */
void recordIFrame(MasterConnection self, FrameBuffer* buffer, uint64_t timestamp, int index)
{
    int slotIndex;
    if (self->oldestSentASDU == -1) {
        slotIndex = 0;
        self->oldestSentASDU = 0;
    } else {
        slotIndex = (self->newestSentASDU + 1) % self->maxSentASDUs;
    }
    SentASDUSlave* slot = &self->sentASDUs[slotIndex];
    slot->entryTime = timestamp;
    slot->queueIndex = index;

    CS104_writeIFrameHeader(buffer->msg, buffer->msgSize, self->sendCount, self->receiveCount);
    self->sendCount = CS104_nextSequenceNumber(self->sendCount);
    // Every I frame carries N(R) and so acknowledges everything received.
    self->unconfirmedReceivedIMessages = 0;
    slot->seqNo = self->sendCount;
    slot->sentTime = Hal_getMonotonicTimeInMs();
    self->newestSentASDU = slotIndex;
    self->iFramesSent.fetch_add(1, std::memory_order_relaxed);
    self->unconfirmedSent = windowCount(self);
}

} // namespace

/*
 * Writes an I frame from buffer (its APCI written in place) and records it in
 * the window. Caller holds the window lock and has checked for room.
 */
void MasterConnection_sendIFrame(MasterConnection self, FrameBuffer* buffer, uint64_t timestamp,
                                 int index)
{
    recordIFrame(self, buffer, timestamp, index);
    if (!writeLocked(self, buffer->msg, buffer->msgSize))
        self->isRunning = false;
}

namespace
{

void sendSMessage(MasterConnection self)
{
    uint8_t frame[CS104_APCI_LENGTH];
    lockWindow(self);
    CS104_buildSFrame(frame, self->receiveCount);
    self->unconfirmedReceivedIMessages = 0;
    writeLocked(self, frame, CS104_APCI_LENGTH);
    unlockWindow(self);
}

/* --------------------------------------------------------- sending queued */

/*
 * Takes the oldest queued reply, or else the oldest waiting low-priority
 * entry, into frame and records it in the window; false when nothing waits.
 * Caller holds the window lock and has checked for room. An entry is taken
 * out of its queue under the window lock, so a deactivation (which takes
 * that lock) finds every frame either still queued or recorded in the
 * window.
 */
bool takeNextFrame(MasterConnection self, FrameBuffer* frame)
{
    if (HighPriorityASDUQueue_takeNext(self->highPrioQueue, frame)) {
        recordIFrame(self, frame, 0, -1);
        return true;
    }
    uint64_t timestamp = 0;
    int queueIndex = -1;
    if (MessageQueue_takeNextWaitingASDU(self->lowPrioQueue, self, frame, &timestamp,
                                         &queueIndex)) {
        recordIFrame(self, frame, timestamp, queueIndex);
        return true;
    }
    return false;
}

/*
 * Sends every queued ASDU the window allows, replies first, while the
 * connection is active: up to CS104_GATHER_FRAMES frames at a time are taken
 * and written together in one gathered write under the window lock.
 */
void sendWaitingASDUs(MasterConnection self)
{
    int taken;
    do {
        lockWindow(self);
        taken = self->pendingFrames; /* collected replies go first, in the same write */
        self->pendingFrames = 0;
        while (self->isActive && taken < CS104_GATHER_FRAMES && !isSentBufferFull(self) &&
               takeNextFrame(self, &self->gatherFrames[taken]))
            ++taken;
        if (taken > 0) {
            TransportFrame frames[CS104_GATHER_FRAMES];
            for (int i = 0; i < taken; i++)
                frames[i] = {self->gatherFrames[i].msg, self->gatherFrames[i].msgSize};
            if (!TransportStream_writeFrames(self->stream, frames, taken))
                self->isRunning = false;
        }
        unlockWindow(self);
    } while (taken == CS104_GATHER_FRAMES && self->isRunning);
}

/* ------------------------------------------------------------- receiving */

/* Reads up to want octets into the receive buffer: count read, 0, or -1 (closed). */
int readInto(MasterConnection self, int want)
{
    int read = TransportStream_read(self->stream, self->recvBuffer + self->recvBufPos, want);
    if (read > 0) {
        if (self->recvBufPos == 0)
            self->recvStartTime = Hal_getMonotonicTimeInMs();
        self->recvBufPos += read;
    }
    return read;
}

/*
 * Reads towards one complete frame: its size when complete (the buffer then
 * holds it from offset 0), 0 while incomplete, -1 to close (peer closed,
 * read error, wrong start octet, length octet below 4).
 *
 * Every frame is at least its APCI long, so the first read asks for the
 * whole APCI: an S or U frame (every acknowledgement) takes one read, and
 * no octet of the next frame is read.
 */
int receiveMessage(MasterConnection self)
{
    uint8_t* buffer = self->recvBuffer;
    if (self->recvBufPos < CS104_APCI_LENGTH) {
        if (readInto(self, CS104_APCI_LENGTH - self->recvBufPos) < 0)
            return -1;
        if (self->recvBufPos >= 1 && buffer[0] != CS104_START_OCTET)
            return -1;
        if (self->recvBufPos < 2)
            return 0;
        if (buffer[1] < CS104_MIN_LENGTH_OCTET)
            return -1;
    }
    int frameSize = buffer[1] + 2;
    if (self->recvBufPos < frameSize) {
        if (readInto(self, frameSize - self->recvBufPos) < 0)
            return -1;
        if (self->recvBufPos < frameSize)
            return 0;
    }
    self->recvBufPos = 0;
    return frameSize;
}

bool handleIMessage(MasterConnection self, uint8_t* buffer, int msgSize)
{
    if (msgSize <= CS104_APCI_LENGTH)
        return false;
    if (!self->firstIMessageReceived) {
        self->firstIMessageReceived = true;
        self->lastConfirmationTime = Hal_getMonotonicTimeInMs();
    }
    int sendSeqNo = CS104_decodeSequenceNumber(buffer + 2);
    int receiveSeqNo = CS104_decodeSequenceNumber(buffer + 4);
    if (sendSeqNo != self->receiveCount)
        return false;
    if (!MasterConnection_checkSequenceNumber(self, receiveSeqNo))
        return false;

    lockWindow(self);
    self->receiveCount = CS104_nextSequenceNumber(self->receiveCount);
    self->unconfirmedReceivedIMessages++;
    unlockWindow(self);
    self->iFramesReceived.fetch_add(1, std::memory_order_relaxed);

    if (self->isActive) {
        CS101_ASDU asdu =
            CS101_ASDU_createFromBuffer(self->host->appLayerParameters, buffer + CS104_APCI_LENGTH,
                                        msgSize - CS104_APCI_LENGTH);
        // Shorter than its header: counted and acknowledged, never dispatched.
        if (asdu != nullptr) {
            self->host->dispatch(self->host->object, self, asdu);
            CS101_ASDU_destroy(asdu);
        }
    }
    resetT3Timeout(self);
    return true;
}

void handleStartDT(MasterConnection self)
{
    self->stopDtPending = false;
    self->host->activate(self->host->object, self); // sets isActive
    HighPriorityASDUQueue_resetConnectionQueue(self->highPrioQueue);
    writeControlFrame(self, STARTDT_CON_MSG);
}

/* Handles one complete frame; false closes the connection. */
bool handleMessage(MasterConnection self, uint8_t* buffer, int msgSize)
{
    switch (CS104_classifyFrame(buffer[2])) {
    case CS104_FRAME_I:
        return handleIMessage(self, buffer, msgSize);
    case CS104_FRAME_TESTFR_ACT:
        writeControlFrame(self, TESTFR_CON_MSG);
        break;
    case CS104_FRAME_STARTDT_ACT:
        handleStartDT(self);
        break;
    case CS104_FRAME_STOPDT_ACT:
        MasterConnection_deactivate(self);
        // Strict: the confirmation waits until the master has acknowledged
        // every I frame sent (serveConnection writes it then).
        if (isStrict(self) && !everySentFrameAcknowledged(self))
            self->stopDtPending = true;
        else
            writeControlFrame(self, STOPDT_CON_MSG);
        self->host->stopped(self->host->object, self);
        break;
    case CS104_FRAME_TESTFR_CON:
        self->outstandingTestFRConMessages = 0;
        break;
    case CS104_FRAME_S:
        if (!MasterConnection_checkSequenceNumber(self, CS104_decodeSequenceNumber(buffer + 4)))
            return false;
        break;
    case CS104_FRAME_OTHER:
        return true; // ignored; t3 keeps running
    }
    resetT3Timeout(self);
    return true;
}

} // namespace

/* ------------------------------------------------------------------ timers */

namespace
{

/* Time left until reference + period, clamped to 0..period (+1 so the timer is due on waking). */
uint64_t leftUntil(uint64_t now, uint64_t reference, uint64_t period)
{
    uint64_t deadline = reference + period;
    if (reference > now || deadline <= now)
        return reference > now ? period + 1 : 0;
    return deadline - now + 1;
}

} // namespace

int MasterConnection_nextTimeoutMs(MasterConnection self)
{
    uint64_t now = Hal_getMonotonicTimeInMs();
    CS104_APCIParameters p = parameters(self);
    uint64_t t3 = seconds(p->t3);
    uint64_t wait = self->nextT3Timeout > now ? self->nextT3Timeout - now + 1 : 0;
    if (wait > t3 + 1)
        wait = t3 + 1; // a clock set back: handleTimeouts pulls the deadline in
    if (self->unconfirmedReceivedIMessages > 0) {
        uint64_t t2 = leftUntil(now, self->lastConfirmationTime, seconds(p->t2));
        if (t2 < wait)
            wait = t2;
    }
    uint64_t t1 = seconds(p->t1);
    // Strict: an unconfirmed test frame closes the connection after t1.
    if (isStrict(self) && self->outstandingTestFRConMessages > 0) {
        uint64_t test = leftUntil(now, self->testFrSentTime, t1);
        if (test < wait)
            wait = test;
    }
    if (self->recvBufPos > 0) {
        uint64_t partial = leftUntil(now, self->recvStartTime, t1);
        if (partial < wait)
            wait = partial;
    }
    lockWindow(self);
    if (self->oldestSentASDU != -1) {
        uint64_t oldest = leftUntil(now, self->sentASDUs[self->oldestSentASDU].sentTime, t1);
        if (oldest < wait)
            wait = oldest;
    }
    unlockWindow(self);
    return wait > (uint64_t)INT32_MAX ? INT32_MAX : (int)wait;
}

bool MasterConnection_handleTimeouts(MasterConnection self)
{
    uint64_t now = Hal_getMonotonicTimeInMs();
    CS104_APCIParameters p = parameters(self);

    // A deadline more than t3 away cannot be right: pull it in.
    if (self->nextT3Timeout > now + seconds(p->t3))
        self->nextT3Timeout = now + seconds(p->t3);
    if (now > self->nextT3Timeout) {
        if (self->outstandingTestFRConMessages > 2)
            return false;
        if (!writeControlFrame(self, TESTFR_ACT_MSG))
            self->isRunning = false;
        if (self->outstandingTestFRConMessages == 0)
            self->testFrSentTime = now;
        self->outstandingTestFRConMessages++;
        resetT3Timeout(self);
    }

    if (self->unconfirmedReceivedIMessages > 0 &&
        elapsedSince(now, &self->lastConfirmationTime) >= seconds(p->t2)) {
        self->lastConfirmationTime = now;
        sendSMessage(self);
    }

    // Strict: a test frame unconfirmed for t1 means the peer is gone.
    if (isStrict(self) && self->outstandingTestFRConMessages > 0 &&
        elapsedSince(now, &self->testFrSentTime) >= seconds(p->t1))
        return false;

    // A frame begun but not completed within t1 means the peer is broken.
    if (self->recvBufPos > 0 && elapsedSince(now, &self->recvStartTime) >= seconds(p->t1))
        return false;

    bool timedOut = false;
    lockWindow(self);
    if (self->oldestSentASDU != -1 &&
        elapsedSince(now, &self->sentASDUs[self->oldestSentASDU].sentTime) >= seconds(p->t1))
        timedOut = true;
    unlockWindow(self);
    return !timedOut;
}

namespace
{

/* ------------------------------------------------------------- the thread */

/* Puts low-priority entries sent here and not confirmed back to waiting. */
void returnUnconfirmedEntries(MasterConnection self)
{
    lockWindow(self);
    returnUnconfirmedEntriesLocked(self);
    while (self->oldestSentASDU != -1) {
        if (self->oldestSentASDU == self->newestSentASDU)
            self->oldestSentASDU = -1;
        else
            self->oldestSentASDU = (self->oldestSentASDU + 1) % self->maxSentASDUs;
    }
    self->unconfirmedSent = 0;
    unlockWindow(self);
}

} // namespace

bool MasterConnection_serveOnce(MasterConnection self)
{
    // Read once: the wake-ups waited on and the sending below agree.
    bool active = self->isActive;
    WakeUp wakeUps[2] = {self->wakeUp, self->lowPrioQueue->enqueued};
    int ready = 1;
    if (!self->readBeforeWaiting && TransportStream_pending(self->stream) <= 0)
        ready = TransportStream_waitReadable(self->stream, wakeUps, active ? 2 : 1,
                                             (unsigned int)MasterConnection_nextTimeoutMs(self));
    self->readBeforeWaiting = false;
    if (ready < 0)
        return false;
    if (ready > 0) {
        WakeUp_clear(self->wakeUp);
        int frameSize = receiveMessage(self);
        if (frameSize == -1)
            return false;
        // Frames come in bursts (an acknowledgement arrives while the frames
        // it opens the window for are sent): try the next read without
        // waiting first. Nothing there costs one empty read; the pass after
        // it waits as usual.
        self->readBeforeWaiting = frameSize > 0;
        if (frameSize > 0) {
            self->collectReplies = true;
            if (!handleMessage(self, self->recvBuffer, frameSize))
                self->isRunning = false;
            self->collectReplies = false;
            lockWindow(self);
            flushPendingLocked(self);
            unlockWindow(self);
        }
        int w = parameters(self)->w;
        if (self->isRunning && self->unconfirmedReceivedIMessages > 0 &&
            self->unconfirmedReceivedIMessages >= w) {
            self->lastConfirmationTime = Hal_getMonotonicTimeInMs();
            sendSMessage(self);
        }
    }
    if (!MasterConnection_handleTimeouts(self))
        self->isRunning = false;
    if (self->stopDtPending && self->isRunning && everySentFrameAcknowledged(self)) {
        self->stopDtPending = false;
        writeControlFrame(self, STOPDT_CON_MSG);
    }
    if (self->isRunning && self->isActive) {
        WakeUp_clear(self->lowPrioQueue->enqueued);
        sendWaitingASDUs(self);
    }
    return self->isRunning;
}

namespace
{

void* connectionHandlingThread(void* parameter)
{
    MasterConnection self = (MasterConnection)parameter;
    MasterConnectionHost host = self->host;
    MessageQueue lowPrioQueue = self->lowPrioQueue;
    HighPriorityASDUQueue highPrioQueue = self->highPrioQueue;
    bool ownsQueues = self->ownsQueues;

    resetT3Timeout(self);
    while (self->isRunning && MasterConnection_serveOnce(self)) {
    }
    self->isRunning = false;
    self->isActive = false;
    returnUnconfirmedEntries(self);

    host->unlist(host->object, self);
    MasterConnection_destroy(self);
    // Only now, with the connection out of the slave's list, may its own
    // queues go: an enqueue for all connections holds the list lock.
    if (ownsQueues) {
        MessageQueue_destroy(lowPrioQueue);
        HighPriorityASDUQueue_destroy(highPrioQueue);
    }
    // Last touch of the host: the slave's destroy waits for every thread's end.
    host->threadEnded(host->object);
    return nullptr;
}

/* ---------------------------------------------- IMasterConnection records */

MasterConnection fromInterface(IMasterConnection self)
{
    return (MasterConnection)self->object;
}

void imcSendASDU(IMasterConnection self, CS101_ASDU asdu)
{
    MasterConnection_sendASDU(fromInterface(self), asdu);
}

void imcSendACT_CON(IMasterConnection self, CS101_ASDU asdu, bool negative)
{
    CS101_ASDU_setCOT(asdu, CS101_COT_ACTIVATION_CON);
    CS101_ASDU_setNegative(asdu, negative);
    MasterConnection_sendASDU(fromInterface(self), asdu);
}

void imcSendACT_TERM(IMasterConnection self, CS101_ASDU asdu)
{
    CS101_ASDU_setCOT(asdu, CS101_COT_ACTIVATION_TERMINATION);
    CS101_ASDU_setNegative(asdu, false);
    MasterConnection_sendASDU(fromInterface(self), asdu);
}

CS101_AppLayerParameters imcGetApplicationLayerParameters(IMasterConnection self)
{
    return fromInterface(self)->host->appLayerParameters;
}

} // namespace

MasterConnection MasterConnection_create(MasterConnectionHost host, TransportStream stream,
                                         MessageQueue lowPrioQueue,
                                         HighPriorityASDUQueue highPrioQueue, bool ownsQueues)
{
    void* memory = Memory_malloc(sizeof(struct sMasterConnection));
    if (memory == nullptr)
        return nullptr;
    MasterConnection self = new (memory) sMasterConnection();
    int k = host->apciParameters->k;
    self->maxSentASDUs = k > 0 ? k : 1;
    self->sentASDUs =
        (SentASDUSlave*)Memory_calloc((size_t)self->maxSentASDUs, sizeof(SentASDUSlave));
    self->sentASDUsLock = Semaphore_create(1);
    self->wakeUp = WakeUp_create();
    if (self->sentASDUs == nullptr || self->sentASDUsLock == nullptr || self->wakeUp == nullptr) {
        Memory_free(self->sentASDUs);
        Semaphore_destroy(self->sentASDUsLock);
        WakeUp_destroy(self->wakeUp);
        self->~sMasterConnection();
        Memory_free(memory);
        return nullptr;
    }
    self->stream = stream;
    self->iMasterConnection.sendASDU = imcSendASDU;
    self->iMasterConnection.sendACT_CON = imcSendACT_CON;
    self->iMasterConnection.sendACT_TERM = imcSendACT_TERM;
    self->iMasterConnection.getApplicationLayerParameters = imcGetApplicationLayerParameters;
    self->iMasterConnection.object = self;
    self->host = host;
    self->isActive = false;
    self->isRunning = true; // before the thread starts, so an early close is not lost
    self->lastConfirmationTime = UINT64_MAX;
    self->oldestSentASDU = -1;
    self->newestSentASDU = -1;
    self->pendingFrames = 0;
    self->collectReplies = false;
    self->readBeforeWaiting = false;
    self->lowPrioQueue = lowPrioQueue;
    self->highPrioQueue = highPrioQueue;
    self->ownsQueues = ownsQueues;
    self->connectedMs = Hal_getTimeInMs();
    if (TransportStream_peerAddress(stream, self->peerAddress) == nullptr)
        self->peerAddress[0] = '\0';
    resetT3Timeout(self);
    return self;
}

void MasterConnection_getInfo(MasterConnection self, CS104_ConnectionInfo* info)
{
    std::memcpy(info->address, self->peerAddress, sizeof(info->address));
    info->active = self->isActive;
    info->connectedMs = self->connectedMs;
    info->iFramesSent = self->iFramesSent.load(std::memory_order_relaxed);
    info->iFramesReceived = self->iFramesReceived.load(std::memory_order_relaxed);
    info->unconfirmed = self->unconfirmedSent;
}

bool MasterConnection_start(MasterConnection self)
{
    Thread thread = Thread_create(connectionHandlingThread, self, true);
    if (thread == nullptr)
        return false;
    Thread_setStackSize(thread, CS104_CONNECTION_STACK_SIZE);
    // A failed start has already freed the record; the caller closes the socket.
    return Thread_start(thread);
}

void MasterConnection_close(MasterConnection self)
{
    self->isRunning = false;
    WakeUp_signal(self->wakeUp);
}

void MasterConnection_activate(MasterConnection self)
{
    self->isActive = true;
}

void MasterConnection_deactivate(MasterConnection self)
{
    lockWindow(self);
    self->isActive = false;
    returnUnconfirmedEntriesLocked(self);
    unlockWindow(self);
}

void MasterConnection_destroy(MasterConnection self)
{
    if (self == nullptr)
        return;
    TransportStream_destroy(self->stream);
    Memory_free(self->sentASDUs);
    Semaphore_destroy(self->sentASDUsLock);
    WakeUp_destroy(self->wakeUp);
    self->~sMasterConnection();
    Memory_free(self);
}

namespace
{

/* Causes of a refusal: unknown type, cause, common address, object address. */
bool isRefusalCause(CS101_CauseOfTransmission cot)
{
    return cot >= CS101_COT_UNKNOWN_TYPE_ID && cot <= CS101_COT_UNKNOWN_IOA;
}

/* A waiting frame of an interrogation answer: data with cause 20..36, or
 * the activation termination of C_IC_NA_1. */
bool isInterrogationAnswer(const FrameBuffer* entry, void*)
{
    if (entry->msgSize < CS104_APCI_LENGTH + 3)
        return false;
    const uint8_t* asdu = entry->msg + CS104_APCI_LENGTH;
    int cot = asdu[2] & 0x3f;
    if (cot >= CS101_COT_INTERROGATED_BY_STATION && cot <= CS101_COT_INTERROGATED_BY_GROUP_16)
        return true;
    return asdu[0] == C_IC_NA_1 && cot == CS101_COT_ACTIVATION_TERMINATION;
}

} // namespace

bool MasterConnection_discardInterrogationAnswer(MasterConnection self)
{
    return HighPriorityASDUQueue_removeMatching(self->highPrioQueue, isInterrogationAnswer,
                                                nullptr) > 0;
}

IMasterConnection MasterConnection_getInterface(MasterConnection self)
{
    return &self->iMasterConnection;
}

MessageQueue MasterConnection_getLowPrioQueue(MasterConnection self)
{
    return self->lowPrioQueue;
}

bool MasterConnection_sendASDU(MasterConnection self, CS101_ASDU asdu)
{
    if (!self->isActive)
        return false;
    if (isStrict(self) && isRefusalCause(CS101_ASDU_getCOT(asdu)))
        CS101_ASDU_setNegative(asdu, true);
    FrameBuffer frame;
    if (!CS104_encodeASDU(&frame, asdu))
        return false;
    bool accepted = false;
    lockWindow(self);
    if (self->isActive) {
        // Earlier replies still queued go first: a new one joins them.
        if (!isSentBufferFull(self) &&
            !HighPriorityASDUQueue_isAsduAvailable(self->highPrioQueue)) {
            if (self->collectReplies) {
                /* Numbered and recorded now, written with the others; a
                 * full window writes them at once, so the master reads and
                 * confirms them while the rest of the answer is built. */
                FrameBuffer* kept = &self->gatherFrames[self->pendingFrames++];
                *kept = frame;
                recordIFrame(self, kept, 0, -1);
                if (self->pendingFrames == CS104_GATHER_FRAMES || isSentBufferFull(self))
                    flushPendingLocked(self);
            } else {
                MasterConnection_sendIFrame(self, &frame, 0, -1);
            }
            accepted = true;
        } else {
            accepted = HighPriorityASDUQueue_enqueueFrame(self->highPrioQueue, &frame);
        }
    }
    unlockWindow(self);
    return accepted;
}
