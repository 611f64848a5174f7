// SPDX-License-Identifier: Apache-2.0
/*
 * The IEC 60870-5-104 slave: configuration, the listening thread that
 * accepts controlling stations, the list of open connections and the
 * application's entry for spontaneous and periodic data.
 *
 * Design choices:
 * - Queue sizes of 0 or less become 100 (low priority) and 10 (high
 *   priority) in both server modes.
 * - Mode 0: the shared queue pair is created by the first start and kept
 *   until destroy, so connections still open after a stop and a new start
 *   go on using the same queues as the new ones.
 * - The listening socket takes a queue of 10 pending connections, so that
 *   masters connecting at the same moment are not held up by SYN retries.
 * - The server thread waits on the listening socket and on the slave's stop
 *   wake-up, nothing else: it does not poll. (Should its handle set not be
 *   allocated, it falls back to 10 ms waits.)
 * - A connection is listed and counted before its thread starts, and each
 *   connection thread is counted in connectionThreads until its very last
 *   touch of the slave; destroy closes every connection and waits for that
 *   count to reach 0 before it frees anything.
 * - Start while running, stop while stopped and destroy of a slave never
 *   started are harmless; a start after a failed start reclaims the old
 *   listening thread first.
 * - When the request handler is set and the peer address cannot be read
 *   (the peer is already gone), the connection is refused.
 * - Activation sets the connection active and, in mode 0 and with multiple
 *   groups, deactivates the others that share its queue in one step under
 *   the list lock: two STARTDT act arriving at once on two members of a
 *   group leave exactly one of them active.
 * - Multiple groups: the group records (queue pair and loss totals) are
 *   made by the first start and kept until destroy, like mode 0's pair; the
 *   array does not change after that, so an enqueue walks it without the
 *   list lock. A connection knows only its group's queues; the slave finds
 *   the group of a queue by comparing pointers.
 * - Each accepted socket becomes a transport stream: a plain TCP stream
 *   (TcpStream_create) from the plain listener, a TLS stream
 *   (TlsStream_create, with the state the TLS configuration has in place at
 *   that moment) from the TLS listener. The connection knows only the
 *   stream, and the slave only through its host record (connectionHost), so
 *   the protocol machine is the same on both. The connection limit, the
 *   request handler, the server mode and the group choice (by the peer's
 *   address, known before the handshake) apply to both listeners alike.
 * - With a TLS configuration, the TLS listener runs on tlsPort and the plain
 *   one only when the local port is above 0; without it, the plain listener
 *   alone on the local port. When either cannot listen, the start fails.
 *
 * Threads and locks: see cs104_slave_internal.h.
 */
#include "cs104_slave_internal.h"

#include "cs104_master_connection.h"
#include "cs104_slave_dispatch.h"
#include "cs104_tls_stream.h"
#include "hal_socket.h"
#include "hal_wakeup.h"
#include "lib_memory.h"
#include "linked_list.h"

#include <atomic>
#include <cstring>
#include <new>

/* One redundancy group of CS104_MODE_MULTIPLE_REDUNDANCY_GROUPS. */
struct sRedundancyGroup {
    MessageQueue lowPrioQueue;
    HighPriorityASDUQueue highPrioQueue;
    std::atomic<uint32_t> lostASDUs;
    std::atomic<uint32_t> lostSpontaneousObjects;
};

struct sCS104_Slave {
    /* Read by the connection threads' dispatch; set before start. */
    struct sSlaveHandlers handlers;
    CS104_ConnectionRequestHandler connectionRequestHandler;
    void* connectionRequestHandlerParameter;
    CS104_ConnectionEventHandler connectionEventHandler;
    void* connectionEventHandlerParameter;

    MessageQueue asduQueue;                    /* mode 0: shared low-priority queue */
    HighPriorityASDUQueue connectionAsduQueue; /* mode 0: shared high-priority queue */
    int maxLowPrioQueueSize;
    int maxHighPrioQueueSize;
    /* Totals of CS104_Slave_getQueueLosses; wrap modulo 2^32. */
    std::atomic<uint32_t> lostASDUs;
    std::atomic<uint32_t> lostSpontaneousObjects;

