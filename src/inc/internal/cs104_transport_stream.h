// SPDX-License-Identifier: Apache-2.0
/*
 * The byte stream a master connection runs over. The connection's protocol
 * machine reads, writes and waits only through this interface; each kind of
 * transport (plain TCP today) is one implementation of its methods.
 *
 * Threads: every method except destroy is called by the connection's own
 * thread only; writes are serialised by the connection's window lock, which
 * other threads may hold while they send a reply.
 *
 * Fitting a transport that keeps its own buffer or runs a handshake (TLS):
 * - read never blocks. It returns 0 ("would block") whenever no application
 *   octets are ready, also while handshake records are being exchanged in
 *   the connection's thread.
 * - pending reports octets already decoded and buffered inside the stream,
 *   which the socket no longer shows as readable; the connection then reads
 *   without waiting.
 * - write takes a whole frame and writes all of it or fails.
 * - writeFrames (optional, null when absent) takes several whole frames and
 *   writes all of them in order, in as few system calls as the transport
 *   allows, or fails. A stream without it gets one write per frame.
 *   TransportFrames_writeAll does the resuming after short writes for an
 *   implementation that can hand several buffers to one call.
 */
#ifndef CS104_TRANSPORT_STREAM_H
#define CS104_TRANSPORT_STREAM_H

#include "hal_socket.h"
#include "hal_wakeup.h"

#include <cstdint>

typedef struct sTransportStream* TransportStream;

/* One whole frame of a gathered write. */
typedef SocketBuffer TransportFrame;

struct sTransportStreamMethods {
    /* Up to size octets without blocking: the count, 0 when none are ready, -1 when closed. */
    int (*read)(TransportStream self, uint8_t* buffer, int size);
    /* Writes one whole frame; false when it could not be written completely. */
    bool (*write)(TransportStream self, const uint8_t* octets, int size);
    /* Octets the stream holds ready for read although its socket may not be readable. */
    int (*pending)(TransportStream self);
    /*
     * Waits until the stream is readable, one of count wake-ups is signalled
     * or timeoutMs pass: above 0 when something is ready, 0 on time-out (or a
     * failed wait, which the caller treats alike), -1 when the stream cannot
     * wait at all (the connection then closes).
     */
    int (*waitReadable)(TransportStream self, const WakeUp* wakeUps, int count,
                        unsigned int timeoutMs);
    /* The peer as "address:port" into text (60 octets), or null when unknown. */
    char* (*peerAddress)(TransportStream self, char* text);
    /* Closes the stream and frees it. */
    void (*destroy)(TransportStream self);
    /* Optional: writes count whole frames in order; false when they could not all be written. */
    bool (*writeFrames)(TransportStream self, const TransportFrame* frames, int count);
};

/* Every implementation's record begins with this member. */
struct sTransportStream {
    const struct sTransportStreamMethods* methods;
};

inline int TransportStream_read(TransportStream self, uint8_t* buffer, int size)
{
    return self->methods->read(self, buffer, size);
}

inline bool TransportStream_write(TransportStream self, const uint8_t* octets, int size)
{
    return self->methods->write(self, octets, size);
}

inline int TransportStream_pending(TransportStream self)
{
    return self->methods->pending(self);
}

inline int TransportStream_waitReadable(TransportStream self, const WakeUp* wakeUps, int count,
                                        unsigned int timeoutMs)
{
    return self->methods->waitReadable(self, wakeUps, count, timeoutMs);
}

inline char* TransportStream_peerAddress(TransportStream self, char* text)
{
    return self->methods->peerAddress(self, text);
}

/*
 * Writes count frames in order: through writeFrames when the stream has it,
 * otherwise one write per frame. False when not every frame was written.
 */
bool TransportStream_writeFrames(TransportStream self, const TransportFrame* frames, int count);

/*
 * Writes every octet of count frames through writeSome, which sends a prefix
 * of the buffers it is given (at most maxBuffers of them) and gives the
 * octets taken (> 0; a short write ends anywhere, even inside a frame), or
 * -1 on failure. After a short write the rest is offered again from the
 * first octet not taken. True when all were written; false after a failure
 * or when writeSome takes nothing.
 */
bool TransportFrames_writeAll(const TransportFrame* frames, int count, int maxBuffers,
                              int (*writeSome)(void* context, const TransportFrame* buffers,
                                               int count),
                              void* context);

/* Closes and frees the stream. Null is ignored. */
inline void TransportStream_destroy(TransportStream self)
{
    if (self != nullptr)
        self->methods->destroy(self);
}

/*
 * A plain TCP stream over an accepted socket, which it then owns. Null when
 * out of memory; the socket then still belongs to the caller.
 */
TransportStream TcpStream_create(Socket socket);

#endif
