// SPDX-License-Identifier: Apache-2.0
/*
 * The quiet console (RepeatedLines) on the fake clock: a lasting error is
 * printed once, summed up at most once a minute, and said cleared once.
 */
#include "repeated_lines.h"

#include <gtest/gtest.h>

#include "fakes/fake_clock.h"

namespace
{

const std::string kLocked = "[CSvrWrapper104::UpdDat] db exception: 5 database is locked, sql:x";

class RepeatedLinesTest : public ::testing::Test
{
  protected:
    void SetUp() override { qxfake::clockReset(); }
    RepeatedLines console;
};

TEST_F(RepeatedLinesTest, LastingError_OnceThenOneSummaryAMinuteThenCleared)
{
    EXPECT_EQ(kLocked + "\r\n", console.Round({kLocked + "\r\n"}));
    std::string out;
    /* A scan every 100 ms for two and a half minutes. */
    for (int scan = 1; scan <= 1500; ++scan) {
        qxfake::clockAdvance(100);
        out += console.Round({kLocked + "\r\n"});
    }
    EXPECT_EQ("... 600 more in the last 60 s: " + kLocked + "\r\n" +
                  "... 600 more in the last 60 s: " + kLocked + "\r\n",
              out);
    qxfake::clockAdvance(100);
    EXPECT_EQ("... 300 more in the last 30 s: " + kLocked + "\r\ncleared: " + kLocked + "\r\n",
              console.Round({}));
    EXPECT_EQ(0u, console.Active());
    qxfake::clockAdvance(100);
    EXPECT_EQ(kLocked + "\r\n", console.Round({kLocked})) << "a new occurrence prints again";
}

TEST_F(RepeatedLinesTest, SeveralLines_EachKeptApart_NewLineRepeatedInItsFirstRoundPrintsEachTime)
{
    const std::string a = "error a", b = "error b";
    EXPECT_EQ("error a\r\nerror a\r\n", console.Round({a, a})) << "two tables, one message";
    qxfake::clockAdvance(1000);
    EXPECT_EQ("error b\r\n", console.Round({a, b}));
    qxfake::clockAdvance(500);
    EXPECT_EQ("", console.Round({a, b}));
    qxfake::clockAdvance(500);
    EXPECT_EQ("... 1 more in the last 1 s: error b\r\ncleared: error b\r\n", console.Round({a}));
    EXPECT_EQ(1u, console.Active());
    EXPECT_EQ("", console.Round({a}));
}

} // namespace