    /* Multiple groups: set before start; the records exist from the first start. */
    int groupCount;
    CS104_RedundancyGroupSelector groupSelector;
    void* groupSelectorParameter;
    sRedundancyGroup* groups;

    std::atomic<int> openConnections; /* written under openConnectionsLock */
    LinkedList masterConnections;
    Semaphore openConnectionsLock;
    std::atomic<int> maxOpenConnections; /* may be changed while the server runs */

    /* Connection threads that may still touch the slave; destroy waits for 0. */
    std::atomic<int> connectionThreads;

    struct sCS104_APCIParameters conParameters;
    struct sCS101_AppLayerParameters alParameters;
    /* What every connection sees of the slave (points into this record). */
    struct sMasterConnectionHost connectionHost;

    std::atomic<bool> strictIec;    /* CS104_Slave_setStrictIec */
    std::atomic<int> commonAddress; /* checked in strict mode when above 0 */

    std::atomic<bool> isStarting;
    std::atomic<bool> isRunning;
    std::atomic<bool> stopRunning;
    WakeUp stopWakeUp; /* signalled by stop; the server thread waits on it */
    int tcpPort;
    int tlsPort;               /* the TLS listener's port, with tlsConfig */
    CS104_TlsConfig tlsConfig; /* not owned; null: no TLS listener */
    CS104_ServerMode serverMode;
    char* localAddress;
    Thread listeningThread;
};

