// SPDX-License-Identifier: Apache-2.0
/*
 * The dissector helper itself (fakes/dissector.h) on hand-made exchanges:
 * what the gateway tests rely on must be able to fail.
 */
#include "fakes/dissector.h"

#include <gtest/gtest.h>

namespace qxtest
{
namespace
{

const Octets kActCon = interrogationAsdu(0x47, 20, 5);
/* M_ME_NC_1, cause 20, IOA 0x4001 = 230.5 */
const Octets kFloat = asdu(13, 0x01, 0x14, 1, {0x01, 0x40, 0x00, 0x00, 0x80, 0x66, 0x43, 0x00}, 2);

Capture startedExchange()
{
    return {{true, uFrame(U_STARTDT_ACT)},
            {false, uFrame(U_STARTDT_CON)},
            {true, iFrame(0, 0, interrogationAsdu(0x06, 20, 5))},
            {false, iFrame(0, 1, kActCon)},
            {false, iFrame(1, 1, kFloat)},
            {true, sFrame(2)}};
}

TEST(Dissector, CleanExchange_FieldsAsWritten)
{
    Dissection d = dissect(startedExchange(), QX_TEST_TMPDIR);
    ASSERT_TRUE(d.ok()) << d.error;
    EXPECT_EQ("", d.badness);
    ASSERT_EQ(6u, d.frames.size());
    EXPECT_EQ('U', d.frames[1].kind);
    EXPECT_EQ(2, d.frames[1].uFunction);
    EXPECT_FALSE(d.frames[1].fromMaster);
    const DissectedFrame& con = d.frames[3];
    EXPECT_EQ('I', con.kind);
    EXPECT_EQ(100, con.typeId);
    EXPECT_EQ(7, con.cause);
    EXPECT_EQ(1, con.negative);
    EXPECT_EQ(5, con.commonAddress);
    EXPECT_EQ(20, con.qoi);
    EXPECT_EQ(1, con.nr);
    const DissectedFrame& value = d.frames[4];
    EXPECT_EQ(1, value.ns);
    EXPECT_EQ(std::vector<long>{0x4001}, value.ioas);
    ASSERT_EQ(1u, value.floats.size());
    EXPECT_DOUBLE_EQ(230.5, value.floats[0]);
    EXPECT_EQ(2, value.originator);
    EXPECT_EQ('S', d.frames[5].kind);
    EXPECT_TRUE(linkRuleViolations(d.frames, 12).empty());
}

TEST(Dissector, TruncatedObject_ReportedAsMalformed)
{
    Capture capture = startedExchange();
    capture.push_back({false, iFrame(2, 1, asdu(13, 0x01, 0x14, 1, {0x01, 0x40}))});
    Dissection d = dissect(capture, QX_TEST_TMPDIR);
    ASSERT_TRUE(d.ok()) << d.error;
    EXPECT_NE("", d.badness);
}

TEST(Dissector, LinkRules_GapEarlyFrameAndWindowFound)
{
    Capture capture = {{false, iFrame(0, 0, kFloat)}, /* before STARTDT con */
                       {true, uFrame(U_STARTDT_ACT)},
                       {false, uFrame(U_STARTDT_CON)},
                       {false, iFrame(2, 0, kFloat)}, /* N(S) 1 missing */
                       {false, iFrame(3, 0, kFloat)}};
    Dissection d = dissect(capture, QX_TEST_TMPDIR);
    ASSERT_TRUE(d.ok()) << d.error;
    std::vector<std::string> violations = linkRuleViolations(d.frames, 3);
    ASSERT_EQ(3u, violations.size());
    EXPECT_NE(std::string::npos, violations[0].find("outside started"));
    EXPECT_NE(std::string::npos, violations[1].find("N(S) 2 instead of 1"));
    EXPECT_NE(std::string::npos, violations[2].find("4 I frames unacknowledged"));
}

} // namespace
} // namespace qxtest
