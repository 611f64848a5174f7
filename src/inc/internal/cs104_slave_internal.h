/*
 * Internals of the IEC 60870-5-104 slave engine: the slave record, the
 * master connection (one accepted TCP connection and its protocol machine)
 * and the functions the engine's units call on each other.
 *
 * Threads and ownership:
 * - The slave (cs104_slave.cpp) owns its list of connections, guarded by
 *   openConnectionsLock, and in mode 0 the shared queue pair.
 * - Each connection (cs104_master_connection.cpp) runs on its own
 *   self-destroying thread, which reads, handles frames, runs the timers and
 *   sends queued ASDUs; as its last acts it unlists and destroys the
 *   connection, destroys the queues it owns (mode 1) and decrements the
 *   slave's connectionThreads, after which it touches nothing of the slave.
 * - sentASDUsLock guards the window of unconfirmed I frames, the sequence
 *   counters and the count of unconfirmed received frames, and serialises
 *   every write to the connection's socket.
 * Lock order: openConnectionsLock, then sentASDUsLock, then a queue lock.
 */
#ifndef CS104_SLAVE_INTERNAL_H
#define CS104_SLAVE_INTERNAL_H

#include "cs104_apci.h"
#include "cs104_queues.h"
#include "cs104_slave.h"
#include "hal_socket.h"
#include "hal_thread.h"
#include "hal_wakeup.h"
#include "iec60870_slave.h"
#include "linked_list.h"

#include <atomic>
#include <cstdint>

typedef struct sMasterConnection* MasterConnection;

/*
 * Stack reserved by each engine thread. The system default (8 MiB of
 * address space per thread) let a 32-bit controller run out of address
 * space after a few hundred masters. A connection thread runs the protocol
 * machine and every application handler; its deepest use, measured over
 * whole-image interrogation answers, periodic reports, commands and clock
 * synchronisations (resident pages of the stack mapping), is 8 to 12 KiB
 * including the thread's own record and TLS at the top. 256 KiB leaves a
 * margin of about 20 times for handlers, printf and the sanitizer builds'
 * larger frames. The server thread accepts and runs the connection-request
 * handler and gets the same budget.
 */
constexpr size_t CS104_CONNECTION_STACK_SIZE = 256 * 1024;
constexpr size_t CS104_SERVER_STACK_SIZE = 256 * 1024;

struct sCS104_Slave {
    CS101_InterrogationHandler interrogationHandler;
    void* interrogationHandlerParameter;
    CS101_CounterInterrogationHandler counterInterrogationHandler;
    void* counterInterrogationHandlerParameter;
    CS101_ReadHandler readHandler;
    void* readHandlerParameter;
    CS101_ClockSynchronizationHandler clockSyncHandler;
    void* clockSyncHandlerParameter;
    CS101_ResetProcessHandler resetProcessHandler;
    void* resetProcessHandlerParameter;
    CS101_DelayAcquisitionHandler delayAcquisitionHandler;
    void* delayAcquisitionHandlerParameter;
    CS101_ASDUHandler asduHandler;
    void* asduHandlerParameter;
    CS104_ConnectionRequestHandler connectionRequestHandler;
    void* connectionRequestHandlerParameter;

    MessageQueue asduQueue;                    /* mode 0: shared low-priority queue */
    HighPriorityASDUQueue connectionAsduQueue; /* mode 0: shared high-priority queue */
    int maxLowPrioQueueSize;
    int maxHighPrioQueueSize;
    /* Totals of CS104_Slave_getQueueLosses; wrap modulo 2^32. */
    std::atomic<uint32_t> lostASDUs;
    std::atomic<uint32_t> lostSpontaneousObjects;

    std::atomic<int> openConnections; /* written under openConnectionsLock */
    LinkedList masterConnections;
    Semaphore openConnectionsLock;
    std::atomic<int> maxOpenConnections; /* may be changed while the server runs */

    /* Connection threads that may still touch the slave; destroy waits for 0. */
    std::atomic<int> connectionThreads;

    struct sCS104_APCIParameters conParameters;
    struct sCS101_AppLayerParameters alParameters;

    std::atomic<bool> strictIec;    /* CS104_Slave_setStrictIec */
    std::atomic<int> commonAddress; /* checked in strict mode when above 0 */

    std::atomic<bool> isStarting;
    std::atomic<bool> isRunning;
    std::atomic<bool> stopRunning;
    WakeUp stopWakeUp; /* signalled by stop; the server thread waits on it */
    int tcpPort;
    CS104_ServerMode serverMode;
    char* localAddress;
    Thread listeningThread;
};

/* One slot of the window of sent, unconfirmed I frames. */
struct SentASDUSlave {
    uint64_t entryTime; /* low-priority entry's timestamp; 0 for other frames */
    int queueIndex;     /* low-priority slot; -1 for replies */
    uint64_t sentTime;  /* when written; reference of t1 */
    int seqNo;          /* N(S) + 1 mod 32768: the N(R) that confirms it */
};

struct sMasterConnection {
    Socket socket;
    struct sIMasterConnection iMasterConnection;
    CS104_Slave slave;
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

    MessageQueue lowPrioQueue;
    HighPriorityASDUQueue highPrioQueue;
    bool ownsQueues; /* mode 1: the connection's thread destroys its queues */
    WakeUp wakeUp;   /* signalled by MasterConnection_close */
};

/*
 * A new connection over socket with the given queues, its thread created but
 * not started (so that the server thread can list it first). Null when out
 * of memory; the socket then still belongs to the caller.
 */
MasterConnection MasterConnection_create(CS104_Slave slave, Socket socket,
                                         MessageQueue lowPrioQueue,
                                         HighPriorityASDUQueue highPrioQueue, bool ownsQueues);

/* Starts the connection's thread; false if it could not be created (nothing runs then). */
bool MasterConnection_start(MasterConnection self);

/* Asks the connection's thread to close the connection and wakes it; it ends within one pass. */
void MasterConnection_close(MasterConnection self);

/* Ends data transfer on the connection (another connection was activated). */
void MasterConnection_deactivate(MasterConnection self);

/* Closes the socket and frees the window, its lock and the record; the queues stay. */
void MasterConnection_destroy(MasterConnection self);

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
 * thread; exposed for tests): each at most its own period, at least 0.
 */
int MasterConnection_nextTimeoutMs(MasterConnection self);

/*
 * One pass of the timers t3, t2 and t1 (connection thread; exposed for
 * tests). May write a TESTFR act or an S frame; false when the connection
 * is to be closed (t1 expired, or t3 expired with three test frames open).
 */
bool MasterConnection_handleTimeouts(MasterConnection self);

/*
 * Sends a reply now when active and the window has room, else puts it into
 * the high-priority queue. False when dropped (not active, queue full, too long).
 */
bool sendASDUInternal(MasterConnection self, CS101_ASDU asdu);

/*
 * Strict mode: discards the waiting rest of an interrogation answer from the
 * connection's reply queue (data with cause 20..36 and the C_IC_NA_1
 * activation termination); true when such a rest was waiting, i.e. an
 * answer was still in progress.
 */
bool MasterConnection_discardInterrogationAnswer(MasterConnection self);

/* Dispatches a received ASDU on an active connection to the handlers (connection thread). */
void handleASDU(MasterConnection self, CS101_ASDU asdu);

/* Sets the connection active; in mode 0 under the list lock, deactivating every other one. */
void CS104_Slave_activate(CS104_Slave self, MasterConnection connectionToActivate);

/* Unlists and uncounts the connection (its thread's last use of the list). */
void CS104_Slave_removeConnection(CS104_Slave self, MasterConnection connection);

#endif