namespace
{

const struct sCS104_APCIParameters defaultConnectionParameters = {12, 8, 10, 15, 10, 20};

const struct sCS101_AppLayerParameters defaultAppLayerParameters = {1, 1, 2, 0, 2, 3};

const int DEFAULT_LOW_PRIO_QUEUE_SIZE = 100;
const int DEFAULT_HIGH_PRIO_QUEUE_SIZE = 10;
const int LISTEN_BACKLOG = 10;
const int ACCEPT_POLL_MS = 10;
const int PEER_ADDRESS_SIZE = 60;
const int DEFAULT_TLS_PORT = 19998;

/* The listeners of one run: [PLAIN] and [TLS], either may be null. */
enum { PLAIN = 0, TLS = 1, LISTENERS = 2 };

int lowPrioQueueSize(CS104_Slave self)
{
    return self->maxLowPrioQueueSize > 0 ? self->maxLowPrioQueueSize : DEFAULT_LOW_PRIO_QUEUE_SIZE;
}

int highPrioQueueSize(CS104_Slave self)
{
    return self->maxHighPrioQueueSize > 0 ? self->maxHighPrioQueueSize
                                          : DEFAULT_HIGH_PRIO_QUEUE_SIZE;
}

void lockConnections(CS104_Slave self)
{
    Semaphore_wait(self->openConnectionsLock);
}

void unlockConnections(CS104_Slave self)
{
    Semaphore_post(self->openConnectionsLock);
}

bool hasGroups(CS104_Slave self)
{
    return self->serverMode == CS104_MODE_MULTIPLE_REDUNDANCY_GROUPS;
}

/* Tells the application of a change; called with no engine lock held. */
void notifyConnectionEvent(CS104_Slave self, CS104_ConnectionEvent event)
{
    if (self->connectionEventHandler != nullptr)
        self->connectionEventHandler(self->connectionEventHandlerParameter, event);
}

/*
 * The connection limit, the request handler and, with multiple groups, the
 * group selector decide; *group receives the connection's group (0 in the
 * other modes). False refuses the connection.
 */
bool acceptConnection(CS104_Slave self, TransportStream connection, int* group)
{
    *group = 0;
    if (self->maxOpenConnections > 0 && self->openConnections >= self->maxOpenConnections)
        return false;
    bool select = hasGroups(self) && self->groupSelector != nullptr;
    if (self->connectionRequestHandler == nullptr && !select)
        return true;
    char peer[PEER_ADDRESS_SIZE];
    if (TransportStream_peerAddress(connection, peer) == nullptr)
        return false;
    char* colon = std::strchr(peer, ':');
    if (colon != nullptr)
        *colon = '\0';
    if (self->connectionRequestHandler != nullptr &&
        !self->connectionRequestHandler(self->connectionRequestHandlerParameter, peer))
        return false;
    if (select) {
        *group = self->groupSelector(self->groupSelectorParameter, peer);
        return *group >= 0 && *group < self->groupCount;
    }
    return true;
}

/* Lists and counts a connection; false when the list has no memory left. */
bool listConnection(CS104_Slave self, MasterConnection connection)
{
    lockConnections(self);
    LinkedList last = LinkedList_getLastElement(self->masterConnections);
    bool listed = LinkedList_insertAfter(last, connection) != nullptr;
    if (listed)
        self->openConnections++;
    unlockConnections(self);
    return listed;
}

void unlistConnection(CS104_Slave self, MasterConnection connection)
{
    lockConnections(self);
    if (LinkedList_remove(self->masterConnections, connection))
        self->openConnections--;
    unlockConnections(self);
}

/* Creates, lists and starts a connection over an accepted stream (or closes it). */
void serveNewConnection(CS104_Slave self, TransportStream stream, int group)
{
    MessageQueue lowPrioQueue = self->asduQueue;
    HighPriorityASDUQueue highPrioQueue = self->connectionAsduQueue;
    if (hasGroups(self)) {
        lowPrioQueue = self->groups[group].lowPrioQueue;
        highPrioQueue = self->groups[group].highPrioQueue;
    }
    bool ownsQueues = (self->serverMode == CS104_MODE_CONNECTION_IS_REDUNDANCY_GROUP);
    if (ownsQueues) {
        lowPrioQueue = MessageQueue_create(lowPrioQueueSize(self));
        highPrioQueue = HighPriorityASDUQueue_create(highPrioQueueSize(self));
    }
    MasterConnection connection = nullptr;
    if (lowPrioQueue != nullptr && highPrioQueue != nullptr)
        connection = MasterConnection_create(&self->connectionHost, stream, lowPrioQueue,
                                             highPrioQueue, ownsQueues);
    bool listed = connection != nullptr && listConnection(self, connection);
    if (listed) {
        self->connectionThreads++;
        /* Before the thread starts, so OPENED always comes before its CLOSED. */
        notifyConnectionEvent(self, CS104_CONNECTION_OPENED);
        if (MasterConnection_start(connection))
            return;
        self->connectionThreads--;
        unlistConnection(self, connection);
    }
    if (connection != nullptr)
        MasterConnection_destroy(connection); // closes the stream
    else
        TransportStream_destroy(stream);
    if (ownsQueues) {
        MessageQueue_destroy(lowPrioQueue);
        HighPriorityASDUQueue_destroy(highPrioQueue);
    }
}

/* Waits until a connection is pending on a listener or stop is asked for. */
void waitForConnectionOrStop(CS104_Slave self, ServerSocket listeners[LISTENERS],
                             HandleSet handleSet)
{
    if (handleSet == nullptr) {
        Thread_sleep(ACCEPT_POLL_MS);
        return;
    }
    Handleset_reset(handleSet);
    for (int i = 0; i < LISTENERS; i++)
        if (listeners[i] != nullptr)
            Handleset_addServerSocket(handleSet, listeners[i]);
    WakeUp_addTo(self->stopWakeUp, handleSet);
    Handleset_waitReady(handleSet, (unsigned int)INT32_MAX);
    WakeUp_clear(self->stopWakeUp);
}

/* A listening socket on address:port, or null. */
ServerSocket openListener(const char* address, int port)
{
    ServerSocket serverSocket = TcpServerSocket_create(address, port);
    if (serverSocket == nullptr)
        return nullptr;
    ServerSocket_setBacklog(serverSocket, LISTEN_BACKLOG);
    if (!ServerSocket_listen(serverSocket)) {
        ServerSocket_destroy(serverSocket);
        return nullptr;
    }
    return serverSocket;
}

/* Opens the listeners of this start; false (none left open) when one fails. */
bool openListeners(CS104_Slave self, ServerSocket listeners[LISTENERS])
{
    const char* address = self->localAddress != nullptr ? self->localAddress : "0.0.0.0";
    listeners[PLAIN] = nullptr;
    listeners[TLS] = nullptr;
    bool tls = self->tlsConfig != nullptr;
    if (!tls || self->tcpPort > 0) {
        listeners[PLAIN] = openListener(address, self->tcpPort);
        if (listeners[PLAIN] == nullptr)
            return false;
    }
    if (tls) {
        listeners[TLS] = openListener(address, self->tlsPort);
        if (listeners[TLS] == nullptr) {
            ServerSocket_destroy(listeners[PLAIN]);
            listeners[PLAIN] = nullptr;
            return false;
        }
    }
    return true;
}

/* Makes the accepted socket a stream of its listener's kind and serves it (or closes it). */
void serveAccepted(CS104_Slave self, Socket connection, bool overTls)
{
    TransportStream stream =
        overTls ? TlsStream_create(connection, self->tlsConfig) : TcpStream_create(connection);
    int group = 0;
    if (stream == nullptr)
        Socket_destroy(connection);
    else if (acceptConnection(self, stream, &group))
        serveNewConnection(self, stream, group);
    else
        TransportStream_destroy(stream);
}

void* serverThread(void* parameter)
{
    CS104_Slave self = (CS104_Slave)parameter;
    ServerSocket listeners[LISTENERS];
    if (!openListeners(self, listeners)) {
        self->isStarting = false;
        return nullptr;
    }
    self->isRunning = true;
    self->isStarting = false;

    HandleSet handleSet = Handleset_new();
    while (!self->stopRunning) {
        bool accepted = false;
        for (int i = 0; i < LISTENERS && !self->stopRunning; i++) {
            if (listeners[i] == nullptr)
                continue;
            Socket connection = ServerSocket_accept(listeners[i]);
            if (connection != nullptr) {
                accepted = true;
                serveAccepted(self, connection, i == TLS);
            }
        }
        if (!accepted)
            waitForConnectionOrStop(self, listeners, handleSet);
    }
    Handleset_destroy(handleSet);
    for (int i = 0; i < LISTENERS; i++)
        ServerSocket_destroy(listeners[i]);
    self->isRunning = false;
    self->stopRunning = false;
    return nullptr;
}

bool createSharedQueues(CS104_Slave self)
{
    if (self->asduQueue == nullptr)
        self->asduQueue = MessageQueue_create(lowPrioQueueSize(self));
    if (self->connectionAsduQueue == nullptr)
        self->connectionAsduQueue = HighPriorityASDUQueue_create(highPrioQueueSize(self));
    return self->asduQueue != nullptr && self->connectionAsduQueue != nullptr;
}

/* Multiple groups: the group records with their queues, once; false when out of memory. */
bool createGroups(CS104_Slave self)
{
    if (self->groups != nullptr)
        return true;
    int count = self->groupCount;
    void* memory = Memory_calloc((size_t)count, sizeof(sRedundancyGroup));
    if (memory == nullptr)
        return false;
    sRedundancyGroup* groups = static_cast<sRedundancyGroup*>(memory);
    bool complete = true;
    for (int i = 0; i < count; i++) {
        new (&groups[i]) sRedundancyGroup();
        groups[i].lowPrioQueue = MessageQueue_create(lowPrioQueueSize(self));
        groups[i].highPrioQueue = HighPriorityASDUQueue_create(highPrioQueueSize(self));
        complete =
            complete && groups[i].lowPrioQueue != nullptr && groups[i].highPrioQueue != nullptr;
    }
    if (complete) {
        self->groups = groups;
        return true;
    }
    for (int i = 0; i < count; i++) {
        MessageQueue_destroy(groups[i].lowPrioQueue);
        HighPriorityASDUQueue_destroy(groups[i].highPrioQueue);
        groups[i].~sRedundancyGroup();
    }
    Memory_free(memory);
    return false;
}

void destroyGroups(CS104_Slave self)
{
    if (self->groups == nullptr)
        return;
    for (int i = 0; i < self->groupCount; i++) {
        MessageQueue_releaseAllQueuedASDUs(self->groups[i].lowPrioQueue);
        MessageQueue_destroy(self->groups[i].lowPrioQueue);
        HighPriorityASDUQueue_destroy(self->groups[i].highPrioQueue);
        self->groups[i].~sRedundancyGroup();
    }
    Memory_free(self->groups);
    self->groups = nullptr;
}

/* The group whose low-priority queue this is; null in other modes or for another queue. */
sRedundancyGroup* groupOfQueue(CS104_Slave self, MessageQueue queue)
{
    if (!hasGroups(self) || self->groups == nullptr)
        return nullptr;
    for (int i = 0; i < self->groupCount; i++)
        if (self->groups[i].lowPrioQueue == queue)
            return &self->groups[i];
    return nullptr;
}

/* ------------------------------------------------ the connections' host */

CS104_Slave slaveOf(void* object)
{
    return static_cast<CS104_Slave>(object);
}

/*
 * Sets the connection active; in mode 0 and with multiple groups under the
 * list lock, deactivating every other connection of its group (those that
 * share its low-priority queue: in mode 0 all of them).
 */
void hostActivate(void* object, MasterConnection connectionToActivate)
{
    CS104_Slave self = slaveOf(object);
    if (self->serverMode == CS104_MODE_CONNECTION_IS_REDUNDANCY_GROUP) {
        MasterConnection_activate(connectionToActivate);
        notifyConnectionEvent(self, CS104_CONNECTION_STARTED);
        return;
    }
    MessageQueue groupQueue = MasterConnection_getLowPrioQueue(connectionToActivate);
    // Under the list lock, so that two STARTDT at once leave one active.
    lockConnections(self);
    MasterConnection_activate(connectionToActivate);
    for (LinkedList element = LinkedList_getNext(self->masterConnections); element != nullptr;
         element = LinkedList_getNext(element)) {
        MasterConnection connection = (MasterConnection)LinkedList_getData(element);
        if (connection != connectionToActivate &&
            MasterConnection_getLowPrioQueue(connection) == groupQueue)
            MasterConnection_deactivate(connection);
    }
    unlockConnections(self);
    notifyConnectionEvent(self, CS104_CONNECTION_STARTED);
}

bool discardInterrogationAnswer(void* connection)
{
    return MasterConnection_discardInterrogationAnswer(static_cast<MasterConnection>(connection));
}

void hostDispatch(void* object, MasterConnection connection, CS101_ASDU asdu)
{
    CS104_Slave self = slaveOf(object);
    SlaveDispatchProfile profile = {self->strictIec, self->commonAddress};
    SlaveDispatchPeer peer = {MasterConnection_getInterface(connection), discardInterrogationAnswer,
                              connection};
    SlaveDispatch_handleASDU(&self->handlers, profile, &peer, asdu);
}

void hostUnlist(void* object, MasterConnection connection)
{
    unlistConnection(slaveOf(object), connection);
    notifyConnectionEvent(slaveOf(object), CS104_CONNECTION_CLOSED);
}

void hostStopped(void* object, MasterConnection)
{
    notifyConnectionEvent(slaveOf(object), CS104_CONNECTION_STOPPED);
}

void hostThreadEnded(void* object)
{
    slaveOf(object)->connectionThreads--;
}

} // namespace

