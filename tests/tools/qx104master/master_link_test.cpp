// SPDX-License-Identifier: Apache-2.0
#include "master_link.h"

#include "fakes/net_helpers.h"
#include "fakes/octets.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <vector>

namespace
{

using qxtest::Octets;
using qxtest::RawSocket;

/* A fake station: a listening socket, and the accepted connection of a MasterLink. */
class MasterLinkTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        listener_ = qxtest::rawListen();
        ASSERT_TRUE(listener_.valid());
        std::string error;
        ASSERT_TRUE(link_.connect("127.0.0.1", qxtest::localPort(listener_.fd()), 2000, error))
            << error;
        station_ = RawSocket(::accept(listener_.fd(), nullptr, nullptr));
        ASSERT_TRUE(station_.valid());
    }

    void stationSends(const Octets& octets)
    {
        ASSERT_TRUE(qxtest::writeAll(station_.fd(), octets.data(), octets.size()));
    }

    Octets stationReads(size_t count)
    {
        Octets octets(count);
        if (!qxtest::readExactly(station_.fd(), octets.data(), count, 2000))
            octets.clear();
        return octets;
    }

    /* I frame from the station with the given N(S), N(R) 0 and a one-object ASDU. */
    static Octets iFrame(int ns)
    {
        uint8_t seq[2];
        encodeSequence(ns, seq);
        return {0x68, 0x0E, seq[0], seq[1], 0x00, 0x00, 0x01, 0x01,
                0x03, 0x00, 0x01,   0x00,   0x01, 0x00, 0x00, 0x01};
    }

    RawSocket listener_;
    RawSocket station_;
    MasterLink link_;
};

struct SequenceCase {
    int n;
    uint8_t first;
    uint8_t second;
};

void PrintTo(const SequenceCase& c, std::ostream* os)
{
    *os << "N=" << c.n;
}

class SequenceCoding : public ::testing::TestWithParam<SequenceCase>
{
};

TEST_P(SequenceCoding, EncodesAndDecodesBothOctets)
{
    uint8_t out[2] = {0xAA, 0xAA};
    encodeSequence(GetParam().n, out);
    EXPECT_EQ(GetParam().first, out[0]);
    EXPECT_EQ(GetParam().second, out[1]);
    const uint8_t in[2] = {GetParam().first, GetParam().second};
    EXPECT_EQ(GetParam().n, decodeSequence(in));
}

INSTANTIATE_TEST_SUITE_P(Table, SequenceCoding,
                         ::testing::Values(SequenceCase{0, 0x00, 0x00}, SequenceCase{1, 0x02, 0x00},
                                           SequenceCase{127, 0xFE, 0x00},
                                           SequenceCase{128, 0x00, 0x01},
                                           SequenceCase{32767, 0xFE, 0xFF}));

