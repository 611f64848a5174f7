// SPDX-License-Identifier: Apache-2.0
/*
 * A raw-octet controlling station for the gateway's process tests.
 *
 * Built on the engine tests' RawMaster, it talks to the real qxsvr104 over
 * loopback with hand-built frames and
 * decodes what comes back by hand (IOA, single-point octet, IEEE float),
 * so the tests never judge the gateway with the gateway's own codec.
 * Received I frames are acknowledged with an S frame after every fourth
 * frame and whenever the client waits with frames unacknowledged, well within
 * the station's k = 12 window, so the station never stalls on its window.
 *
 * Header-only. Ownership: the client owns its socket.
 */
#ifndef QX_TESTS_APP_STATION_CLIENT_H
#define QX_TESTS_APP_STATION_CLIENT_H

#include "fakes/raw_master.h"

#include <cstdint>
#include <cstring>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qxtest
{

/* An I frame as received, with its ASDU header decoded by hand. */
struct IFrame {
    Octets octets; /* whole frame, 0x68 first */
    int type = 0;
    int count = 0;
    bool sequence = false;
    int cot = 0; /* six cause bits */
    bool negative = false;
    int oa = 0;
    int ca = 0;

    /* ASDU octets (from the type octet on). */
    Octets asdu() const { return Octets(octets.begin() + 6, octets.end()); }
};

/* Decodes the header of an I frame with the station's sizes (COT 2, CA 2). */
inline IFrame toIFrame(const Apdu& apdu)
{
    IFrame f;
    f.octets = apdu.octets;
    if (apdu.octets.size() < 12)
        return f;
    f.type = apdu.typeId();
    f.count = apdu.vsq() & 0x7F;
    f.sequence = (apdu.vsq() & 0x80) != 0;
    f.cot = apdu.cause();
    f.negative = apdu.negative();
    f.oa = apdu.octets[9];
    f.ca = apdu.octets[10] | (apdu.octets[11] << 8);
    return f;
}

/* One information object of a monitoring ASDU (no sequence, 3-octet IOA). */
struct PointValue {
    int ioa;
    double value; /* 0/1 for single points, the float for short floats */
    int quality;
    int64_t tagMs = -1; /* the CP56Time2a as milliseconds since 1970 UTC; -1 untagged */
};

/* A CP56Time2a read by hand as UTC, against the C library's calendar. */
inline int64_t decodeCp56(const uint8_t* p)
{
    struct tm t = {};
    t.tm_year = 2000 + (p[6] & 0x7F) - 1900;
    t.tm_mon = (p[5] & 0x0F) - 1;
    t.tm_mday = p[4] & 0x1F;
    t.tm_hour = p[3] & 0x1F;
    t.tm_min = p[2] & 0x3F;
    const int ms = p[0] | (p[1] << 8);
    return static_cast<int64_t>(timegm(&t)) * 1000 + ms;
}

/*
 * The objects of a frame whose elements are single-point octets (SIQ) or
 * IEEE floats with their quality octet, each followed by tagSize octets of
 * CP56Time2a (0 or 7).
 */
inline std::vector<PointValue> decodeObjects(const IFrame& apdu, bool singlePoint, size_t tagSize)
{
    std::vector<PointValue> points;
    const size_t element = singlePoint ? 1 : 5;
    const size_t objectSize = 3 + element + tagSize;
    size_t pos = 12; /* 6 APCI + 6 ASDU header octets */
    for (int i = 0; i < apdu.count && pos + objectSize <= apdu.octets.size(); ++i) {
        const uint8_t* p = apdu.octets.data() + pos;
        PointValue v;
        v.ioa = p[0] | (p[1] << 8) | (p[2] << 16);
        if (singlePoint) {
            v.value = p[3] & 0x01;
            v.quality = p[3] & 0xFE;
        } else {
            uint32_t bits = static_cast<uint32_t>(p[3]) | (static_cast<uint32_t>(p[4]) << 8) |
                            (static_cast<uint32_t>(p[5]) << 16) |
                            (static_cast<uint32_t>(p[6]) << 24);
            float f;
            std::memcpy(&f, &bits, sizeof(f));
            v.value = f;
            v.quality = p[7];
        }
        if (tagSize != 0)
            v.tagMs = decodeCp56(p + 3 + element);
        points.push_back(v);
        pos += objectSize;
    }
    return points;
}

/* The objects of an M_SP_NA_1 (1) or M_ME_NC_1 (13) ASDU; empty for other types. */
inline std::vector<PointValue> decodePoints(const IFrame& apdu)
{
    if ((apdu.type != 1 && apdu.type != 13) || apdu.sequence)
        return {};
    return decodeObjects(apdu, apdu.type == 1, 0);
}

/* The time-tagged objects of an M_SP_TB_1 (30) or M_ME_TF_1 (36) ASDU; empty otherwise. */
inline std::vector<PointValue> decodeTaggedPoints(const IFrame& apdu)
{
    if ((apdu.type != 30 && apdu.type != 36) || apdu.sequence)
        return {};
    return decodeObjects(apdu, apdu.type == 30, 7);
}

class StationClient
{
  public:
    /* Connects to 127.0.0.1:port (from source when given); false when nobody listens. */
    bool connect(uint16_t port, const char* source = nullptr)
    {
        return master_.connect(port, source);
    }
    bool isOpen() const { return master_.connected(); }
    void close() { master_.close(); }

    /* STARTDT act, then waits for STARTDT con. */
    bool startDataTransfer(int timeoutMs = 3000)
    {
        if (!master_.sendU(U_STARTDT_ACT))
            return false;
        int64_t deadline = monotonicMs() + timeoutMs;
        while (monotonicMs() < deadline) {
            std::optional<Apdu> apdu = master_.receive(static_cast<int>(deadline - monotonicMs()));
            if (!apdu)
                return false;
            if (apdu->isU(U_STARTDT_CON))
                return true;
        }
        return false;
    }

    /* Sends an ASDU (its octets written by the test) as the next I frame. */
    bool sendAsdu(const Octets& asdu)
    {
        unacknowledged_ = 0; /* the I frame carries the receive count */
        return master_.sendI(asdu);
    }

    /*
     * Waits up to timeoutMs for the next I frame, acknowledging as it goes and
     * answering test frames. False on time-out or when the connection closed.
     */
    bool receive(IFrame& frame, int timeoutMs)
    {
        int64_t deadline = monotonicMs() + timeoutMs;
        for (;;) {
            int64_t left = deadline - monotonicMs();
            if (left <= 0)
                return false;
            if (unacknowledged_ > 0 && master_.quietFor(20))
                acknowledge();
            std::optional<Apdu> apdu = master_.receive(static_cast<int>(left));
            if (!apdu)
                return false;
            if (apdu->isU(U_TESTFR_ACT))
                master_.sendU(U_TESTFR_CON);
            if (!apdu->isI())
                continue;
            if (++unacknowledged_ >= 4)
                acknowledge();
            frame = toIFrame(*apdu);
            return true;
        }
    }

    /*
     * Collects I frames until done(all I frames so far) is true or timeoutMs
     * passes; returns whether done became true.
     */
    bool collectUntil(std::vector<IFrame>& frames,
                      const std::function<bool(const std::vector<IFrame>&)>& done, int timeoutMs)
    {
        int64_t deadline = monotonicMs() + timeoutMs;
        while (!done(frames)) {
            int64_t left = deadline - monotonicMs();
            IFrame frame;
            if (left <= 0 || !receive(frame, static_cast<int>(left)))
                return done(frames);
            frames.push_back(frame);
        }
        return true;
    }

    /* The raw master underneath, for U frames and the capture. */
    RawMaster& master() { return master_; }
    const Capture& capture() const { return master_.capture(); }

    /* Waits until the station closes the connection. */
    bool waitClosed(int timeoutMs) { return master_.waitClosed(timeoutMs); }

  private:
    void acknowledge()
    {
        master_.sendS();
        unacknowledged_ = 0;
    }

    RawMaster master_;
    int unacknowledged_ = 0;
};

} // namespace qxtest

#endif
