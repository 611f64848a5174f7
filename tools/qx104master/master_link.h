// SPDX-License-Identifier: Apache-2.0
/*
 * The controlling-station (master) side of an IEC 60870-5-104 link, as small
 * as an operator tool needs: one TCP connection, STARTDT, I frames out with
 * their send and receive counts, I frames in with S-frame acknowledgement,
 * and TESTFR act answered with TESTFR con.
 *
 * Ownership: MasterLink owns its socket and closes it in its destructor.
 * Every function reports failure by its result; nothing throws.
 */
#ifndef QX_TOOLS_MASTER_LINK_H
#define QX_TOOLS_MASTER_LINK_H

#include <cstdint>
#include <string>
#include <vector>

/* What one call of MasterLink::receive found. */
struct LinkEvent {
    enum Kind {
        NONE, /* time-out, nothing arrived */
        ASDU, /* an I frame: asdu holds its ASDU octets */
        STARTDT_CON,
        STOPDT_CON,
        TESTFR_ACT, /* already answered with TESTFR con */
        TESTFR_CON,
        S_FRAME,
        OTHER_U, /* an unexpected U frame; code holds its function octet */
        CLOSED,  /* the peer closed the connection */
        ERROR    /* a framing or socket error; the link is closed */
    };
    Kind kind = NONE;
    int code = 0;
    std::vector<uint8_t> asdu;
};

class MasterLink
{
  public:
    MasterLink() = default;
    ~MasterLink();
    MasterLink(const MasterLink&) = delete;
    MasterLink& operator=(const MasterLink&) = delete;

    /* Connects within timeoutMs, from the local IPv4 address bindAddress
     * when not empty; false (with error text) on failure. */
    bool connect(const std::string& host, int port, int timeoutMs, std::string& error,
                 const std::string& bindAddress = std::string());

    /* Sends a U frame: 0x07 STARTDT act, 0x13 STOPDT act, 0x43 TESTFR act. */
    bool sendU(uint8_t function);

    /* Sends one ASDU as an I frame with the current counts; false if too long or on error. */
    bool sendASDU(const uint8_t* asdu, int length);

    /*
     * Waits up to timeoutMs for one frame. Received I frames are counted and
     * acknowledged with an S frame after every 8th frame or when the line has
     * been quiet for 200 ms, far within the station's t2.
     */
    LinkEvent receive(int timeoutMs);

    bool isOpen() const { return fd_ >= 0; }
    void close();

  private:
    bool sendAll(const uint8_t* data, size_t length);
    bool sendS();
    bool takeFrame(LinkEvent& event);
    LinkEvent classify(const uint8_t* frame, int length);

    int fd_ = -1;
    int sendCount_ = 0;
    int receiveCount_ = 0;
    int unacknowledged_ = 0;
    std::vector<uint8_t> buffer_;
};

/* Encodes a sequence number into its two control octets. */
void encodeSequence(int n, uint8_t* out);
/* Decodes two control octets into a sequence number. */
int decodeSequence(const uint8_t* in);

#endif
