// SPDX-License-Identifier: Apache-2.0
/*
 * What a full low-priority queue pushes out: the queue's own count per
 * enqueue, and the slave's totals that the gateway turns into its "events
 * lost" line.
 */
#include "cs104_queues.h"
#include "slave_fixture.h"

#include <gtest/gtest.h>

namespace
{

/* ASDU header octets with a count and a cause (type 30, OA 0, CA 1), no payload. */
qxtest::Octets header(uint8_t count, uint8_t cause)
{
    return {30, count, cause, 0x00, 0x01, 0x00};
}

MessageQueueLoss enqueueCounting(MessageQueue queue, const qxtest::Octets& asdu)
{
    MessageQueueLoss loss = {-1, -1};
    EXPECT_TRUE(MessageQueue_enqueueOctetsCountingLoss(queue, asdu.data(),
                                                       static_cast<int>(asdu.size()), &loss));
    return loss;
}

TEST(MessageQueueLoss, Enqueue_FreeSlotsThenFullRing_CountsEachOverwrittenEntryAndItsEvents)
{
    MessageQueue queue = MessageQueue_create(2);
    ASSERT_NE(queue, nullptr);
    MessageQueueLoss loss = enqueueCounting(queue, header(5, 3));
    EXPECT_EQ(0, loss.entries);
    EXPECT_EQ(0, loss.spontaneousObjects);
    enqueueCounting(queue, header(7, 1));

    /* Ring full: the oldest (5 spontaneous objects) goes. */
    loss = enqueueCounting(queue, header(2, 3));
    EXPECT_EQ(1, loss.entries);
    EXPECT_EQ(5, loss.spontaneousObjects);
    /* Next the periodic one: an entry lost, but no event. */
    loss = enqueueCounting(queue, header(4, 3));
    EXPECT_EQ(1, loss.entries);
    EXPECT_EQ(0, loss.spontaneousObjects);
    MessageQueue_destroy(queue);
}

TEST(MessageQueueLoss, Enqueue_OverSentUnconfirmedEntry_CountsItButNotAConfirmedOne)
{
    MessageQueue queue = MessageQueue_create(2);
    ASSERT_NE(queue, nullptr);
    enqueueCounting(queue, header(3, 3 | 0x40)); /* negative bit: the cause is the six low bits */
    enqueueCounting(queue, header(1, 3));
    uint64_t timestamp = 0;
    int index = -1;
    MessageQueue_lock(queue);
    ASSERT_NE(nullptr, MessageQueue_getNextWaitingASDU(queue, &timestamp, &index));
    MessageQueue_unlock(queue);

    /* Sent but not confirmed: overwriting it still loses it. */
    MessageQueueLoss loss = enqueueCounting(queue, header(1, 3));
    EXPECT_EQ(1, loss.entries);
    EXPECT_EQ(3, loss.spontaneousObjects);

    /* Send and confirm the second entry: its slot is free, nothing is lost. */
    MessageQueue_lock(queue);
    ASSERT_NE(nullptr, MessageQueue_getNextWaitingASDU(queue, &timestamp, &index));
    MessageQueue_unlock(queue);
    MessageQueue_markAsduAsConfirmed(queue, index, timestamp);
    loss = enqueueCounting(queue, header(1, 3));
    EXPECT_EQ(0, loss.entries);
    MessageQueue_destroy(queue);
}

TEST(MessageQueueLoss, Enqueue_RefusedLength_ReportsNoLoss)
{
    MessageQueue queue = MessageQueue_create(1);
    ASSERT_NE(queue, nullptr);
    enqueueCounting(queue, header(1, 3));
    MessageQueueLoss loss = {9, 9};
    uint8_t octet = 0;
    EXPECT_FALSE(MessageQueue_enqueueOctetsCountingLoss(queue, &octet, 0, &loss));
    EXPECT_EQ(0, loss.entries);
    EXPECT_EQ(0, loss.spontaneousObjects);
    /* A one-octet entry (no cause octet) still counts as an entry. */
    EXPECT_TRUE(MessageQueue_enqueueOctets(queue, &octet, 1));
    loss = enqueueCounting(queue, header(1, 3));
    EXPECT_EQ(1, loss.entries);
    EXPECT_EQ(0, loss.spontaneousObjects);
    MessageQueue_destroy(queue);
}

/* An ASDU of count single points with time tags, cause cot, made with the stack's own coding. */
CS101_ASDU eventAsdu(CS104_Slave slave, CS101_CauseOfTransmission cot, int count)
{
    CS101_ASDU asdu =
        CS101_ASDU_create(CS104_Slave_getAppLayerParameters(slave), false, cot, 0, 1, false, false);
    struct sCP56Time2a time = {};
    for (int i = 0; i < count; ++i) {
        SinglePointWithCP56Time2a point =
            SinglePointWithCP56Time2a_create(nullptr, 100 + i, true, IEC60870_QUALITY_GOOD, &time);
        CS101_ASDU_addInformationObject(asdu, reinterpret_cast<InformationObject>(point));
        SinglePointWithCP56Time2a_destroy(point);
    }
    return asdu;
}

class SlaveQueueLoss : public qxtest::SlaveTest
{
};

TEST_F(SlaveQueueLoss, EnqueueBeyondTheSharedQueue_TotalsGrowByTheOverwrittenEntries)
{
    startSlave(CS104_MODE_SINGLE_REDUNDANCY_GROUP, 3, 10);
    CS101_ASDU events = eventAsdu(slave, CS101_COT_SPONTANEOUS, 4);
    CS101_ASDU periodic = eventAsdu(slave, CS101_COT_PERIODIC, 6);
    CS104_Slave_enqueueASDU(slave, events);
    CS104_Slave_enqueueASDU(slave, periodic);
    CS104_Slave_enqueueASDU(slave, events);
    CS104_QueueLosses losses = CS104_Slave_getQueueLosses(slave);
    EXPECT_EQ(0u, losses.asdus);
    EXPECT_EQ(0u, losses.spontaneousObjects);

    CS104_Slave_enqueueASDU(slave, periodic); /* overwrites the first events */
    CS104_Slave_enqueueASDU(slave, periodic); /* overwrites the periodic one */
    losses = CS104_Slave_getQueueLosses(slave);
    EXPECT_EQ(2u, losses.asdus);
    EXPECT_EQ(4u, losses.spontaneousObjects);
    CS101_ASDU_destroy(events);
    CS101_ASDU_destroy(periodic);
}

TEST_F(SlaveQueueLoss, NullSlave_GivesZeros)
{
    CS104_QueueLosses losses = CS104_Slave_getQueueLosses(nullptr);
    EXPECT_EQ(0u, losses.asdus);
    EXPECT_EQ(0u, losses.spontaneousObjects);
}

} // namespace
