// SPDX-License-Identifier: Apache-2.0
/*
 * Fake transport streams (fake_stream.h).
 *
 * Script of ScriptedStream_create: a control octet, then up to
 * (control & 0x3F) octets that the peer sends. The top two bits first move
 * the fake clock by 0 ms, 7 ms, 1.1 s or 25 s, so the t1/t2/t3 timers run
 * out as the input decides. A control octet with a length of 0 is a pass
 * with nothing to read; the end of the input is the peer closing the
 * connection. Every wait is ready at once, and every frame written is
 * checked: the engine never writes a part of a frame or a malformed one.
 */
#include "fakes/fake_stream.h"

#include "fakes/fake_clock.h"
#include "hal_socket.h"

#include <cstdlib>
#include <cstring>
#include <new>

namespace qxfake
{

void FakePeer::send(const Octets& octets)
{
    std::lock_guard<std::mutex> lock(mutex_);
    input_.insert(input_.end(), octets.begin(), octets.end());
}

void FakePeer::close()
{
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
}

std::vector<Octets> FakePeer::takeWritten()
{
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<Octets> frames;
    frames.swap(written_);
    return frames;
}

void FakePeer::failWrites(bool fail)
{
    std::lock_guard<std::mutex> lock(mutex_);
    failWrites_ = fail;
}

bool FakePeer::streamDestroyed() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return destroyed_;
}

int FakePeer::read(uint8_t* buffer, int size)
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++readCalls_;
    if (input_.empty())
        return closed_ ? -1 : 0;
    int count = 0;
    while (count < size && !input_.empty()) {
        buffer[count++] = input_.front();
        input_.pop_front();
    }
    return count;
}

bool FakePeer::write(const uint8_t* octets, int size)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (failWrites_)
        return false;
    written_.emplace_back(octets, octets + size);
    ++writeCalls_;
    return true;
}

void FakePeer::gatherWrites(int maxOctets)
{
    std::lock_guard<std::mutex> lock(mutex_);
    gathers_ = true;
    maxOctets_ = maxOctets;
}

bool FakePeer::gathers() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return gathers_;
}

int FakePeer::takeWriteCalls()
{
    std::lock_guard<std::mutex> lock(mutex_);
    int calls = writeCalls_;
    writeCalls_ = 0;
    return calls;
}

int FakePeer::takeReadCalls()
{
    std::lock_guard<std::mutex> lock(mutex_);
    int calls = readCalls_;
    readCalls_ = 0;
    return calls;
}

size_t FakePeer::unread() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return input_.size();
}

int FakePeer::takeWaitCalls()
{
    std::lock_guard<std::mutex> lock(mutex_);
    int calls = waitCalls_;
    waitCalls_ = 0;
    return calls;
}

namespace
{

/* Takes a prefix of the buffers, as a socket with room for maxOctets would. */
struct ShortWriter {
    Octets* stream;
    int maxOctets;
    int calls;
};

int takeSome(void* context, const TransportFrame* buffers, int count)
{
    ShortWriter* writer = static_cast<ShortWriter*>(context);
    ++writer->calls;
    int taken = 0;
    for (int i = 0; i < count; i++) {
        for (int k = 0; k < buffers[i].size; k++) {
            if (writer->maxOctets > 0 && taken == writer->maxOctets)
                return taken;
            writer->stream->push_back(buffers[i].octets[k]);
            ++taken;
        }
    }
    return taken;
}

} // namespace

bool FakePeer::writeFrames(const TransportFrame* frames, int count)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (failWrites_)
        return false;
    ShortWriter writer{&partial_, maxOctets_, 0};
    bool written = TransportFrames_writeAll(frames, count, 8, takeSome, &writer);
    writeCalls_ += writer.calls;
    /* Split what arrived into frames by their length octets, as the master reads them. */
    size_t at = 0;
    while (partial_.size() - at >= 2 && partial_.size() - at >= size_t(partial_[at + 1]) + 2) {
        size_t size = size_t(partial_[at + 1]) + 2;
        written_.emplace_back(partial_.begin() + at, partial_.begin() + at + size);
        at += size;
    }
    partial_.erase(partial_.begin(), partial_.begin() + at);
    return written;
}

bool FakePeer::readable() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return !input_.empty() || closed_;
}

void FakePeer::destroyed()
{
    std::lock_guard<std::mutex> lock(mutex_);
    destroyed_ = true;
}

void FakePeer::waited()
{
    std::lock_guard<std::mutex> lock(mutex_);
    ++waitCalls_;
}

