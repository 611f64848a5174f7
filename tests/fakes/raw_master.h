// SPDX-License-Identifier: Apache-2.0
/*
 * A raw-octet IEC 60870-5-104 controlling station (master) for tests.
 * Header-only; plain POSIX over loopback, independent of the code under test:
 * every frame is built here octet by octet from the codings and every
 * received APDU is cut from the stream by its start and length octets.
 *
 * - Octets: a byte vector; Apdu: one received APDU with accessors for the
 *   control field (I/S/U, N(S), N(R)) and the ASDU header octets (default
 *   sizes: cause 2 octets, common address 2, address 3).
 * - uFrame/sFrame/iFrame: APDUs by hand; asdu(): an ASDU header plus payload;
 *   ioa3(): a 3-octet information object address; interrogationAsdu():
 *   C_IC_NA_1.
 * - RawMaster: connect, send octets, send I frames with its own N(S)/N(R)
 *   counters, receive one APDU with a time-out (I frames advance the
 *   receive count), acknowledge, detect the peer closing.
 * - Every octet sent and every APDU received is kept, in order and with its
 *   direction (capture()), so a test can hand the exchange to an independent
 *   decoder (fakes/dissector.h).
 */
#ifndef QX_TESTS_FAKES_RAW_MASTER_H
#define QX_TESTS_FAKES_RAW_MASTER_H

#include "fakes/net_helpers.h"
#include "fakes/octets.h"

#include <cstdint>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <vector>

namespace qxtest
{

/* U-frame function octets. */
constexpr uint8_t U_STARTDT_ACT = 0x07;
constexpr uint8_t U_STARTDT_CON = 0x0B;
constexpr uint8_t U_STOPDT_ACT = 0x13;
constexpr uint8_t U_STOPDT_CON = 0x23;
constexpr uint8_t U_TESTFR_ACT = 0x43;
constexpr uint8_t U_TESTFR_CON = 0x83;

inline Octets uFrame(uint8_t function)
{
    return {0x68, 0x04, function, 0x00, 0x00, 0x00};
}

inline Octets sFrame(int receiveCount)
{
    return {0x68,
            0x04,
            0x01,
            0x00,
            static_cast<uint8_t>((receiveCount % 128) * 2),
            static_cast<uint8_t>(receiveCount / 128)};
}

inline Octets iFrame(int sendCount, int receiveCount, const Octets& asduOctets)
{
    Octets frame = {0x68,
                    static_cast<uint8_t>(asduOctets.size() + 4),
                    static_cast<uint8_t>((sendCount % 128) * 2),
                    static_cast<uint8_t>(sendCount / 128),
                    static_cast<uint8_t>((receiveCount % 128) * 2),
                    static_cast<uint8_t>(receiveCount / 128)};
    frame.insert(frame.end(), asduOctets.begin(), asduOctets.end());
    return frame;
}

/* Three-octet information object address, least significant first. */
inline Octets ioa3(int address)
{
    return {static_cast<uint8_t>(address & 0xff), static_cast<uint8_t>((address >> 8) & 0xff),
            static_cast<uint8_t>((address >> 16) & 0xff)};
}

/*
 * An ASDU with the default sizes: type, variable structure qualifier, cause
 * octet (cause plus P/N 0x40 and T 0x80 bits), originator address, common
 * address (two octets), then the payload as given.
 */
inline Octets asdu(uint8_t type, uint8_t vsq, uint8_t causeOctet, int commonAddress,
                   const Octets& payload, uint8_t originator = 0)
{
    Octets octets = {type,
                     vsq,
                     causeOctet,
                     originator,
                     static_cast<uint8_t>(commonAddress & 0xff),
                     static_cast<uint8_t>((commonAddress >> 8) & 0xff)};
    octets.insert(octets.end(), payload.begin(), payload.end());
    return octets;
}

/* C_IC_NA_1 with one object, address 0, qualifier qoi (20: station). */
inline Octets interrogationAsdu(uint8_t causeOctet, uint8_t qoi = 20, int ca = 1)
{
    Octets payload = ioa3(0);
    payload.push_back(qoi);
    return asdu(100, 0x01, causeOctet, ca, payload);
}

/* Octets that crossed the connection in one direction, in the order they did. */
struct CapturedOctets {
    bool fromMaster;
    Octets octets;
};
using Capture = std::vector<CapturedOctets>;

/* One received APDU. */
struct Apdu {
    Octets octets;