CS104_Slave CS104_Slave_create(int maxLowPrioQueueSize, int maxHighPrioQueueSize)
{
    void* memory = Memory_malloc(sizeof(struct sCS104_Slave));
    if (memory == nullptr)
        return nullptr;
    CS104_Slave self = new (memory) sCS104_Slave();
    self->masterConnections = LinkedList_create();
    self->openConnectionsLock = Semaphore_create(1);
    self->stopWakeUp = WakeUp_create();
    if (self->masterConnections == nullptr || self->openConnectionsLock == nullptr ||
        self->stopWakeUp == nullptr) {
        LinkedList_destroyStatic(self->masterConnections);
        Semaphore_destroy(self->openConnectionsLock);
        WakeUp_destroy(self->stopWakeUp);
        self->~sCS104_Slave();
        Memory_free(memory);
        return nullptr;
    }
    self->maxLowPrioQueueSize = maxLowPrioQueueSize;
    self->maxHighPrioQueueSize = maxHighPrioQueueSize;
    self->conParameters = defaultConnectionParameters;
    self->alParameters = defaultAppLayerParameters;
    self->connectionHost = {
        self,         &self->conParameters, &self->alParameters, &self->strictIec, hostActivate,
        hostDispatch, hostUnlist,           hostThreadEnded,     hostStopped};
    self->tcpPort = 2404;
    self->tlsPort = DEFAULT_TLS_PORT;
    self->serverMode = CS104_MODE_SINGLE_REDUNDANCY_GROUP;
    self->groupCount = 1;
    return self;
}

