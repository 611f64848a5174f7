// SPDX-License-Identifier: Apache-2.0
/*
 * Master connection: one connection from a controlling station, its link
 * procedure (framing, sequence numbers, the window k, w, the timers t1, t2,
 * t3, STARTDT/STOPDT/TESTFR) and the sending of queued ASDUs. It runs over a
 * TransportStream and sees of the slave that accepted it only its host
 * record below; it never reads the slave's own record.
 *
 * Threads and ownership:
 * - Each connection runs on its own self-destroying thread
 *   (MasterConnection_start), which repeats MasterConnection_serveOnce: it
 *   reads, handles frames, runs the timers and sends queued ASDUs. As its
 *   last acts it unlists itself (host->unlist), destroys itself and the
 *   queues it owns, and reports its end (host->threadEnded), after which it
 *   touches nothing of the host.
 * - sentASDUsLock guards the window of unconfirmed I frames, the sequence
 *   counters and the count of unconfirmed received frames, and serialises
 *   every write to the stream. Other threads take it to send a reply
 *   (MasterConnection_sendASDU, through IMasterConnection) and to deactivate
 *   the connection.
 * Lock order: the host's connection list lock, then sentASDUsLock, then a
 * queue lock.
 */
#ifndef CS104_MASTER_CONNECTION_H
#define CS104_MASTER_CONNECTION_H

#include "cs104_apci.h"
#include "cs104_queues.h"
#include "cs104_slave.h"
#include "cs104_transport_stream.h"
#include "hal_thread.h"
#include "hal_wakeup.h"
#include "iec60870_slave.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

typedef struct sMasterConnection* MasterConnection;

/*
 * Stack reserved by each connection thread. The system default (8 MiB of
 * address space per thread) would let a 32-bit controller run out of address
 * space after a few hundred masters. A connection thread runs the protocol
 * machine and every application handler; its deepest use, measured over
 * whole-image interrogation answers, periodic reports, commands and clock
 * synchronisations (resident pages of the stack mapping), is 8 to 12 KiB
 * including the thread's own record and TLS at the top. 256 KiB leaves a
 * margin of about 20 times for handlers, printf and the sanitizer builds'
 * larger frames.
 */
constexpr size_t CS104_CONNECTION_STACK_SIZE = 256 * 1024;

/*
 * What a connection sees of its host (the slave). The record belongs to the
 * host and outlives every connection thread (the host waits for threadEnded
 * of each before it frees it). The parameters are read at each use.
 */
struct sMasterConnectionHost {
    void* object; /* first argument of every function below */
    CS104_APCIParameters apciParameters;
    CS101_AppLayerParameters appLayerParameters;
    const std::atomic<bool>* strictIec; /* the strict profile (CS104_Slave_setStrictIec) */
    /* STARTDT act: make connection the active one (MasterConnection_activate). */
    void (*activate)(void* object, MasterConnection connection);
    /* A received ASDU on an active connection (connection thread). */
    void (*dispatch)(void* object, MasterConnection connection, CS101_ASDU asdu);
    /* The thread's last use of the host's list: unlist and uncount it. */
    void (*unlist)(void* object, MasterConnection connection);
    /* The thread's very last touch of the host. */
    void (*threadEnded)(void* object);
    /* STOPDT act: the connection stopped sending (connection thread, no lock held). */
    void (*stopped)(void* object, MasterConnection connection);
};
typedef const struct sMasterConnectionHost* MasterConnectionHost;

/* One slot of the window of sent, unconfirmed I frames. */
struct SentASDUSlave {
    uint64_t entryTime; /* low-priority entry's timestamp; 0 for other frames */
    int queueIndex;     /* low-priority slot; -1 for replies */
    uint64_t sentTime;  /* when written; reference of t1 */
    int seqNo;          /* N(S) + 1 mod 32768: the N(R) that confirms it */
};

/* The most queued frames sent in one gathered write (the default window k is 12). */
#define CS104_GATHER_FRAMES 16

/* The record is visible for the engine's unit tests; other units use the functions. */
struct sMasterConnection {
    TransportStream stream;
    struct sIMasterConnection iMasterConnection;
    MasterConnectionHost host;
    std::atomic<bool> isActive;
    std::atomic<bool> isRunning;

    /* Guarded by sentASDUsLock (written only under it). */
    int sendCount;
    int receiveCount;
    std::atomic<int> unconfirmedReceivedIMessages; /* read by its thread without the lock */
    int maxSentASDUs;
    int oldestSentASDU;
    int newestSentASDU;
    SentASDUSlave* sentASDUs;
    Semaphore sentASDUsLock;

    /* Connection thread only. */
    uint64_t lastConfirmationTime;
    uint64_t nextT3Timeout;
    int outstandingTestFRConMessages;
    uint64_t testFrSentTime; /* when the oldest unconfirmed TESTFR act went out */
    bool stopDtPending;      /* strict: STOPDT con waits for every I frame to be acknowledged */
    bool firstIMessageReceived;
    uint8_t recvBuffer[CS104_RECEIVE_BUFFER_SIZE];
    int recvBufPos;         /* octets of a partial frame held in recvBuffer */
    uint64_t recvStartTime; /* when its first octet arrived */
    bool readBeforeWaiting; /* the last pass read a frame: the next one reads before it waits */

