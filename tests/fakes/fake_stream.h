// SPDX-License-Identifier: Apache-2.0
/*
 * Fake transport streams for driving a master connection without a socket
 * (see cs104_transport_stream.h).
 *
 * - FakePeer is the far end a test holds: what it sends the connection
 *   reads, every frame the connection writes is kept for the test to take,
 *   and it may close. FakeStream_create makes the stream over it; the
 *   connection owns and destroys the stream, the peer lives on with the
 *   test. The stream's wait never blocks: it reports ready when octets are
 *   waiting, the peer closed or a wake-up was signalled, else a time-out at
 *   once, so a test runs the connection pass by pass
 *   (MasterConnection_serveOnce) with the fake clock.
 *   A peer may also take gathered writes (gatherWrites), which may be cut
 *   short anywhere, as a socket's send buffer cuts them.
 * - ScriptedStream_create plays a fuzz input as the peer (the script format
 *   is in fake_stream.cpp) and moves the fake clock as the script says.
 */
#ifndef QX_TESTS_FAKES_FAKE_STREAM_H
#define QX_TESTS_FAKES_FAKE_STREAM_H

#include "cs104_transport_stream.h"
#include "fakes/octets.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

namespace qxfake
{

using qxtest::Octets;

class FakePeer
{
  public:
    /* Octets the connection reads next (any split: the stream hands out what is asked). */
    void send(const Octets& octets);
    /* The peer closes: once what was sent is read, read reports the close. */
    void close();
    /* Every frame the connection has written since the last take, in order. */
    std::vector<Octets> takeWritten();
    /* Makes the connection's writes fail (a broken connection). */
    void failWrites(bool fail);
    /*
     * Gathered writes: a stream made after this offers writeFrames, which
     * takes whole frames through TransportFrames_writeAll, at most maxOctets
     * of them per call (0: no limit), so a short write can end inside a
     * frame. Every call is counted; takeWritten still gives whole frames.
     */
    void gatherWrites(int maxOctets);
    bool gathers() const;
    /* Writes (one per frame) and gathered calls since the last take. */
    int takeWriteCalls();
    /* Reads the connection made since the last take (each one a system call on a socket). */
    int takeReadCalls();
    /* Octets sent that the connection has not read yet. */
    size_t unread() const;
    /* Waits for readable the connection made since the last take (each a poll on a socket). */
    int takeWaitCalls();
    /* True once the connection destroyed its stream. */
    bool streamDestroyed() const;

    /* The stream's side. */
    int read(uint8_t* buffer, int size);
    bool write(const uint8_t* octets, int size);
    bool writeFrames(const TransportFrame* frames, int count);
    bool readable() const;
    void destroyed();
    void waited();

  private:
    mutable std::mutex mutex_;
    std::deque<uint8_t> input_;
    std::vector<Octets> written_;
    bool closed_ = false;
    bool failWrites_ = false;
    bool gathers_ = false;
    int maxOctets_ = 0;
    int writeCalls_ = 0;
    int readCalls_ = 0;
    int waitCalls_ = 0;
    Octets partial_; /* octets of a frame begun by a short write */
    bool destroyed_ = false;
};

/* A stream whose far end is peer; null when out of memory. */
TransportStream FakeStream_create(std::shared_ptr<FakePeer> peer);

/* A stream that plays script (not copied: keep it alive) as its peer. */
TransportStream ScriptedStream_create(const uint8_t* script, size_t size);

} // namespace qxfake

#endif
