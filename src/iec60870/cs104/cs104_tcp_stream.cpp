// SPDX-License-Identifier: Apache-2.0
/*
 * The plain TCP transport of a master connection: the platform layer's
 * socket functions behind the stream methods. Its handle set is made on the
 * first wait, in the connection's thread; should that fail, the stream
 * cannot wait and the connection closes.
 */
#include "cs104_transport_stream.h"

#include "lib_memory.h"

namespace
{

struct TcpStream {
    struct sTransportStream base; /* first: the handle points here */
    Socket socket;
    HandleSet handleSet;
};

TcpStream* tcp(TransportStream self)
{
    return reinterpret_cast<TcpStream*>(self);
}

int tcpRead(TransportStream self, uint8_t* buffer, int size)
{
    return Socket_read(tcp(self)->socket, buffer, size);
}

bool tcpWrite(TransportStream self, const uint8_t* octets, int size)
{
    return Socket_write(tcp(self)->socket, octets, size) == size;
}

int tcpWriteSome(void* socket, const TransportFrame* buffers, int count)
{
    return Socket_writeSome(static_cast<Socket>(socket), buffers, count);
}

/* Every frame in as few sendmsg calls as the socket's buffer takes; with
 * TCP_NODELAY (set on every accepted socket) they leave at once. */
bool tcpWriteFrames(TransportStream self, const TransportFrame* frames, int count)
{
    return TransportFrames_writeAll(frames, count, SOCKET_MAX_GATHER, tcpWriteSome,
                                    tcp(self)->socket);
}

int tcpPending(TransportStream)
{
    return 0; // the kernel's buffer is seen by the wait
}

int tcpWaitReadable(TransportStream self, const WakeUp* wakeUps, int count, unsigned int timeoutMs)
{
    TcpStream* stream = tcp(self);
    if (stream->handleSet == nullptr)
        stream->handleSet = Handleset_new();
    if (stream->handleSet == nullptr)
        return -1;
    Handleset_reset(stream->handleSet);
    Handleset_addSocket(stream->handleSet, stream->socket);
    for (int i = 0; i < count; i++)
        WakeUp_addTo(wakeUps[i], stream->handleSet);
    return Handleset_waitReady(stream->handleSet, timeoutMs) > 0 ? 1 : 0;
}

char* tcpPeerAddress(TransportStream self, char* text)
{
    return Socket_getPeerAddressStatic(tcp(self)->socket, text);
}

void tcpDestroy(TransportStream self)
{
    TcpStream* stream = tcp(self);
    Socket_destroy(stream->socket);
    Handleset_destroy(stream->handleSet);
    Memory_free(stream);
}

const struct sTransportStreamMethods tcpMethods = {
    tcpRead, tcpWrite, tcpPending, tcpWaitReadable, tcpPeerAddress, tcpDestroy, tcpWriteFrames,
};

} // namespace

TransportStream TcpStream_create(Socket socket)
{
    TcpStream* stream = static_cast<TcpStream*>(Memory_malloc(sizeof(TcpStream)));
    if (stream == nullptr)
        return nullptr;
    stream->base.methods = &tcpMethods;
    stream->socket = socket;
    stream->handleSet = nullptr;
    return &stream->base;
}