    /* Guarded by sentASDUsLock: the frames of one gathered write; the first
     * pendingFrames of them are replies already numbered and recorded in the
     * window, written before any other frame. */
    FrameBuffer gatherFrames[CS104_GATHER_FRAMES];
    int pendingFrames;
    /* Set by the connection's thread while it handles a received frame:
     * replies sent meanwhile are collected and written together when the
     * handling ends (or when CS104_GATHER_FRAMES are collected). */
    std::atomic<bool> collectReplies;

    MessageQueue lowPrioQueue;
    HighPriorityASDUQueue highPrioQueue;
    bool ownsQueues; /* mode 1: the connection's thread destroys its queues */
    WakeUp wakeUp;   /* signalled by MasterConnection_close */

    /* What MasterConnection_getInfo reports. Counters are 64 bits so they
     * do not wrap on a long-running 32-bit target; each is written by one
     * thread at a time and read by any without a lock. */
    std::atomic<uint64_t> iFramesSent;     /* written under sentASDUsLock */
    std::atomic<uint64_t> iFramesReceived; /* connection thread */
    std::atomic<int> unconfirmedSent;      /* window count, written under sentASDUsLock */
    uint64_t connectedMs;                  /* wall clock at create; fixed */
    char peerAddress[64];                  /* "ip:port" at create ("" if unknown); fixed */
};

/*
 * A new connection over stream with the given queues, its thread not yet
 * started (so that the host can list it first), t3 running from now. Null
 * when out of memory; the stream then still belongs to the caller.
 */
MasterConnection MasterConnection_create(MasterConnectionHost host, TransportStream stream,
                                         MessageQueue lowPrioQueue,
                                         HighPriorityASDUQueue highPrioQueue, bool ownsQueues);

/* Starts the connection's thread; false if it could not be created (nothing runs then). */
bool MasterConnection_start(MasterConnection self);

/*
 * One pass of the connection's thread: waits for the stream, a close or a
 * queued ASDU (while active) at most until the next timer is due, reads and
 * handles at most one frame, runs the timers and sends what the window
 * allows. False when the connection is to be closed. Exposed so that tests
 * drive the machine pass by pass over a fake stream and clock.
 */
bool MasterConnection_serveOnce(MasterConnection self);

/* Asks the connection's thread to close the connection and wakes it; it ends within one pass. */
void MasterConnection_close(MasterConnection self);

/* Makes the connection active (the host calls it from its activate). */
void MasterConnection_activate(MasterConnection self);

/* Ends data transfer on the connection (another connection was activated). */
void MasterConnection_deactivate(MasterConnection self);

/* Closes the stream and frees the window, its lock and the record; the queues stay. */
void MasterConnection_destroy(MasterConnection self);

/* The connection as the application's handlers see it. */
IMasterConnection MasterConnection_getInterface(MasterConnection self);

/*
 * Fills info (all but the group) from the connection's counters without
 * taking its window lock, so a master that stopped reading cannot hold the
 * caller. The connection must stay listed meanwhile (caller holds the host's
 * list lock).
 */
void MasterConnection_getInfo(MasterConnection self, CS104_ConnectionInfo* info);

/* The low-priority queue it serves (mode 1: its own). */
MessageQueue MasterConnection_getLowPrioQueue(MasterConnection self);

/*
 * Checks a received N(R) and releases the window slots it confirms (takes
 * the window lock). False when it lies outside the window: the caller closes.
 * Valid are sendCount for an empty window, else the numbers that confirm
 * 0..n of the n unconfirmed frames, modulo 32768.
 */
bool MasterConnection_checkSequenceNumber(MasterConnection self, int seqNo);

/*
 * Writes an I frame from buffer (APCI filled in place) and records it in the
 * window with the low-priority entry's timestamp and slot (0, -1 for
 * replies). Caller holds sentASDUsLock and has checked that the window has
 * room. A failed write clears isRunning.
 */
void MasterConnection_sendIFrame(MasterConnection self, FrameBuffer* buffer, uint64_t timestamp,
                                 int index);

/*
 * Milliseconds until the next of the timers t3, t2 and t1 is due (connection
 * thread): each at most its own period, at least 0.
 */
int MasterConnection_nextTimeoutMs(MasterConnection self);

/*
 * One pass of the timers t3, t2 and t1 (connection thread). May write a
 * TESTFR act or an S frame; false when the connection is to be closed (t1
 * expired, or t3 expired with three test frames open).
 */
bool MasterConnection_handleTimeouts(MasterConnection self);

/*
 * Sends a reply now when active and the window has room, else puts it into
 * the high-priority queue. False when dropped (not active, queue full, too long).
 */
bool MasterConnection_sendASDU(MasterConnection self, CS101_ASDU asdu);

/*
 * Strict mode: discards the waiting rest of an interrogation answer from the
 * connection's reply queue (data with cause 20..36 and the C_IC_NA_1
 * activation termination); true when such a rest was waiting, i.e. an
 * answer was still in progress.
 */
bool MasterConnection_discardInterrogationAnswer(MasterConnection self);

#endif
