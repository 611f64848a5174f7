// SPDX-License-Identifier: Apache-2.0
/*
 * IEC 60870-5-104 controlled station (slave): a TCP server that serves
 * controlling stations (masters), one thread per connection.
 *
 * Ownership and lifetime:
 * - CS104_Slave_create gives a slave owned by the caller, released with
 *   CS104_Slave_destroy. The slave owns its copy of the local address, its
 *   ASDU queues, its list of connections and every connection in it.
 * - CS104_Slave_start runs a listening thread; CS104_Slave_stop ends it
 *   (connections already open keep being served); CS104_Slave_destroy stops,
 *   closes every connection, waits until every connection thread has let go
 *   of the slave, and frees everything. Start, stop and destroy are called
 *   from the application's thread(s), never from a callback of the slave.
 * - The parameter records returned by the getters belong to the slave and
 *   live as long as it does.
 *
 * Threads: callbacks run on the connection threads (see iec60870_slave.h);
 * in CS104_MODE_CONNECTION_IS_REDUNDANCY_GROUP several connections may run
 * the same handler at the same time. Each engine thread has a 256 KiB stack:
 * handlers keep large buffers off the stack.
 *
 * Configuration: server mode, local address and port are read by start;
 * set them before it. The connection limit may be changed at any time.
 * Handlers are read at each use; register them before start (a handler and
 * its parameter are two plain fields). In the parameter records, k takes
 * effect for connections accepted afterwards; w, t1, t2 and t3 are read at
 * each use, so a change made before a connection opens applies to it (a
 * change while connections run is not synchronised with them).
 *
 * Nothing here prints or throws; failures are results.
 */
#ifndef CS104_SLAVE_H
#define CS104_SLAVE_H

#include "iec60870_common.h"
#include "cs104_tls.h"
#include "iec60870_slave.h"

/* Link-layer parameters of IEC 60870-5-104; times in seconds. */
typedef struct sCS104_APCIParameters* CS104_APCIParameters;

struct sCS104_APCIParameters {
    int k;  /* I frames sent and unconfirmed at most (default 12) */
    int w;  /* received I frames after which an S frame is sent (default 8) */
    int t0; /* connection establishment time-out; not used by the slave (default 10) */
    int t1; /* time-out of a sent frame's confirmation (default 15) */
    int t2; /* longest delay of an acknowledgement (default 10) */
    int t3; /* idle time before a test frame (default 20) */
};

typedef enum {
    /* All connections share one pair of queues; one connection is active at a time. */
    CS104_MODE_SINGLE_REDUNDANCY_GROUP = 0,
    /* Every connection has its own pair of queues; any number may be active. */
    CS104_MODE_CONNECTION_IS_REDUNDANCY_GROUP = 1,
    /* Each redundancy group (CS104_Slave_setRedundancyGroups) has its own pair
     * of queues; one connection per group is active at a time. */
    CS104_MODE_MULTIPLE_REDUNDANCY_GROUPS = 2
} CS104_ServerMode;

/*
 * Multiple groups: the group of a connection being accepted, 0..count-1,
 * or -1 to refuse it. ipAddress is the peer's dotted address without the
 * port. Runs on the server thread after the connection-request handler
 * agreed.
 */
typedef int (*CS104_RedundancyGroupSelector)(void* parameter, const char* ipAddress);

typedef struct sCS104_Slave* CS104_Slave;

/*
 * A new slave: port 2404, every local interface, mode 0, no connection
 * limit, default parameters, no handlers. Queue sizes of 0 or less become
 * 100 (low priority) and 10 (high priority). The low-priority ring allocates
 * its slot records (a few dozen octets each) at start and a frame buffer per
 * entry while it is held; the high-priority size is a bound on replies
 * waiting per queue, allocated only while they wait. Null when out of memory
 * or descriptors.
 */
CS104_Slave CS104_Slave_create(int maxLowPrioQueueSize, int maxHighPrioQueueSize);

/* Sets the server mode; read by the next start. */
void CS104_Slave_setServerMode(CS104_Slave self, CS104_ServerMode serverMode);

/*
 * The redundancy groups of CS104_MODE_MULTIPLE_REDUNDANCY_GROUPS: count
 * groups (1..CS104_MAX_REDUNDANCY_GROUPS), each with a low- and a
 * high-priority queue of the sizes given to CS104_Slave_create, made by the
 * first start and kept until destroy. The selector places each new
 * connection; without one every connection joins group 0. Within a group a
 * STARTDT act makes its connection the active one and deactivates the
 * group's other members, whose unconfirmed entries go back to waiting and
 * are sent first, in order, by the next active member; the members stay
 * open and answer test frames. A group without an active member keeps its
 * entries until its queue overwrites the oldest. Set before the first
 * start; false (nothing changed) for a null slave, a count out of range or
 * a slave already started.
 */
enum { CS104_MAX_REDUNDANCY_GROUPS = 64 };
bool CS104_Slave_setRedundancyGroups(CS104_Slave self, int count,
                                     CS104_RedundancyGroupSelector selector, void* parameter);

