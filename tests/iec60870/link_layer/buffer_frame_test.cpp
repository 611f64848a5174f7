// SPDX-License-Identifier: Apache-2.0
/*
 * BufferFrame, used through the generic Frame operations as encoders do.
 */
#include "buffer_frame.h"
#include "frame.h"

#include "fakes/octets.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace
{

using qxtest::Octets;

/* A frame over a buffer pre-filled with 0xEE, so untouched octets are visible. */
struct FrameFixture : ::testing::Test {
    uint8_t buffer[BUFFER_FRAME_CAPACITY + 16];
    struct sBufferFrame storage;
    Frame frame = nullptr;

    void SetUp() override
    {
        memset(buffer, 0xEE, sizeof(buffer));
        frame = BufferFrame_initialize(&storage, buffer, 6);
    }
};

} // namespace

TEST_F(FrameFixture, Initialize_StartSizeSix_ReservesHeaderAndReportsSix)
{
    EXPECT_EQ(static_cast<void*>(frame), static_cast<void*>(&storage));
    EXPECT_EQ(Frame_getMsgSize(frame), 6);
    EXPECT_EQ(Frame_getBuffer(frame), buffer);
    EXPECT_EQ(Frame_getSpaceLeft(frame), 250);
    EXPECT_FALSE(BufferFrame_isUsed(&storage));
}

TEST_F(FrameFixture, SetNextByteThenAppend_WritesAfterHeaderInOrder)
{
    const uint8_t run[3] = {0x14, 0x00, 0x01};
    Frame_setNextByte(frame, 0x64);
    Frame_appendBytes(frame, run, 3);

    EXPECT_EQ(Frame_getMsgSize(frame), 10);
    EXPECT_EQ(Frame_getSpaceLeft(frame), 246);
    const uint8_t expected[12] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE,
                                  0x64, 0x14, 0x00, 0x01, 0xEE, 0xEE};
    EXPECT_EQ(0, memcmp(buffer, expected, sizeof(expected)));
}

TEST_F(FrameFixture, ResetFrame_BackToStartSizeBufferUntouched)
{
    const uint8_t run[4] = {1, 2, 3, 4};
    Frame_appendBytes(frame, run, 4);
    Frame_resetFrame(frame);
    EXPECT_EQ(Frame_getMsgSize(frame), 6);
    EXPECT_EQ(buffer[6], 1);
    EXPECT_EQ(buffer[9], 4);
    Frame_setNextByte(frame, 0x99); /* writing starts over after the header */
    EXPECT_EQ(buffer[6], 0x99);
    EXPECT_EQ(buffer[7], 2);
    EXPECT_EQ(Frame_getMsgSize(frame), 7);
}

TEST_F(FrameFixture, AppendZeroOrNegativeCount_ChangesNothing)
{
    const uint8_t run[1] = {0x42};
    Frame_appendBytes(frame, run, 0);
    Frame_appendBytes(frame, run, -3);
    EXPECT_EQ(Frame_getMsgSize(frame), 6);
    EXPECT_EQ(buffer[6], 0xEE);
}

TEST_F(FrameFixture, MarkAsUsedThenDestroy_FlagFollowsAndFrameStaysIntact)
{
    BufferFrame_markAsUsed(&storage);
    EXPECT_TRUE(BufferFrame_isUsed(&storage));
    Frame_setNextByte(frame, 0x01);
    Frame_destroy(frame);
    EXPECT_FALSE(BufferFrame_isUsed(&storage));
    EXPECT_EQ(buffer[6], 0x01); /* destroy frees and clears nothing */
}

TEST_F(FrameFixture, WritesBeyondCapacity_AreDroppedWithoutTouchingMemory)
{
    Octets body(BUFFER_FRAME_CAPACITY - 6 - 1, 0x11);
    Frame_appendBytes(frame, body.data(), static_cast<int>(body.size()));
    EXPECT_EQ(Frame_getSpaceLeft(frame), 1);

    const uint8_t two[2] = {0x22, 0x22};
    Frame_appendBytes(frame, two, 2); /* does not fit: dropped whole */
    EXPECT_EQ(Frame_getMsgSize(frame), BUFFER_FRAME_CAPACITY - 1);
    EXPECT_EQ(buffer[BUFFER_FRAME_CAPACITY - 1], 0xEE);

    Frame_setNextByte(frame, 0x33); /* the last octet still fits */
    Frame_setNextByte(frame, 0x44); /* this one does not */
    EXPECT_EQ(Frame_getMsgSize(frame), BUFFER_FRAME_CAPACITY);
    EXPECT_EQ(Frame_getSpaceLeft(frame), 0);
    EXPECT_EQ(buffer[BUFFER_FRAME_CAPACITY - 1], 0x33);
    for (size_t i = BUFFER_FRAME_CAPACITY; i < sizeof(buffer); i++)
        EXPECT_EQ(buffer[i], 0xEE) << "octet " << i;
}

TEST(BufferFrameInitialize, StartSizeZero_WritesFromFirstOctet)
{
    uint8_t buffer[BUFFER_FRAME_CAPACITY] = {};
    struct sBufferFrame storage;
    Frame frame = BufferFrame_initialize(&storage, buffer, 0);
    Frame_setNextByte(frame, 0x68);
    EXPECT_EQ(buffer[0], 0x68);
    EXPECT_EQ(Frame_getMsgSize(frame), 1);
    EXPECT_EQ(Frame_getSpaceLeft(frame), BUFFER_FRAME_CAPACITY - 1);
}