void CS104_Slave_setServerMode(CS104_Slave self, CS104_ServerMode serverMode)
{
    self->serverMode = serverMode;
}

bool CS104_Slave_setRedundancyGroups(CS104_Slave self, int count,
                                     CS104_RedundancyGroupSelector selector, void* parameter)
{
    if (self == nullptr || count < 1 || count > CS104_MAX_REDUNDANCY_GROUPS ||
        self->groups != nullptr || self->isRunning)
        return false;
    self->groupCount = count;
    self->groupSelector = selector;
    self->groupSelectorParameter = parameter;
    return true;
}

void CS104_Slave_setLocalAddress(CS104_Slave self, const char* ipAddress)
{
    char* copy = nullptr;
    if (ipAddress != nullptr) {
        size_t length = std::strlen(ipAddress) + 1;
        copy = (char*)Memory_malloc(length);
        if (copy == nullptr)
            return; // keep the previous address rather than lose it
        std::memcpy(copy, ipAddress, length);
    }
    Memory_free(self->localAddress);
    self->localAddress = copy;
}

void CS104_Slave_setLocalPort(CS104_Slave self, int tcpPort)
{
    self->tcpPort = tcpPort;
}

void CS104_Slave_setTlsConfig(CS104_Slave self, CS104_TlsConfig config)
{
    if (self != nullptr)
        self->tlsConfig = config;
}