namespace
{

/* ------------------------------------------------------ the test's peer */

struct PeerStream {
    struct sTransportStream base; /* first: the handle points here */
    std::shared_ptr<FakePeer> peer;
    HandleSet wakeUps; /* to look at the wake-ups without waiting */
};

PeerStream* peerStream(TransportStream self)
{
    return reinterpret_cast<PeerStream*>(self);
}

int peerRead(TransportStream self, uint8_t* buffer, int size)
{
    return peerStream(self)->peer->read(buffer, size);
}

bool peerWrite(TransportStream self, const uint8_t* octets, int size)
{
    return peerStream(self)->peer->write(octets, size);
}

int peerPending(TransportStream)
{
    return 0;
}

int peerWaitReadable(TransportStream self, const WakeUp* wakeUps, int count, unsigned int)
{
    PeerStream* stream = peerStream(self);
    stream->peer->waited();
    if (stream->peer->readable())
        return 1;
    Handleset_reset(stream->wakeUps);
    for (int i = 0; i < count; i++)
        WakeUp_addTo(wakeUps[i], stream->wakeUps);
    return Handleset_waitReady(stream->wakeUps, 0) > 0 ? 1 : 0;
}

char* peerAddress(TransportStream, char* text)
{
    std::strcpy(text, "127.0.0.1:2404");
    return text;
}

void peerDestroy(TransportStream self)
{
    PeerStream* stream = peerStream(self);
    stream->peer->destroyed();
    Handleset_destroy(stream->wakeUps);
    delete stream;
}

const sTransportStreamMethods peerMethods = {
    peerRead, peerWrite, peerPending, peerWaitReadable, peerAddress, peerDestroy, nullptr,
};

bool peerWriteFrames(TransportStream self, const TransportFrame* frames, int count)
{
    return peerStream(self)->peer->writeFrames(frames, count);
}

const sTransportStreamMethods peerGatherMethods = {
    peerRead, peerWrite, peerPending, peerWaitReadable, peerAddress, peerDestroy, peerWriteFrames,
};

/* ------------------------------------------------------ the fuzz script */

const uint64_t CLOCK_STEPS_MS[4] = {0, 7, 1100, 25000};

struct ScriptStream {
    struct sTransportStream base;
    const uint8_t* script;
    size_t size;
    size_t position;
    size_t chunkLeft; /* octets of the current chunk not read yet */
};

ScriptStream* scriptStream(TransportStream self)
{
    return reinterpret_cast<ScriptStream*>(self);
}

int scriptRead(TransportStream handle, uint8_t* buffer, int size)
{
    ScriptStream* self = scriptStream(handle);
    if (size < 0)
        return -1;
    if (self->chunkLeft == 0) {
        if (self->position >= self->size)
            return -1; /* the peer closed */
        uint8_t control = self->script[self->position++];
        clockAdvance(CLOCK_STEPS_MS[control >> 6]);
        self->chunkLeft = control & 0x3F;
        if (self->chunkLeft > self->size - self->position)
            self->chunkLeft = self->size - self->position;
        if (self->chunkLeft == 0)
            return 0;
    }
    size_t count =
        static_cast<size_t>(size) < self->chunkLeft ? static_cast<size_t>(size) : self->chunkLeft;
    std::memcpy(buffer, self->script + self->position, count);
    self->position += count;
    self->chunkLeft -= count;
    return static_cast<int>(count);
}

bool scriptWrite(TransportStream, const uint8_t* octets, int size)
{
    if (size < 6 || octets[0] != 0x68 || octets[1] + 2 != size)
        std::abort();
    return true;
}

int scriptWaitReadable(TransportStream, const WakeUp*, int, unsigned int)
{
    return 1;
}

void scriptDestroy(TransportStream self)
{
    delete scriptStream(self);
}

const sTransportStreamMethods scriptMethods = {
    scriptRead, scriptWrite, peerPending, scriptWaitReadable, peerAddress, scriptDestroy, nullptr,
};

} // namespace

TransportStream FakeStream_create(std::shared_ptr<FakePeer> peer)
{
    HandleSet wakeUps = Handleset_new();
    if (wakeUps == nullptr)
        return nullptr;
    const sTransportStreamMethods* methods = peer->gathers() ? &peerGatherMethods : &peerMethods;
    PeerStream* stream = new (std::nothrow) PeerStream{{methods}, std::move(peer), wakeUps};
    if (stream == nullptr) {
        Handleset_destroy(wakeUps);
        return nullptr;
    }
    return &stream->base;
}

TransportStream ScriptedStream_create(const uint8_t* script, size_t size)
{
    ScriptStream* stream = new (std::nothrow) ScriptStream{{&scriptMethods}, script, size, 0, 0};
    return stream != nullptr ? &stream->base : nullptr;
}

} // namespace qxfake