    uint8_t control1() const { return octets.size() > 2 ? octets[2] : 0xff; }
    bool isI() const { return octets.size() > 6 && (control1() & 0x01) == 0; }
    bool isS() const { return octets.size() == 6 && control1() == 0x01; }
    bool isU(uint8_t function) const { return octets.size() == 6 && control1() == function; }
    static int seq(uint8_t low, uint8_t high) { return (high * 256 + (low & 0xfe)) / 2; }
    int ns() const { return seq(octets[2], octets[3]); }
    int nr() const { return seq(octets[4], octets[5]); }
    Octets asduOctets() const { return Octets(octets.begin() + 6, octets.end()); }
    uint8_t typeId() const { return octets.at(6); }
    uint8_t vsq() const { return octets.at(7); }
    uint8_t cause() const { return octets.at(8) & 0x3f; }
    bool negative() const { return (octets.at(8) & 0x40) != 0; }
    bool test() const { return (octets.at(8) & 0x80) != 0; }
};

class RawMaster
{
  public:
    /* Connects to 127.0.0.1:port (from source when given); false when refused. */
    bool connect(uint16_t port, const char* source = nullptr)
    {
        socket_ = rawConnect(port, source);
        sendCount_ = 0;
        receiveCount_ = 0;
        return socket_.valid();
    }

    bool connected() const { return socket_.valid(); }
    int fd() const { return socket_.fd(); }
    void close() { socket_.reset(); }

    bool send(const Octets& octets)
    {
        capture_.push_back({true, octets});
        return writeAll(socket_.fd(), octets.data(), octets.size());
    }

    bool sendU(uint8_t function) { return send(uFrame(function)); }
    bool sendS() { return send(sFrame(receiveCount_)); }

    /* Sends an I frame with the master's counters and advances N(S). */
    bool sendI(const Octets& asduOctets)
    {
        bool sent = send(iFrame(sendCount_, receiveCount_, asduOctets));
        sendCount_ = (sendCount_ + 1) % 32768;
        return sent;
    }

    /*
     * Receives one APDU within timeoutMs; nullopt on time-out, close or a
     * wrong start octet. A received I frame advances the receive count.
     */
    std::optional<Apdu> receive(int timeoutMs = 2000)
    {
        uint8_t head[2];
        if (!readExactly(socket_.fd(), head, 2, timeoutMs) || head[0] != 0x68)
            return std::nullopt;
        Apdu apdu;
        apdu.octets.resize(2 + head[1]);
        apdu.octets[0] = head[0];
        apdu.octets[1] = head[1];
        if (head[1] > 0 && !readExactly(socket_.fd(), apdu.octets.data() + 2, head[1], timeoutMs))
            return std::nullopt;
        capture_.push_back({false, apdu.octets});
        if (apdu.isI())
            receiveCount_ = (receiveCount_ + 1) % 32768;
        return apdu;
    }

    /* Receives APDUs until one is an I frame; test frames from the slave are answered. */
    std::optional<Apdu> receiveI(int timeoutMs = 2000)
    {
        int64_t deadline = monotonicMs() + timeoutMs;
        for (;;) {
            int64_t left = deadline - monotonicMs();
            if (left <= 0)
                return std::nullopt;
            std::optional<Apdu> apdu = receive(static_cast<int>(left));
            if (!apdu || apdu->isI())
                return apdu;
            if (apdu->isU(U_TESTFR_ACT))
                sendU(U_TESTFR_CON);
        }
    }

    /* True when nothing arrives within ms (the connection stays open). */
    bool quietFor(int ms)
    {
        pollfd entry = {socket_.fd(), POLLIN, 0};
        return ::poll(&entry, 1, ms) == 0;
    }

    /* True when the slave closes the connection within timeoutMs (data before it is dropped). */
    bool waitClosed(int timeoutMs)
    {
        int64_t deadline = monotonicMs() + timeoutMs;
        uint8_t sink[512];
        for (;;) {
            int64_t left = deadline - monotonicMs();
            if (left <= 0)
                return false;
            pollfd entry = {socket_.fd(), POLLIN, 0};
            if (::poll(&entry, 1, static_cast<int>(left)) != 1)
                return false;
            ssize_t count = ::recv(socket_.fd(), sink, sizeof(sink), 0);
            if (count <= 0)
                return true;
        }
    }

    /*
     * True when the slave closes the connection within timeoutMs and sends
     * nothing at all before the close; false on any octet, or no close.
     */
    bool closedWithNothingFirst(int timeoutMs)
    {
        pollfd entry = {socket_.fd(), POLLIN, 0};
        if (::poll(&entry, 1, timeoutMs) != 1)
            return false;
        uint8_t octet;
        ssize_t count = ::recv(socket_.fd(), &octet, 1, 0);
        return count == 0 || (count < 0 && errno == ECONNRESET);
    }

    int sendCount() const { return sendCount_; }
    int receiveCount() const { return receiveCount_; }
    void setSendCount(int value) { sendCount_ = value; }
    void setReceiveCount(int value) { receiveCount_ = value; }
    /* Everything sent and received since the object was made. */
    const Capture& capture() const { return capture_; }

  private:
    RawSocket socket_;
    Capture capture_;
    int sendCount_ = 0;
    int receiveCount_ = 0;
};

} // namespace qxtest

#endif