/*
 * Replaces the local address to bind with a copy of ipAddress (null: every
 * interface). Out of memory: the previous address stays.
 */
void CS104_Slave_setLocalAddress(CS104_Slave self, const char* ipAddress);

/* Sets the TCP port to listen on; read by the next start. */
void CS104_Slave_setLocalPort(CS104_Slave self, int tcpPort);

/*
 * Serves masters over TLS too (IEC 62351-3, see cs104_tls.h): with a
 * configuration, start opens a TLS listener on the TLS port, and the plain
 * listener on the local port only when that port is above 0 (set it to 0
 * for TLS only). Connections from both listeners share the connection
 * limit, the request handler, the server mode and every parameter; a TLS
 * connection speaks IEC 104 once its handshake has succeeded. Each TLS
 * connection takes the state the configuration has in place when it is
 * accepted (a reload serves the next ones). The configuration stays the
 * caller's and must outlive the slave's run (until stop or destroy). Null:
 * no TLS (the default). Read by the next start.
 */
void CS104_Slave_setTlsConfig(CS104_Slave self, CS104_TlsConfig config);

/* Sets the TLS listener's port (default 19998); read by the next start. */
void CS104_Slave_setTlsPort(CS104_Slave self, int tcpPort);

/* Sets the connection limit; 0 or less means no limit. */
void CS104_Slave_setMaxOpenConnections(CS104_Slave self, int maxOpenConnections);

/* The number of open connections (counted from accept until the connection's thread ends). */
int CS104_Slave_getOpenConnections(CS104_Slave self);

/* What a connection looks like from outside, for an operator's status. */
typedef struct {
    char address[64];         /* the peer as "ip:port" ("" when it could not be read) */
    int group;                /* multiple groups: its group 0..count-1; other modes: -1 */
    bool active;              /* STARTDT act received, not stopped nor displaced since */
    uint64_t connectedMs;     /* wall clock (ms since 1970, Hal_getTimeInMs) at accept */
    uint64_t iFramesSent;     /* I frames written to the peer since accept */
    uint64_t iFramesReceived; /* I frames accepted from the peer since accept */
    int unconfirmed;          /* I frames sent and not yet acknowledged by the peer */
} CS104_ConnectionInfo;

/*
 * Copies the infos of the open connections, in the order they were
 * accepted, into infos[0..maxInfos-1] and returns how many it wrote (at
 * most maxInfos; compare with CS104_Slave_getOpenConnections to see
 * whether the array was large enough). -1 for a null slave, a negative
 * maxInfos or null infos with maxInfos above 0. Safe from any thread
 * except a handler's (it takes the connection list lock, like
 * CS104_Slave_getOpenConnections, and no connection's window lock: the
 * counters are read as they stand, each one consistent).
 */
int CS104_Slave_getConnectionInfos(CS104_Slave self, CS104_ConnectionInfo* infos, int maxInfos);

/* Changes of the connections, for an application that shows them. */
typedef enum {
    CS104_CONNECTION_OPENED = 0,  /* accepted and listed (server thread) */
    CS104_CONNECTION_CLOSED = 1,  /* unlisted, its thread ending (connection thread) */
    CS104_CONNECTION_STARTED = 2, /* STARTDT act made it active; others of its group may have
                                     become inactive (connection thread) */
    CS104_CONNECTION_STOPPED = 3  /* STOPDT act made it inactive (connection thread) */
} CS104_ConnectionEvent;

/*
 * Called after each change above with no engine lock held, on the engine
 * thread named there; it must return quickly (it delays that connection)
 * and may call CS104_Slave_getConnectionInfos. Register it before start (a
 * handler and its parameter are two plain fields); null removes it.
 */
typedef void (*CS104_ConnectionEventHandler)(void* parameter, CS104_ConnectionEvent event);
void CS104_Slave_setConnectionEventHandler(CS104_Slave self, CS104_ConnectionEventHandler handler,
                                           void* parameter);

/*
 * Handler setters: each stores the handler and the parameter handed back to
 * it (a null handler removes it). No result; read by the connection threads
 * at each received ASDU or connection request (see iec60870_slave.h for the
 * meaning of the handlers' results). Register them before start.
 */
void CS104_Slave_setInterrogationHandler(CS104_Slave self, CS101_InterrogationHandler handler,
                                         void* parameter);
void CS104_Slave_setCounterInterrogationHandler(CS104_Slave self,
                                                CS101_CounterInterrogationHandler handler,
                                                void* parameter);
void CS104_Slave_setReadHandler(CS104_Slave self, CS101_ReadHandler handler, void* parameter);
void CS104_Slave_setClockSyncHandler(CS104_Slave self, CS101_ClockSynchronizationHandler handler,
                                     void* parameter);
void CS104_Slave_setASDUHandler(CS104_Slave self, CS101_ASDUHandler handler, void* parameter);
void CS104_Slave_setConnectionRequestHandler(CS104_Slave self,
                                             CS104_ConnectionRequestHandler handler,
                                             void* parameter);

