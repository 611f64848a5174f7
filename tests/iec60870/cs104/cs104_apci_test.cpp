// SPDX-License-Identifier: Apache-2.0
/*
 * APCI framing: sequence number packing, frame classification, the
 * constant frames and the size limit of an outgoing I frame.
 */
#include "cs104_apci.h"

#include "fakes/octets.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

using qxtest::Octets;

struct SeqCase {
    int n;
    uint8_t first;
    uint8_t second;
};

TEST(Cs104ApciSequence, EncodeDecode_TableOfValues_MatchHandOctets)
{
    const SeqCase cases[] = {{0, 0x00, 0x00},    {1, 0x02, 0x00},   {127, 0xFE, 0x00},
                             {128, 0x00, 0x01},  {300, 0x58, 0x02}, {16384, 0x00, 0x80},
                             {32767, 0xFE, 0xFF}};
    for (const SeqCase& c : cases) {
        uint8_t out[2] = {0xAA, 0xAA};
        CS104_encodeSequenceNumber(out, c.n);
        EXPECT_EQ(out[0], c.first) << c.n;
        EXPECT_EQ(out[1], c.second) << c.n;
        EXPECT_EQ(CS104_decodeSequenceNumber(out), c.n) << c.n;
    }
}

TEST(Cs104ApciSequence, Decode_Bit0Set_IsIgnored)
{
    const uint8_t octets[2] = {0x0B, 0x80}; // 0x0A/2 = 5 plus 0x80 * 128
    EXPECT_EQ(CS104_decodeSequenceNumber(octets), 16384 + 5);
}

TEST(Cs104ApciSequence, NextAndPrevious_AtTheWrap_Modulo32768)
{
    EXPECT_EQ(CS104_nextSequenceNumber(32767), 0);
    EXPECT_EQ(CS104_nextSequenceNumber(5), 6);
    EXPECT_EQ(CS104_previousSequenceNumber(0), 32767);
    EXPECT_EQ(CS104_previousSequenceNumber(6), 5);
}

struct KindCase {
    uint8_t octet;
    CS104_FrameKind kind;
};

TEST(Cs104ApciClassify, FirstControlOctet_Table_FirstMaskWins)
{
    const KindCase cases[] = {
        {0x00, CS104_FRAME_I},           {0x02, CS104_FRAME_I},
        {0xFE, CS104_FRAME_I},           {0x43, CS104_FRAME_TESTFR_ACT},
        {0xC3, CS104_FRAME_TESTFR_ACT},  {0x07, CS104_FRAME_STARTDT_ACT},
        {0x13, CS104_FRAME_STOPDT_ACT},  {0x83, CS104_FRAME_TESTFR_CON},
        {0x01, CS104_FRAME_S},           {0x0B, CS104_FRAME_OTHER},
        {0x23, CS104_FRAME_OTHER},       {0x03, CS104_FRAME_OTHER},
        {0x17, CS104_FRAME_STARTDT_ACT}, {0x05, CS104_FRAME_OTHER},
    };
    for (const KindCase& c : cases)
        EXPECT_EQ(CS104_classifyFrame(c.octet), c.kind) << std::hex << int(c.octet);
}

TEST(Cs104ApciFrames, ConstantUFrames_AreTheStandardOctets)
{
    const Octets startCon = {0x68, 0x04, 0x0B, 0x00, 0x00, 0x00};
    const Octets stopCon = {0x68, 0x04, 0x23, 0x00, 0x00, 0x00};
    const Octets testCon = {0x68, 0x04, 0x83, 0x00, 0x00, 0x00};
    const Octets testAct = {0x68, 0x04, 0x43, 0x00, 0x00, 0x00};
    EXPECT_EQ(Octets(STARTDT_CON_MSG, STARTDT_CON_MSG + 6), startCon);
    EXPECT_EQ(Octets(STOPDT_CON_MSG, STOPDT_CON_MSG + 6), stopCon);
    EXPECT_EQ(Octets(TESTFR_CON_MSG, TESTFR_CON_MSG + 6), testCon);
    EXPECT_EQ(Octets(TESTFR_ACT_MSG, TESTFR_ACT_MSG + 6), testAct);
}

TEST(Cs104ApciFrames, BuildSFrame_ReceiveCount300_WritesNrOctets)
{
    uint8_t out[6] = {};
    CS104_buildSFrame(out, 300);
    const Octets expected = {0x68, 0x04, 0x01, 0x00, 0x58, 0x02};
    EXPECT_EQ(Octets(out, out + 6), expected);
}

TEST(Cs104ApciFrames, WriteIFrameHeader_LargestFrame_LengthOctet254)
{
    uint8_t frame[256] = {};
    CS104_writeIFrameHeader(frame, 256, 32767, 128);
    const Octets expected = {0x68, 0xFE, 0xFE, 0xFF, 0x00, 0x01};
    EXPECT_EQ(Octets(frame, frame + 6), expected);
}

TEST(Cs104ApciFrames, SetASDUOctets_LengthLimits_250AcceptedOthersRefused)
{
    FrameBuffer buffer;
    Octets octets(251, 0x5A);
    EXPECT_TRUE(CS104_setASDUOctets(&buffer, octets.data(), 250));
    EXPECT_EQ(buffer.msgSize, 256);
    EXPECT_EQ(buffer.msg[6], 0x5A);
    EXPECT_EQ(buffer.msg[255], 0x5A);
    EXPECT_FALSE(CS104_setASDUOctets(&buffer, octets.data(), 251));
    EXPECT_FALSE(CS104_setASDUOctets(&buffer, octets.data(), 0));
}

TEST(Cs104ApciFrames, EncodeASDU_ReceivedAsduTooLongForAFrame_Refused)
{
    struct sCS101_AppLayerParameters al = {1, 1, 2, 0, 2, 3};
    Octets received(251, 0x00);
    received[0] = 1;
    CS101_ASDU tooLong = CS101_ASDU_createFromBuffer(&al, received.data(), 251);
    ASSERT_NE(tooLong, nullptr);
    FrameBuffer buffer;
    EXPECT_FALSE(CS104_encodeASDU(&buffer, tooLong));
    CS101_ASDU_destroy(tooLong);

    CS101_ASDU fits = CS101_ASDU_createFromBuffer(&al, received.data(), 250);
    ASSERT_NE(fits, nullptr);
    EXPECT_TRUE(CS104_encodeASDU(&buffer, fits));
    EXPECT_EQ(buffer.msgSize, 256);
    EXPECT_EQ(buffer.msg[6], 1);
    CS101_ASDU_destroy(fits);
}

} // namespace
