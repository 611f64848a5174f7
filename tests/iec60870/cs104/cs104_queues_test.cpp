// SPDX-License-Identifier: Apache-2.0
/*
 * Ring semantics of the low-priority MessageQueue and the FIFO of the
 * HighPriorityASDUQueue, driven with hand-made ASDU octets.
 */
#include "cs104_queues.h"

#include "fakes/octets.h"

#include <gtest/gtest.h>

#include <vector>

namespace
{

using qxtest::Octets;

/* A one-octet stand-in ASDU whose value identifies the entry. */
void enqueue(MessageQueue queue, uint8_t tag)
{
    ASSERT_TRUE(MessageQueue_enqueueOctets(queue, &tag, 1));
}

struct Sent {
    uint8_t tag;
    uint64_t timestamp;
    int index;
};

/* Takes the next waiting entry as sender would (null: anonymous); tag 0 when none. */
Sent takeNext(MessageQueue queue, const void* sender = nullptr)
{
    Sent sent = {0, 0, -1};
    MessageQueue_lock(queue);
    FrameBuffer* buffer =
        sender == nullptr
            ? MessageQueue_getNextWaitingASDU(queue, &sent.timestamp, &sent.index)
            : MessageQueue_getNextWaitingASDUBy(queue, sender, &sent.timestamp, &sent.index);
    if (buffer != nullptr) {
        EXPECT_EQ(buffer->msgSize, 7);
        sent.tag = buffer->msg[6];
    }
    MessageQueue_unlock(queue);
    return sent;
}

class MessageQueueTest : public ::testing::Test
{
  protected:
    void TearDown() override { MessageQueue_destroy(queue); }
    MessageQueue queue = nullptr;
};

TEST_F(MessageQueueTest, Enqueue_FourIntoSizeThree_OldestOverwritten)
{
    queue = MessageQueue_create(3);
    for (uint8_t tag = 1; tag <= 4; tag++)
        enqueue(queue, tag);
    EXPECT_EQ(queue->entryCounter, 3);
    EXPECT_EQ(queue->firstMsgIndex, 1);
    EXPECT_EQ(queue->lastMsgIndex, 0);
    EXPECT_EQ(takeNext(queue).tag, 2);
    EXPECT_EQ(takeNext(queue).tag, 3);
    EXPECT_EQ(takeNext(queue).tag, 4);
    EXPECT_EQ(takeNext(queue).tag, 0);
}

TEST_F(MessageQueueTest, Confirm_MiddleOfFiveSent_FreesItAndAllBefore)
{
    queue = MessageQueue_create(8);
    std::vector<Sent> sent;
    for (uint8_t tag = 1; tag <= 5; tag++) {
        enqueue(queue, tag);
        sent.push_back(takeNext(queue));
        ASSERT_EQ(sent.back().tag, tag);
    }
    MessageQueue_markAsduAsConfirmed(queue, sent[2].index, sent[2].timestamp);
    EXPECT_EQ(queue->entryCounter, 2);
    EXPECT_EQ(queue->firstMsgIndex, 3);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(queue->asdus[i].state, QUEUE_ENTRY_STATE_NOT_USED) << i;

    MessageQueue_markAsduAsConfirmed(queue, sent[4].index, sent[4].timestamp);
    EXPECT_EQ(queue->entryCounter, 0);
    EXPECT_EQ(queue->firstMsgIndex, -1);
    EXPECT_EQ(queue->lastMsgIndex, -1);
    EXPECT_FALSE(MessageQueue_isAsduAvailable(queue));

    enqueue(queue, 9);
    EXPECT_EQ(queue->lastMsgIndex, 0);
    EXPECT_EQ(takeNext(queue).tag, 9);
}

TEST_F(MessageQueueTest, Confirm_EntriesOfAnotherSenderBefore_StaySent)
{
    // Connection A sent 1 and 2, then B took over and sent 3.
    const int a = 0, b = 0;
    queue = MessageQueue_create(8);
    for (uint8_t tag = 1; tag <= 3; tag++)
        enqueue(queue, tag);
    Sent one = takeNext(queue, &a);
    Sent two = takeNext(queue, &a);
    Sent three = takeNext(queue, &b);
    MessageQueue_markAsduAsConfirmed(queue, three.index, three.timestamp);
    EXPECT_EQ(queue->entryCounter, 2);
    EXPECT_EQ(queue->asdus[one.index].state, QUEUE_ENTRY_STATE_SENT_BUT_NOT_CONFIRMED);
    EXPECT_EQ(queue->asdus[two.index].state, QUEUE_ENTRY_STATE_SENT_BUT_NOT_CONFIRMED);
    // A's own confirmation of 2 still releases 1 with it.
    MessageQueue_markAsduAsConfirmed(queue, two.index, two.timestamp);
    EXPECT_EQ(queue->entryCounter, 0);
    EXPECT_EQ(queue->firstMsgIndex, -1);
}

TEST_F(MessageQueueTest, Confirm_NewestOutOfOrder_NextEntryTakesItsSlotNotTheOldest)
{
    const int a = 0, b = 0;
    queue = MessageQueue_create(3);
    for (uint8_t tag = 1; tag <= 3; tag++)
        enqueue(queue, tag);
    Sent one = takeNext(queue, &a);
    Sent two = takeNext(queue, &a);
    Sent three = takeNext(queue, &b);
    MessageQueue_markAsduAsConfirmed(queue, three.index, three.timestamp);
    EXPECT_EQ(queue->lastMsgIndex, two.index);
    enqueue(queue, 4); // the slot of 3 is free: 1 must survive
    EXPECT_EQ(queue->entryCounter, 3);
    MessageQueue_markAsduAsWaiting(queue, one.index, one.timestamp);
    MessageQueue_markAsduAsWaiting(queue, two.index, two.timestamp);
    EXPECT_EQ(takeNext(queue).tag, 1);
    EXPECT_EQ(takeNext(queue).tag, 2);
    EXPECT_EQ(takeNext(queue).tag, 4);
}

TEST_F(MessageQueueTest, Confirm_TimestampMismatchOrBadIndex_FreesNothing)
{
    queue = MessageQueue_create(4);
    enqueue(queue, 1);
    Sent sent = takeNext(queue);
    MessageQueue_markAsduAsConfirmed(queue, sent.index, sent.timestamp + 1);
    MessageQueue_markAsduAsConfirmed(queue, -1, sent.timestamp);
    MessageQueue_markAsduAsConfirmed(queue, 4, sent.timestamp);
    EXPECT_EQ(queue->entryCounter, 1);
    EXPECT_EQ(queue->asdus[sent.index].state, QUEUE_ENTRY_STATE_SENT_BUT_NOT_CONFIRMED);
}

TEST_F(MessageQueueTest, Confirm_SlotOverwrittenSinceSent_FreesNothing)
{
    queue = MessageQueue_create(2);
    enqueue(queue, 1);
    Sent first = takeNext(queue);
    enqueue(queue, 2);
    enqueue(queue, 3); // overwrites the sent entry 1 within the same millisecond
    MessageQueue_markAsduAsConfirmed(queue, first.index, first.timestamp);
    EXPECT_EQ(queue->entryCounter, 2);
    EXPECT_EQ(takeNext(queue).tag, 2);
    EXPECT_EQ(takeNext(queue).tag, 3);
}

TEST_F(MessageQueueTest, GetNext_AllSent_NullAfterOneTurnButStillAvailable)
{
    queue = MessageQueue_create(3);
    for (uint8_t tag = 1; tag <= 3; tag++) {
        enqueue(queue, tag);
        takeNext(queue);
    }
    EXPECT_EQ(takeNext(queue).tag, 0);
    EXPECT_TRUE(MessageQueue_isAsduAvailable(queue));
}

TEST_F(MessageQueueTest, MarkAsWaiting_SentEntry_IsSentAgain)
{
    queue = MessageQueue_create(4);
    enqueue(queue, 1);
    enqueue(queue, 2);
    Sent one = takeNext(queue);
    Sent two = takeNext(queue);
    MessageQueue_markAsduAsWaiting(queue, one.index, one.timestamp);
    MessageQueue_markAsduAsWaiting(queue, two.index, two.timestamp + 7); // stale: ignored
    EXPECT_EQ(takeNext(queue).tag, 1);
    EXPECT_EQ(takeNext(queue).tag, 0);
}

TEST_F(MessageQueueTest, OutOfOrderConfirm_AfterReturnToWaiting_NoEntryIsStranded)
{
    // Entries 1, 2 sent on a connection that closed (back to waiting); a later
    // connection sent 3, 4 first and confirms them; then 5 and 6 arrive.
    queue = MessageQueue_create(8);
    for (uint8_t tag = 1; tag <= 4; tag++)
        enqueue(queue, tag);
    Sent one = takeNext(queue);
    Sent two = takeNext(queue);
    Sent three = takeNext(queue);
    Sent four = takeNext(queue);
    MessageQueue_markAsduAsWaiting(queue, one.index, one.timestamp);
    MessageQueue_markAsduAsWaiting(queue, two.index, two.timestamp);
    MessageQueue_markAsduAsConfirmed(queue, four.index, four.timestamp);
    EXPECT_EQ(queue->asdus[three.index].state, QUEUE_ENTRY_STATE_NOT_USED);
    EXPECT_EQ(queue->entryCounter, 2);

    Sent again1 = takeNext(queue);
    Sent again2 = takeNext(queue);
    EXPECT_EQ(again1.tag, 1);
    EXPECT_EQ(again2.tag, 2);
    MessageQueue_markAsduAsConfirmed(queue, again2.index, again2.timestamp);
    EXPECT_EQ(queue->entryCounter, 0);

    enqueue(queue, 5);
    enqueue(queue, 6);
    EXPECT_EQ(takeNext(queue).tag, 5);
    EXPECT_EQ(takeNext(queue).tag, 6);
}

TEST_F(MessageQueueTest, HoleInTheRing_WaitingEntriesBeyondIt_AreFound)
{
    queue = MessageQueue_create(8);
    for (uint8_t tag = 1; tag <= 3; tag++)
        enqueue(queue, tag);
    Sent one = takeNext(queue);
    Sent two = takeNext(queue);
    Sent three = takeNext(queue);
    MessageQueue_markAsduAsWaiting(queue, one.index, one.timestamp);
    MessageQueue_markAsduAsConfirmed(queue, three.index, three.timestamp); // frees 3 and 2
    (void)two;
    enqueue(queue, 4);
    EXPECT_EQ(takeNext(queue).tag, 1);
    EXPECT_EQ(takeNext(queue).tag, 4);
    EXPECT_EQ(queue->entryCounter, 2);
}

TEST_F(MessageQueueTest, Timestamps_SameMillisecond_AreUniqueAndIncreasing)
{
    queue = MessageQueue_create(16);
    for (uint8_t tag = 1; tag <= 10; tag++)
        enqueue(queue, tag);
    for (int i = 1; i < 10; i++)
        EXPECT_GT(queue->asdus[i].entryTimestamp, queue->asdus[i - 1].entryTimestamp);
}

TEST_F(MessageQueueTest, EnqueueOctets_TooLongOrEmpty_Refused)
{
    queue = MessageQueue_create(2);
    Octets octets(251, 1);
    EXPECT_FALSE(MessageQueue_enqueueOctets(queue, octets.data(), 251));
    EXPECT_FALSE(MessageQueue_enqueueOctets(queue, octets.data(), 0));
    EXPECT_EQ(queue->entryCounter, 0);
    EXPECT_TRUE(MessageQueue_enqueueOctets(queue, octets.data(), 250));
}

TEST_F(MessageQueueTest, ReleaseAll_WithEntries_Empties)
{
    queue = MessageQueue_create(3);
    enqueue(queue, 1);
    takeNext(queue);
    enqueue(queue, 2);
    MessageQueue_releaseAllQueuedASDUs(queue);
    EXPECT_FALSE(MessageQueue_isAsduAvailable(queue));
    EXPECT_EQ(takeNext(queue).tag, 0);
}

/* ---------------------------------------------------- high-priority queue */

FrameBuffer frameWithTag(uint8_t tag)
{
    FrameBuffer frame;
    EXPECT_TRUE(CS104_setASDUOctets(&frame, &tag, 1));
    return frame;
}

uint8_t takeHigh(HighPriorityASDUQueue queue)
{
    FrameBuffer next;
    return HighPriorityASDUQueue_takeNext(queue, &next) ? next.msg[6] : 0;
}

TEST(HighPriorityQueue, Enqueue_WhenFull_RefusedAndContentsKept)
{
    HighPriorityASDUQueue queue = HighPriorityASDUQueue_create(2);
    FrameBuffer a = frameWithTag(1), b = frameWithTag(2), c = frameWithTag(3);
    EXPECT_TRUE(HighPriorityASDUQueue_enqueueFrame(queue, &a));
    EXPECT_TRUE(HighPriorityASDUQueue_enqueueFrame(queue, &b));
    EXPECT_FALSE(HighPriorityASDUQueue_enqueueFrame(queue, &c));
    EXPECT_EQ(takeHigh(queue), 1);
    EXPECT_TRUE(HighPriorityASDUQueue_enqueueFrame(queue, &c)); // room again
    EXPECT_EQ(takeHigh(queue), 2);
    EXPECT_EQ(takeHigh(queue), 3);
    EXPECT_EQ(takeHigh(queue), 0);
    EXPECT_FALSE(HighPriorityASDUQueue_isAsduAvailable(queue));
    HighPriorityASDUQueue_destroy(queue);
}

TEST(HighPriorityQueue, Reset_WithEntries_DiscardsAll)
{
    HighPriorityASDUQueue queue = HighPriorityASDUQueue_create(4);
    FrameBuffer a = frameWithTag(1);
    HighPriorityASDUQueue_enqueueFrame(queue, &a);
    HighPriorityASDUQueue_enqueueFrame(queue, &a);
    HighPriorityASDUQueue_resetConnectionQueue(queue);
    EXPECT_FALSE(HighPriorityASDUQueue_isAsduAvailable(queue));
    EXPECT_EQ(takeHigh(queue), 0);
    FrameBuffer b = frameWithTag(2);
    EXPECT_TRUE(HighPriorityASDUQueue_enqueueFrame(queue, &b));
    EXPECT_EQ(takeHigh(queue), 2);
    HighPriorityASDUQueue_destroy(queue);
}

bool isOddTag(const FrameBuffer* entry, void*)
{
    return entry->msg[6] % 2 == 1;
}

TEST(HighPriorityQueue, RemoveMatching_AcrossTheWrap_KeepsTheOthersInOrder)
{
    HighPriorityASDUQueue queue = HighPriorityASDUQueue_create(4);
    FrameBuffer frames[7];
    for (uint8_t tag = 1; tag <= 7; tag++)
        frames[tag - 1] = frameWithTag(tag);
    /* Move the ring so that the entries 3..6 wrap past the last slot. */
    HighPriorityASDUQueue_enqueueFrame(queue, &frames[0]);
    HighPriorityASDUQueue_enqueueFrame(queue, &frames[1]);
    EXPECT_EQ(takeHigh(queue), 1);
    EXPECT_EQ(takeHigh(queue), 2);
    for (int i = 2; i < 6; i++)
        ASSERT_TRUE(HighPriorityASDUQueue_enqueueFrame(queue, &frames[i]));
    EXPECT_EQ(HighPriorityASDUQueue_removeMatching(queue, isOddTag, nullptr), 2);
    /* Room again for two more, behind the kept ones. */
    EXPECT_TRUE(HighPriorityASDUQueue_enqueueFrame(queue, &frames[6]));
    EXPECT_EQ(takeHigh(queue), 4);
    EXPECT_EQ(takeHigh(queue), 6);
    EXPECT_EQ(takeHigh(queue), 7);
    EXPECT_EQ(takeHigh(queue), 0);
    HighPriorityASDUQueue_destroy(queue);
}

TEST(HighPriorityQueue, RemoveMatching_AllOrNone)
{
    HighPriorityASDUQueue queue = HighPriorityASDUQueue_create(3);
    FrameBuffer a = frameWithTag(1), b = frameWithTag(3), c = frameWithTag(2);
    HighPriorityASDUQueue_enqueueFrame(queue, &a);
    HighPriorityASDUQueue_enqueueFrame(queue, &b);
    EXPECT_EQ(HighPriorityASDUQueue_removeMatching(queue, nullptr, nullptr), 0);
    EXPECT_EQ(HighPriorityASDUQueue_removeMatching(queue, isOddTag, nullptr), 2);
    EXPECT_FALSE(HighPriorityASDUQueue_isAsduAvailable(queue));
    EXPECT_EQ(HighPriorityASDUQueue_removeMatching(queue, isOddTag, nullptr), 0);
    EXPECT_TRUE(HighPriorityASDUQueue_enqueueFrame(queue, &c));
    EXPECT_EQ(takeHigh(queue), 2);
    HighPriorityASDUQueue_destroy(queue);
}

} // namespace

namespace
{

TEST(HighPriorityQueue, ThousandsOfEntries_AllKeptInOrderUpToTheBound)
{
    const int bound = 3000;
    HighPriorityASDUQueue queue = HighPriorityASDUQueue_create(bound);
    ASSERT_NE(queue, nullptr);
    for (int round = 0; round < 2; round++) { // the emptied queue fills again
        for (int i = 0; i < bound; i++) {
            FrameBuffer frame = frameWithTag(static_cast<uint8_t>(i % 251));
            ASSERT_TRUE(HighPriorityASDUQueue_enqueueFrame(queue, &frame)) << i;
        }
        FrameBuffer extra = frameWithTag(0);
        EXPECT_FALSE(HighPriorityASDUQueue_enqueueFrame(queue, &extra)) << "beyond the bound";
        EXPECT_EQ(HighPriorityASDUQueue_count(queue), bound);
        for (int i = 0; i < bound; i++)
            ASSERT_EQ(takeHigh(queue), i % 251) << i;
        EXPECT_EQ(HighPriorityASDUQueue_count(queue), 0);
    }
    HighPriorityASDUQueue_destroy(queue);
}

} // namespace
