/*
 * A scripted peer and clock for fuzzing one connection. The socket's reads
 * come from the fuzz input, its writes are checked and dropped, and the
 * clock moves only when the script says so; every wait is ready at once.
 *
 * Script: a control octet, then up to (control & 0x3F) octets that the peer
 * sends. The top two bits first move the clock by 0 ms, 7 ms, 1.1 s or 25 s,
 * so the t1/t2/t3 timers run out as the input decides. A control octet with
 * a length of 0 is a pass with nothing to read; the end of the input is the
 * peer closing the connection.
 */
#include "fake_hal.h"

#include "hal_socket.h"
#include "hal_wakeup.h"
#include "hal_time.h"
#include "lib_memory.h"

#include <atomic>
#include <new>
#include <cstdlib>
#include <cstring>

struct sSocket {
    const uint8_t* script;
    size_t size;
    size_t position;
    size_t chunkLeft; /* octets of the current chunk not read yet */
};

struct sHandleSet {
    int unused;
};

namespace
{

const uint64_t START_TIME_MS = 1700000000000ULL;
const uint64_t CLOCK_STEPS_MS[4] = {0, 7, 1100, 25000};

std::atomic<uint64_t> clockMs{START_TIME_MS};

/* The engine never writes a part of a frame or a malformed one. */
void checkFrame(const uint8_t* buf, int size)
{
    if (size < 6 || buf[0] != 0x68 || buf[1] + 2 != size)
        std::abort();
}

} // namespace

Socket FakeSocket_create(const uint8_t* script, size_t size)
{
    auto self = static_cast<Socket>(Memory_malloc(sizeof(struct sSocket)));
    if (self != nullptr)
        *self = sSocket{script, size, 0, 0};
    return self;
}

void FakeClock_reset()
{
    clockMs = START_TIME_MS;
}

uint64_t Hal_getTimeInMs()
{
    return clockMs.load();
}

/* The link timers' clock: the same fake time, so the script drives t1-t3. */
uint64_t Hal_getMonotonicTimeInMs()
{
    return clockMs.load();
}

/* Wake-ups only count: the fake handle set is always ready anyway. */
struct sWakeUp {
    std::atomic<int> signals{0};
};

WakeUp WakeUp_create()
{
    return new (std::nothrow) sWakeUp();
}

void WakeUp_signal(WakeUp self)
{
    if (self != nullptr)
        self->signals++;
}

void WakeUp_clear(WakeUp self)
{
    if (self != nullptr)
        self->signals = 0;
}

void WakeUp_addTo(WakeUp, HandleSet) {}

void WakeUp_destroy(WakeUp self)
{
    delete self;
}

HandleSet Handleset_new()
{
    return static_cast<HandleSet>(Memory_malloc(sizeof(struct sHandleSet)));
}

void Handleset_reset(HandleSet) {}

void Handleset_addSocket(HandleSet, const Socket) {}

void Handleset_addServerSocket(HandleSet, const ServerSocket) {}

int Handleset_waitReady(HandleSet, unsigned int)
{
    return 1;
}

void Handleset_destroy(HandleSet self)
{
    Memory_free(self);
}

int Socket_read(Socket self, uint8_t* buf, int size)
{
    if (self == nullptr || size < 0)
        return -1;
    if (self->chunkLeft == 0) {
        if (self->position >= self->size)
            return -1; /* the peer closed */
        uint8_t control = self->script[self->position++];
        clockMs += CLOCK_STEPS_MS[control >> 6];
        self->chunkLeft = control & 0x3F;
        if (self->chunkLeft > self->size - self->position)
            self->chunkLeft = self->size - self->position;
        if (self->chunkLeft == 0)
            return 0;
    }
    size_t count =
        static_cast<size_t>(size) < self->chunkLeft ? static_cast<size_t>(size) : self->chunkLeft;
    std::memcpy(buf, self->script + self->position, count);
    self->position += count;
    self->chunkLeft -= count;
    return static_cast<int>(count);
}

int Socket_write(Socket self, const uint8_t* buf, int size)
{
    if (self == nullptr)
        return -1;
    checkFrame(buf, size);
    return size;
}

char* Socket_getPeerAddressStatic(Socket, char* peerAddressString)
{
    std::strcpy(peerAddressString, "127.0.0.1:2404");
    return peerAddressString;
}

char* Socket_getPeerAddress(Socket self)
{
    char* text = static_cast<char*>(Memory_malloc(60));
    return text != nullptr ? Socket_getPeerAddressStatic(self, text) : nullptr;
}

void Socket_destroy(Socket self)
{
    Memory_free(self);
}

/* The rest of the socket layer is never reached from one connection's thread. */
ServerSocket TcpServerSocket_create(const char*, int)
{
    return nullptr;
}
void ServerSocket_setBacklog(ServerSocket, int) {}
bool ServerSocket_listen(ServerSocket)
{
    return false;
}
Socket ServerSocket_accept(ServerSocket)
{
    return nullptr;
}
void ServerSocket_destroy(ServerSocket) {}
Socket TcpSocket_create()
{
    return nullptr;
}
void Socket_setConnectTimeout(Socket, uint32_t) {}
void Socket_setSendTimeout(Socket, uint32_t) {}
bool Socket_connect(Socket, const char*, int)
{
    return false;
}