void CS104_Slave_setTlsPort(CS104_Slave self, int tcpPort)
{
    if (self != nullptr)
        self->tlsPort = tcpPort;
}

void CS104_Slave_setStrictIec(CS104_Slave self, bool strict)
{
    if (self != nullptr)
        self->strictIec = strict;
}

void CS104_Slave_setCommonAddress(CS104_Slave self, int commonAddress)
{
    if (self != nullptr)
        self->commonAddress = commonAddress;
}

void CS104_Slave_setMaxOpenConnections(CS104_Slave self, int maxOpenConnections)
{
    self->maxOpenConnections = maxOpenConnections;
}

int CS104_Slave_getOpenConnections(CS104_Slave self)
{
    lockConnections(self);
    int count = self->openConnections;
    unlockConnections(self);
    return count;
}

int CS104_Slave_getConnectionInfos(CS104_Slave self, CS104_ConnectionInfo* infos, int maxInfos)
{
    if (self == nullptr || maxInfos < 0 || (infos == nullptr && maxInfos > 0))
        return -1;
    int count = 0;
    lockConnections(self);
    for (LinkedList element = LinkedList_getNext(self->masterConnections);
         element != nullptr && count < maxInfos; element = LinkedList_getNext(element)) {
        MasterConnection connection = (MasterConnection)LinkedList_getData(element);
        CS104_ConnectionInfo* info = &infos[count++];
        MasterConnection_getInfo(connection, info);
        info->group = -1;
        if (hasGroups(self) && self->groups != nullptr)
            for (int i = 0; i < self->groupCount; i++)
                if (self->groups[i].lowPrioQueue == MasterConnection_getLowPrioQueue(connection))
                    info->group = i;
    }
    unlockConnections(self);
    return count;
}

void CS104_Slave_setConnectionEventHandler(CS104_Slave self, CS104_ConnectionEventHandler handler,
                                           void* parameter)
{
    self->connectionEventHandler = handler;
    self->connectionEventHandlerParameter = parameter;
}

void CS104_Slave_setInterrogationHandler(CS104_Slave self, CS101_InterrogationHandler handler,
                                         void* parameter)
{
    self->handlers.interrogationHandler = handler;
    self->handlers.interrogationHandlerParameter = parameter;
}

void CS104_Slave_setCounterInterrogationHandler(CS104_Slave self,
                                                CS101_CounterInterrogationHandler handler,
                                                void* parameter)
{
    self->handlers.counterInterrogationHandler = handler;
    self->handlers.counterInterrogationHandlerParameter = parameter;
}