/*
 * Strict IEC 60870-5-104 behaviour (default off: the engine's answers stay
 * exactly as they were). When on:
 * - every ASDU sent with cause 44, 45, 46 or 47 carries the negative bit
 *   (also replies sent by handlers through IMasterConnection);
 * - with a common address set (CS104_Slave_setCommonAddress), an ASDU to
 *   any other address than that one or the broadcast address is mirrored
 *   with cause 46 and reaches no handler; a broadcast reaches the handlers
 *   with the station's own address in place, so their replies carry it;
 * - a deactivation of an interrogation (C_IC_NA_1, cause 8) is answered by
 *   the engine with cause 9: positive while the answer to an earlier
 *   interrogation still waits in the connection's reply queue (the waiting
 *   rest of that answer is discarded), negative otherwise; the handler is
 *   not called;
 * - the test command with time tag (C_TS_TA_1) is mirrored with cause 7;
 * - a system command with a cause it does not take gets one reply, cause
 *   45 (without strict mode it is followed by a second one with cause 44);
 * - a test frame the slave sent and that is not confirmed within t1 closes
 *   the connection;
 * - STOPDT con is sent only once every I frame sent has been acknowledged
 *   (t1 still closes a master that never acknowledges); no I frame is sent
 *   after STOPDT act.
 * Read by the connection threads at each use; set it before start.
 */
void CS104_Slave_setStrictIec(CS104_Slave self, bool strict);

/*
 * The station's common address checked in strict mode (1..65534 with a
 * two-octet address, 1..254 with one octet); 0 or less checks nothing.
 * Set it before start.
 */
void CS104_Slave_setCommonAddress(CS104_Slave self, int commonAddress);

/* The slave's own link parameters; the caller may change them in place. */
CS104_APCIParameters CS104_Slave_getConnectionParameters(CS104_Slave self);

/* The slave's own application-layer sizes; the caller may change them before start. */
CS101_AppLayerParameters CS104_Slave_getAppLayerParameters(CS104_Slave self);

/*
 * Starts the listening thread and returns once the listening socket exists
 * or has failed; CS104_Slave_isRunning then tells which. Calling it while
 * the slave runs does nothing.
 */
void CS104_Slave_start(CS104_Slave self);

/* True while the listening thread serves. */
bool CS104_Slave_isRunning(CS104_Slave self);

/*
 * Queues a copy of the ASDU for sending (encoded during the call; the caller
 * keeps its object). Mode 0: into the shared queue, sent by the active
 * connection; before the first start there is no queue and the ASDU is
 * dropped. Mode 1: into the queue of every open connection. Multiple
 * groups: into the queue of every group. A full queue overwrites its oldest
 * entry. An ASDU too long for one frame is dropped.
 */
void CS104_Slave_enqueueASDU(CS104_Slave self, CS101_ASDU asdu);

/*
 * Cyclic data is superseded, never replayed: frees every queued ASDU with
 * cause periodic (1) or background (2) that no connection has sent yet,
 * keeping every other entry in its order (events stay). Call it before
 * queuing a new periodic report or an interrogation answer, so a master
 * that was away receives at most the newest report and never an older
 * cyclic value after a newer one. Mode 0: the shared queue; mode 1: every
 * open connection's queue; multiple groups: every group's queue. Returns the number of ASDUs freed;
 * 0 for a null slave or before the first start.
 */
int CS104_Slave_dropWaitingCyclicASDUs(CS104_Slave self);

/*
 * Queues a copy of the ASDU for the connection's own redundancy group only:
 * the shared queue in mode 0, the connection's queue in mode 1, its group's
 * queue with multiple groups. For a handler's data that belongs to the
 * master that asked (an interrogation answer sent as queued data). Call it
 * from a handler of that connection (the connection lives while it runs).
 */
void CS104_Slave_enqueueASDUForConnection(CS104_Slave self, IMasterConnection connection,
                                          CS101_ASDU asdu);

/* Totals since the slave was created; both wrap modulo 2^32 (compare differences). */
typedef struct {
    uint32_t asdus;              /* queued ASDUs overwritten before the master confirmed them */
    uint32_t spontaneousObjects; /* information objects with cause 3 in those ASDUs */
} CS104_QueueLosses;

/*
 * What full low-priority queues have lost: every CS104_Slave_enqueueASDU
 * that had to overwrite an entry still waiting, or sent and not yet
 * confirmed, adds that entry here (mode 1: per connection queue). Lets the
 * application say how many events were lost. Safe from any thread; zeros
 * for a null slave.
 */
CS104_QueueLosses CS104_Slave_getQueueLosses(CS104_Slave self);

/*
 * Multiple groups: the losses of one group's queue (included in the slave's
 * totals). Zeros for a null slave, another mode or a group out of range.
 */
CS104_QueueLosses CS104_Slave_getGroupQueueLosses(CS104_Slave self, int group);

/* Ends the listening thread; open connections continue. Harmless when not running. */
void CS104_Slave_stop(CS104_Slave self);

/* Stops, closes every connection, waits for their threads, frees everything. Null is ignored. */
void CS104_Slave_destroy(CS104_Slave self);

#endif
