// SPDX-License-Identifier: Apache-2.0
/*
 * Commands to the running gateway: single commands, a double command and a
 * clock synchronisation, with the replies compared octet by octet.
 */
#include "gateway_sandbox.h"

#include <ostream>

namespace qxtest
{
namespace
{

class GatewayCommands : public GatewaySandbox
{
  protected:
    void SetUp() override
    {
        GatewaySandbox::SetUp();
        setPeriodic("0"); /* no periodic data between request and reply */
    }

    /* Sends one ASDU and gives the first I frame's ASDU that comes back (empty if none). */
    Octets roundTrip(const Octets& request, int timeoutMs = 2000)
    {
        EXPECT_TRUE(client_.sendAsdu(request));
        std::vector<IFrame> frames;
        client_.collectUntil(
            frames, [](const std::vector<IFrame>& f) { return !f.empty(); }, timeoutMs);
        return frames.empty() ? Octets() : frames.front().asdu();
    }
};

struct CommandCase {
    const char* name;
    Octets request;
    Octets reply;
    const char* console; /* console line expected, or null */
};

/* Shows a case by its name in test listings instead of its raw octets. */
void PrintTo(const CommandCase& c, std::ostream* os)
{
    *os << c.name;
}

class GatewayCommandTable : public GatewayCommands,
                            public ::testing::WithParamInterface<CommandCase>
{
};

TEST_P(GatewayCommandTable, CommandIsMirroredWithExpectedCause)
{
    startGateway();
    connectClient();
    EXPECT_EQ(GetParam().reply, roundTrip(GetParam().request));
    if (GetParam().console != nullptr) {
        EXPECT_TRUE(gateway_.waitFor(GetParam().console, 2000)) << gateway_.transcript();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, GatewayCommandTable,
    ::testing::Values(
        /* C_SC_NA_1, IOA 5000 on, activation -> activation confirmation */
        CommandCase{"Ioa5000On",
                    {0x2D, 0x01, 0x06, 0x00, 0x01, 0x00, 0x88, 0x13, 0x00, 0x01},
                    {0x2D, 0x01, 0x07, 0x00, 0x01, 0x00, 0x88, 0x13, 0x00, 0x01},
                    "IOA: 5000 switch to 1"},
        CommandCase{"Ioa5000Off",
                    {0x2D, 0x01, 0x06, 0x00, 0x01, 0x00, 0x88, 0x13, 0x00, 0x00},
                    {0x2D, 0x01, 0x07, 0x00, 0x01, 0x00, 0x88, 0x13, 0x00, 0x00},
                    "IOA: 5000 switch to 0"},
        /* IOA 5001 -> unknown information object address (47) */
        CommandCase{"Ioa5001",
                    {0x2D, 0x01, 0x06, 0x00, 0x01, 0x00, 0x89, 0x13, 0x00, 0x01},
                    {0x2D, 0x01, 0x2F, 0x00, 0x01, 0x00, 0x89, 0x13, 0x00, 0x01},
                    "received single command"},
        /* deactivation -> unknown cause (45) */
        CommandCase{"Deactivation",
                    {0x2D, 0x01, 0x08, 0x00, 0x01, 0x00, 0x88, 0x13, 0x00, 0x01},
                    {0x2D, 0x01, 0x2D, 0x00, 0x01, 0x00, 0x88, 0x13, 0x00, 0x01},
                    "received single command"},
        /* a single command without its object: no address to confirm (47) */
        CommandCase{"NoObject",
                    {0x2D, 0x01, 0x06, 0x00, 0x01, 0x00},
                    {0x2D, 0x01, 0x2F, 0x00, 0x01, 0x00},
                    "received single command"},
        /* C_DC_NA_1 is not the gateway's: the engine answers unknown type (44) */
        CommandCase{"DoubleCommand",
                    {0x2E, 0x01, 0x06, 0x00, 0x01, 0x00, 0x88, 0x13, 0x00, 0x02},
                    {0x2E, 0x01, 0x2C, 0x00, 0x01, 0x00, 0x88, 0x13, 0x00, 0x02},
                    nullptr}),
    [](const ::testing::TestParamInfo<CommandCase>& info) { return info.param.name; });

TEST_F(GatewayCommands, ClockSync_PrintsTime_AndSendsNoReply)
{
    startGateway();
    connectClient();
    /* 2024-03-05 14:07:09.250: ms 9250 = 22 24, minute 07, hour 0E, day 05, month 03, year 18 */
    const Octets sync = {0x67, 0x01, 0x06, 0x00, 0x01, 0x00, 0x00, 0x00,
                         0x00, 0x22, 0x24, 0x07, 0x0E, 0x05, 0x03, 0x18};
    EXPECT_TRUE(roundTrip(sync, 1500).empty()) << "the clock synchronisation got a reply";
    EXPECT_TRUE(gateway_.waitFor("Process time sync command with time 14:07:09 05/03/2024", 2000))
        << gateway_.transcript();
}

TEST_F(GatewayCommands, NewConnection_IsAnnouncedWithPeerAddress)
{
    startGateway();
    connectClient();
    EXPECT_TRUE(gateway_.waitFor("New connection from 127.0.0.1", 2000)) << gateway_.transcript();
}

} // namespace
} // namespace qxtest