void CS104_Slave_setReadHandler(CS104_Slave self, CS101_ReadHandler handler, void* parameter)
{
    self->handlers.readHandler = handler;
    self->handlers.readHandlerParameter = parameter;
}

void CS104_Slave_setClockSyncHandler(CS104_Slave self, CS101_ClockSynchronizationHandler handler,
                                     void* parameter)
{
    self->handlers.clockSyncHandler = handler;
    self->handlers.clockSyncHandlerParameter = parameter;
}

void CS104_Slave_setASDUHandler(CS104_Slave self, CS101_ASDUHandler handler, void* parameter)
{
    self->handlers.asduHandler = handler;
    self->handlers.asduHandlerParameter = parameter;
}

void CS104_Slave_setConnectionRequestHandler(CS104_Slave self,
                                             CS104_ConnectionRequestHandler handler,
                                             void* parameter)
{
    self->connectionRequestHandler = handler;
    self->connectionRequestHandlerParameter = parameter;
}

CS104_APCIParameters CS104_Slave_getConnectionParameters(CS104_Slave self)
{
    return &self->conParameters;
}

CS101_AppLayerParameters CS104_Slave_getAppLayerParameters(CS104_Slave self)
{
    return &self->alParameters;
}

void CS104_Slave_start(CS104_Slave self)
{
    if (self->isRunning)
        return;
    if (self->listeningThread != nullptr) {
        Thread_destroy(self->listeningThread);
        self->listeningThread = nullptr;
    }
    if (self->serverMode == CS104_MODE_SINGLE_REDUNDANCY_GROUP && !createSharedQueues(self))
        return;
    if (hasGroups(self) && !createGroups(self))
        return;
    self->isStarting = true;
    self->isRunning = false;
    self->stopRunning = false;
    self->listeningThread = Thread_create(serverThread, self, false);
    if (self->listeningThread == nullptr) {
        self->isStarting = false;
        return;
    }
    Thread_setStackSize(self->listeningThread, CS104_SERVER_STACK_SIZE);
    if (!Thread_start(self->listeningThread)) {
        // No thread will clear isStarting: the start failed, nothing listens.
        Thread_destroy(self->listeningThread);
        self->listeningThread = nullptr;
        self->isStarting = false;
        return;
    }
    while (self->isStarting)
        Thread_sleep(1);
}

bool CS104_Slave_isRunning(CS104_Slave self)
{
    return self->isRunning;
}

/*
 * Enqueues encoded ASDU octets and adds what the enqueue overwrote to the
 * slave's losses and, when the queue is a group's, to that group's.
 */
static void enqueueCountingLoss(CS104_Slave self, MessageQueue queue, const FrameBuffer* encoded,
                                sRedundancyGroup* group = nullptr)
{
    MessageQueueLoss loss;
    MessageQueue_enqueueOctetsCountingLoss(queue, encoded->msg + CS104_APCI_LENGTH,
                                           encoded->msgSize - CS104_APCI_LENGTH, &loss);
    if (loss.entries > 0) {
        self->lostASDUs.fetch_add(static_cast<uint32_t>(loss.entries));
        self->lostSpontaneousObjects.fetch_add(static_cast<uint32_t>(loss.spontaneousObjects));
        if (group != nullptr) {
            group->lostASDUs.fetch_add(static_cast<uint32_t>(loss.entries));
            group->lostSpontaneousObjects.fetch_add(static_cast<uint32_t>(loss.spontaneousObjects));
        }
    }
}

void CS104_Slave_enqueueASDU(CS104_Slave self, CS101_ASDU asdu)
{
    // Encode once, then copy into the shared queue or every connection's queue.
    FrameBuffer encoded;
    if (!CS104_encodeASDU(&encoded, asdu))
        return;
    if (self->serverMode == CS104_MODE_SINGLE_REDUNDANCY_GROUP) {
        if (self->asduQueue != nullptr)
            enqueueCountingLoss(self, self->asduQueue, &encoded);
        return;
    }
    if (hasGroups(self)) {
        // The group array is fixed from the first start on: no list lock.
        if (self->groups != nullptr)
            for (int i = 0; i < self->groupCount; i++)
                enqueueCountingLoss(self, self->groups[i].lowPrioQueue, &encoded, &self->groups[i]);
        return;
    }
    lockConnections(self);
    for (LinkedList element = LinkedList_getNext(self->masterConnections); element != nullptr;
         element = LinkedList_getNext(element)) {
        MasterConnection connection = (MasterConnection)LinkedList_getData(element);
        enqueueCountingLoss(self, MasterConnection_getLowPrioQueue(connection), &encoded);
    }
    unlockConnections(self);
}

