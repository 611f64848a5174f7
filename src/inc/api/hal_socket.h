// SPDX-License-Identifier: Apache-2.0
/*
 * TCP sockets and handle sets of the platform layer (POSIX, IPv4).
 *
 * Objects and ownership:
 * - ServerSocket: a bound, non-blocking IPv4 listening socket.
 * - Socket: a connected TCP socket (accepted, or opened by Socket_connect).
 * - HandleSet: a set of sockets to wait on until one is readable. It refers
 *   to the sockets' descriptors only and owns none of them.
 * Each ServerSocket and Socket owns its descriptor: its destroy function
 * shuts the descriptor down, closes it, waits 10 ms and frees the record.
 * A destroyed object must not be used again. All records come from the
 * Memory_ functions.
 *
 * Failures are reported by results alone (null, false, -1); nothing here
 * prints, throws or raises SIGPIPE. Nothing here takes a lock: a Socket is
 * read and written by one thread at a time, but Socket_destroy may run on
 * another thread while a read or write is under way (the descriptor is
 * marked closed first, so later calls give -1 without a system call).
 *
 * Handle sets hold any descriptor number (no 1024 limit of a select set):
 * the wait uses poll(). Every descriptor is opened close-on-exec.
 */
#ifndef HAL_SOCKET_H
#define HAL_SOCKET_H

#include <cstdint>

typedef struct sHandleSet* HandleSet;
typedef struct sServerSocket* ServerSocket;
typedef struct sSocket* Socket;

/* ------------------------------------------------------------ handle sets */

/* A new empty set (maxHandle -1), or null when out of memory. */
HandleSet Handleset_new(void);

/* Empties the set (maxHandle -1). Null is ignored. */
void Handleset_reset(HandleSet self);

/*
 * Adds the socket's descriptor (once; adding it again changes nothing).
 * Does nothing for a null set, a null socket, a socket without a descriptor,
 * or when memory for a larger set runs out.
 */
void Handleset_addSocket(HandleSet self, const Socket sock);

/* As Handleset_addSocket for a listening socket (readable: a connection waits). */
void Handleset_addServerSocket(HandleSet self, const ServerSocket sock);

/* As Handleset_addSocket for a plain descriptor (a WakeUp's); -1 is ignored. */
void Handleset_addDescriptor(HandleSet self, int fd);

/*
 * Waits until a descriptor of the set is readable (data, end of stream or an
 * error pending) or timeoutMs milliseconds pass; 0 polls without waiting.
 * Gives the number of ready descriptors, 0 when the time-out expired, or -1
 * at once for a null or empty set, and -1 on error (a signal included, or a
 * descriptor of the set that is no longer open). The set is left as it was;
 * callers may still reset and refill it before every wait.
 */
int Handleset_waitReady(HandleSet self, unsigned int timeoutMs);

/* Frees the set (not the sockets). Null is ignored. */
void Handleset_destroy(HandleSet self);

/* ---------------------------------------------------------- server socket */

/*
 * A new IPv4 TCP socket bound to address:port with SO_REUSEADDR, in
 * non-blocking mode, not yet listening. address is a dotted IPv4 address or
 * an IPv4 host name; null binds every local interface (as "0.0.0.0").
 * port is taken modulo 65536. Gives null, with no descriptor left open, when
 * the address does not resolve, the port is in use, or memory runs out.
 */
ServerSocket TcpServerSocket_create(const char* address, int port);

/* Stores the listen queue length for a later ServerSocket_listen (default 0). */
void ServerSocket_setBacklog(ServerSocket self, int backlog);

/* Starts listening with the stored queue length. True on success. */
bool ServerSocket_listen(ServerSocket self);

/*
 * Takes one pending connection without waiting. Gives a new Socket (blocking
 * descriptor, TCP_NODELAY on) owned by the caller, or null when none is
 * pending, on error, or when memory runs out (the connection is then closed).
 */
Socket ServerSocket_accept(ServerSocket self);

/*
 * Shuts down and closes the descriptor, waits 10 ms, frees. Null is ignored.
 * Socket_destroy on a ServerSocket (cast) works the same way: both records
 * begin with the descriptor.
 */
void ServerSocket_destroy(ServerSocket self);

/* ------------------------------------------------------- connected sockets */

/* A new socket without a descriptor (connect time-out 5000 ms), or null when out of memory. */
Socket TcpSocket_create(void);

/* Sets the time-out of Socket_connect in milliseconds. Null is ignored. */
void Socket_setConnectTimeout(Socket self, uint32_t timeoutInMs);

/* Default of Socket_setSendTimeout. */
#define SOCKET_DEFAULT_SEND_TIMEOUT_MS 10000

/*
 * Sets how long Socket_write waits, in milliseconds, for room in a full send
 * buffer before it fails; 0 waits without limit. The time counts from the
 * last progress, so a slow reader is served and only a peer that stops
 * reading makes the write fail. Null is ignored. May be called from any thread.
 */
void Socket_setSendTimeout(Socket self, uint32_t timeoutInMs);

/*
 * Opens a TCP connection to address:port (IPv4), waiting at most the connect
 * time-out. True when connected; the descriptor then stays non-blocking.
 * False when the address does not resolve, the peer refuses, the time-out
 * expires, or the socket already has a descriptor; no descriptor is left
 * open after a failure.
 */
bool Socket_connect(Socket self, const char* address, int port);

/*
 * Reads what is available without waiting, at most size bytes.
 * Gives the number of bytes read (> 0), 0 when nothing is there yet (or
 * size is 0), -1 when the peer closed the connection, on any other error,
 * or when the socket has no descriptor.
 */
int Socket_read(Socket self, uint8_t* buf, int size);

/*
 * Sends all size bytes: short writes and interruptions are retried until
 * every byte is handed to the system, so a frame is never left half-sent.
 * May block until the data fit into the send buffer. Gives size on success,
 * -1 on failure (broken or reset connection, no descriptor, size < 0); no
 * SIGPIPE is raised. After a failure part of the data may have been sent;
 * the connection is then unusable.
 */
int Socket_write(Socket self, const uint8_t* buf, int size);

/* One run of octets of a gathered write. */
struct SocketBuffer {
    const uint8_t* octets;
    int size;
};

/* The most buffers Socket_writeSome hands to one system call. */
#define SOCKET_MAX_GATHER 64

/*
 * One gathered send of count buffers in order (at most SOCKET_MAX_GATHER
 * are looked at): one system call for all of them, retried after an
 * interruption; a full send buffer is waited out up to the send time-out.
 * Gives the number of octets the system took (> 0; fewer than offered is a
 * short write, and the caller sends the rest), 0 when there was nothing to
 * send, -1 on failure as Socket_write. No SIGPIPE is raised.
 */
int Socket_writeSome(Socket self, const SocketBuffer* buffers, int count);

/*
 * The peer address as newly allocated text "a.b.c.d:port" (IPv6:
 * "[addr]:port"), released by the caller with Memory_free; null when the
 * socket is not connected or memory runs out.
 */
char* Socket_getPeerAddress(Socket self);

/*
 * The same text written into the caller's buffer, which holds at least
 * 60 bytes; gives that buffer, or null (buffer contents then undefined).
 */
char* Socket_getPeerAddressStatic(Socket self, char* peerAddressString);

/* Shuts down and closes the descriptor, waits 10 ms, frees. Null is ignored. */
void Socket_destroy(Socket self);

#endif