TEST(MasterLinkConnect, ClosedPortFailsWithReason)
{
    uint16_t port = qxtest::freeTcpPort();
    MasterLink link;
    std::string error;
    EXPECT_FALSE(link.connect("127.0.0.1", port, 2000, error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(link.isOpen());
}

/* -b: the station sees the chosen source address; one the host lacks fails with a reason. */
TEST(MasterLinkConnect, BindAddress_StationSeesItOrTheConnectFailsNamingIt)
{
    RawSocket listener = qxtest::rawListen();
    ASSERT_TRUE(listener.valid());
    MasterLink link;
    std::string error;
    ASSERT_TRUE(
        link.connect("127.0.0.1", qxtest::localPort(listener.fd()), 2000, error, "127.0.0.7"))
        << error;
    struct sockaddr_in peer;
    socklen_t length = sizeof(peer);
    RawSocket station(::accept(listener.fd(), reinterpret_cast<sockaddr*>(&peer), &length));
    ASSERT_TRUE(station.valid());
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &peer.sin_addr, text, sizeof(text));
    EXPECT_STREQ("127.0.0.7", text);

    MasterLink elsewhere;
    EXPECT_FALSE(
        elsewhere.connect("127.0.0.1", qxtest::localPort(listener.fd()), 2000, error, "192.0.2.1"));
    EXPECT_NE(std::string::npos, error.find("cannot bind 192.0.2.1")) << error;
    EXPECT_FALSE(elsewhere.isOpen());
}

TEST_F(MasterLinkTest, SendUWritesSixOctetFrame)
{
    ASSERT_TRUE(link_.sendU(0x07));
    EXPECT_EQ((Octets{0x68, 0x04, 0x07, 0x00, 0x00, 0x00}), stationReads(6));
}

TEST_F(MasterLinkTest, SendAsduCountsSendSequenceAndCarriesReceiveCount)
{
    const uint8_t asdu[] = {0x64, 0x01, 0x06, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x14};
    ASSERT_TRUE(link_.sendASDU(asdu, sizeof(asdu)));
    Octets first = stationReads(16);
    EXPECT_EQ((Octets{0x68, 0x0E, 0x00, 0x00, 0x00, 0x00, 0x64, 0x01, 0x06, 0x00, 0x01, 0x00, 0x00,
                      0x00, 0x00, 0x14}),
              first);

    stationSends(iFrame(0));
    EXPECT_EQ(LinkEvent::ASDU, link_.receive(1000).kind);
    ASSERT_TRUE(link_.sendASDU(asdu, sizeof(asdu)));
    Octets second = stationReads(16);
    ASSERT_EQ(16u, second.size());
    EXPECT_EQ((Octets{0x68, 0x0E, 0x02, 0x00, 0x02, 0x00}),
              Octets(second.begin(), second.begin() + 6));
}

TEST_F(MasterLinkTest, SendAsduRefusesEmptyAndOverlongAsdu)
{
    uint8_t big[250] = {0};
    EXPECT_FALSE(link_.sendASDU(big, 0));
    EXPECT_FALSE(link_.sendASDU(big, 250));
}

TEST_F(MasterLinkTest, ReceiveGivesAsduOctetsOfIFrame)
{
    stationSends(iFrame(0));
    LinkEvent event = link_.receive(1000);
    ASSERT_EQ(LinkEvent::ASDU, event.kind);
    EXPECT_EQ((Octets{0x01, 0x01, 0x03, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x01}), event.asdu);
}

TEST_F(MasterLinkTest, EighthIFrameIsAcknowledgedAtOnceWithSFrame)
{
    Octets burst;
    for (int i = 0; i < 8; ++i) {
        Octets f = iFrame(i);
        burst.insert(burst.end(), f.begin(), f.end());
    }
    stationSends(burst); /* eight frames in one segment */
    for (int i = 0; i < 8; ++i)
        ASSERT_EQ(LinkEvent::ASDU, link_.receive(1000).kind) << i;
    /* N(R) = 8 -> 10 00 */
    EXPECT_EQ((Octets{0x68, 0x04, 0x01, 0x00, 0x10, 0x00}), stationReads(6));
}

TEST_F(MasterLinkTest, QuietLineAcknowledgesPendingIFrame)
{
    stationSends(iFrame(0));
    ASSERT_EQ(LinkEvent::ASDU, link_.receive(1000).kind);
    EXPECT_EQ(LinkEvent::NONE, link_.receive(400).kind);
    EXPECT_EQ((Octets{0x68, 0x04, 0x01, 0x00, 0x02, 0x00}), stationReads(6));
}

TEST_F(MasterLinkTest, TestFrameActIsAnsweredWithCon)
{
    stationSends({0x68, 0x04, 0x43, 0x00, 0x00, 0x00});
    EXPECT_EQ(LinkEvent::TESTFR_ACT, link_.receive(1000).kind);
    EXPECT_EQ((Octets{0x68, 0x04, 0x83, 0x00, 0x00, 0x00}), stationReads(6));
}

TEST_F(MasterLinkTest, UFramesAreClassified)
{
    stationSends({0x68, 0x04, 0x0B, 0x00, 0x00, 0x00, 0x68, 0x04, 0x23, 0x00,
                  0x00, 0x00, 0x68, 0x04, 0x83, 0x00, 0x00, 0x00, 0x68, 0x04,
                  0x01, 0x00, 0x02, 0x00, 0x68, 0x04, 0x07, 0x00, 0x00, 0x00});
    EXPECT_EQ(LinkEvent::STARTDT_CON, link_.receive(1000).kind);
    EXPECT_EQ(LinkEvent::STOPDT_CON, link_.receive(1000).kind);
    EXPECT_EQ(LinkEvent::TESTFR_CON, link_.receive(1000).kind);
    EXPECT_EQ(LinkEvent::S_FRAME, link_.receive(1000).kind);
    LinkEvent other = link_.receive(1000);
    EXPECT_EQ(LinkEvent::OTHER_U, other.kind);
    EXPECT_EQ(0x07, other.code);
}

TEST_F(MasterLinkTest, FrameArrivingOneOctetAtATimeIsReassembled)
{
    Octets frame = iFrame(0);
    for (uint8_t octet : frame) {
        stationSends({octet});
        usleep(2000);
    }
    LinkEvent event = link_.receive(1000);
    ASSERT_EQ(LinkEvent::ASDU, event.kind);
    EXPECT_EQ(10u, event.asdu.size());
}

TEST_F(MasterLinkTest, WrongStartOctetIsErrorAndClosesLink)
{
    stationSends({0x67, 0x04, 0x0B, 0x00, 0x00, 0x00});
    EXPECT_EQ(LinkEvent::ERROR, link_.receive(1000).kind);
    EXPECT_FALSE(link_.isOpen());
}

TEST_F(MasterLinkTest, IFrameWithoutAsduIsError)
{
    stationSends({0x68, 0x04, 0x00, 0x00, 0x00, 0x00});
    EXPECT_EQ(LinkEvent::ERROR, link_.receive(1000).kind);
}

TEST_F(MasterLinkTest, PeerCloseIsReported)
{
    station_.reset();
    EXPECT_EQ(LinkEvent::CLOSED, link_.receive(1000).kind);
    EXPECT_FALSE(link_.isOpen());
}

TEST_F(MasterLinkTest, NothingArrivingTimesOutWithNone)
{
    int64_t start = qxtest::monotonicMs();
    EXPECT_EQ(LinkEvent::NONE, link_.receive(300).kind);
    EXPECT_GE(qxtest::monotonicMs() - start, 250);
}

} // namespace