int CS104_Slave_dropWaitingCyclicASDUs(CS104_Slave self)
{
    if (self == nullptr)
        return 0;
    if (self->serverMode == CS104_MODE_SINGLE_REDUNDANCY_GROUP)
        return self->asduQueue != nullptr ? MessageQueue_dropWaitingCyclic(self->asduQueue) : 0;
    int dropped = 0;
    if (hasGroups(self)) {
        // The group array is fixed from the first start on: no list lock.
        if (self->groups != nullptr)
            for (int i = 0; i < self->groupCount; i++)
                dropped += MessageQueue_dropWaitingCyclic(self->groups[i].lowPrioQueue);
        return dropped;
    }
    lockConnections(self);
    for (LinkedList element = LinkedList_getNext(self->masterConnections); element != nullptr;
         element = LinkedList_getNext(element)) {
        MasterConnection connection = (MasterConnection)LinkedList_getData(element);
        dropped += MessageQueue_dropWaitingCyclic(MasterConnection_getLowPrioQueue(connection));
    }
    unlockConnections(self);
    return dropped;
}

void CS104_Slave_enqueueASDUForConnection(CS104_Slave self, IMasterConnection connection,
                                          CS101_ASDU asdu)
{
    if (self == nullptr || connection == nullptr)
        return;
    FrameBuffer encoded;
    if (!CS104_encodeASDU(&encoded, asdu))
        return;
    MessageQueue queue =
        MasterConnection_getLowPrioQueue(static_cast<MasterConnection>(connection->object));
    enqueueCountingLoss(self, queue, &encoded, groupOfQueue(self, queue));
}

CS104_QueueLosses CS104_Slave_getGroupQueueLosses(CS104_Slave self, int group)
{
    CS104_QueueLosses losses = {0, 0};
    if (self == nullptr || !hasGroups(self) || self->groups == nullptr || group < 0 ||
        group >= self->groupCount)
        return losses;
    losses.asdus = self->groups[group].lostASDUs.load();
    losses.spontaneousObjects = self->groups[group].lostSpontaneousObjects.load();
    return losses;
}

CS104_QueueLosses CS104_Slave_getQueueLosses(CS104_Slave self)
{
    CS104_QueueLosses losses = {0, 0};
    if (self == nullptr)
        return losses;
    losses.asdus = self->lostASDUs.load();
    losses.spontaneousObjects = self->lostSpontaneousObjects.load();
    return losses;
}

void CS104_Slave_stop(CS104_Slave self)
{
    if (self->isRunning) {
        self->stopRunning = true;
        WakeUp_signal(self->stopWakeUp);
        while (self->isRunning)
            Thread_sleep(1);
    }
    if (self->listeningThread != nullptr) {
        Thread_destroy(self->listeningThread);
        self->listeningThread = nullptr;
    }
}

void CS104_Slave_destroy(CS104_Slave self)
{
    if (self == nullptr)
        return;
    CS104_Slave_stop(self);

    lockConnections(self);
    for (LinkedList element = LinkedList_getNext(self->masterConnections); element != nullptr;
         element = LinkedList_getNext(element))
        MasterConnection_close((MasterConnection)LinkedList_getData(element));
    unlockConnections(self);
    while (self->connectionThreads > 0)
        Thread_sleep(10);

    if (self->asduQueue != nullptr)
        MessageQueue_releaseAllQueuedASDUs(self->asduQueue);
    MessageQueue_destroy(self->asduQueue);
    HighPriorityASDUQueue_destroy(self->connectionAsduQueue);
    destroyGroups(self);
    Memory_free(self->localAddress);
    LinkedList_destroyStatic(self->masterConnections);
    Semaphore_destroy(self->openConnectionsLock);
    WakeUp_destroy(self->stopWakeUp);
    self->~sCS104_Slave();
    Memory_free(self);
}
