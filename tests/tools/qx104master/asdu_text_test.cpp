// SPDX-License-Identifier: Apache-2.0
#include "asdu_text.h"
#include "fakes/octets.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace
{

/* The station's sizes: type 1, VSQ 1, COT 2 (with originator), CA 2, IOA 3. */
struct sCS101_AppLayerParameters stationSizes = {1, 1, 2, 0, 2, 3};

using qxtest::Octets;

TEST(BuildRequests, StationInterrogationIsTypeHundredWithQualifier20)
{
    EXPECT_EQ((Octets{0x64, 0x01, 0x06, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x14}),
              buildInterrogation(&stationSizes, 6, 0, 1, 20));
}

TEST(BuildRequests, InterrogationCarriesCauseOriginatorAndTwoOctetCommonAddress)
{
    EXPECT_EQ((Octets{0x64, 0x01, 0x08, 0x07, 0x2C, 0x01, 0x00, 0x00, 0x00, 0x15}),
              buildInterrogation(&stationSizes, 8, 7, 300, 21));
}

TEST(BuildRequests, SingleCommandOnForIoa5000)
{
    EXPECT_EQ((Octets{0x2D, 0x01, 0x06, 0x00, 0x01, 0x00, 0x88, 0x13, 0x00, 0x01}),
              buildSingleCommand(&stationSizes, 6, 0, 1, 5000, true));
}

TEST(BuildRequests, SingleCommandOffHasStateBitClear)
{
    EXPECT_EQ((Octets{0x2D, 0x01, 0x06, 0x00, 0x01, 0x00, 0x89, 0x13, 0x00, 0x00}),
              buildSingleCommand(&stationSizes, 6, 0, 1, 5001, false));
}

TEST(BuildRequests, ClockSyncEncodesUtcTimeAsCp56)
{
    /* 2024-03-05 14:07:09.250 UTC: ms 9250 = 0x2422, minute 7, hour 14, day 5, month 3, year 24 */
    EXPECT_EQ((Octets{0x67, 0x01, 0x06, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x22, 0x24, 0x07, 0x0E,
                      0x05, 0x03, 0x18}),
              buildClockSync(&stationSizes, 6, 0, 1, 1709647629250ull));
}

std::string format(const Octets& octets)
{
    return formatAsdu(&stationSizes, octets.data(), static_cast<int>(octets.size()));
}

TEST(FormatAsdu, SinglePointsShowHeaderThenOneLinePerObject)
{
    Octets asdu = {0x01, 0x02, 0x14, 0x02, 0x01, 0x00, 0x01,
                   0x00, 0x00, 0x01, 0x1D, 0x00, 0x00, 0x80};
    EXPECT_EQ("ASDU M_SP_NA_1(1) cause INTERROGATED_BY_STATION(20) oa 2 ca 1 objects 2\n"
              "  IOA 1: value 1 quality 0x00\n"
              "  IOA 29: value 0 quality 0x80\n",
              format(asdu));
}

TEST(FormatAsdu, ShortFloatsShowValueAndThreeOctetAddress)
{
    Octets asdu = {0x0D, 0x02, 0x01, 0x02, 0x01, 0x00, 0x81, 0x40, 0x00, 0x00, 0x00,
                   0x48, 0x41, 0x00, 0x18, 0x45, 0x00, 0x00, 0x00, 0xC0, 0xBF, 0x10};
    EXPECT_EQ("ASDU M_ME_NC_1(13) cause PERIODIC(1) oa 2 ca 1 objects 2\n"
              "  IOA 16513: value 12.5 quality 0x00\n"
              "  IOA 17688: value -1.5 quality 0x10\n",
              format(asdu));
}

TEST(FormatAsdu, NegativeConfirmationIsMarked)
{
    Octets asdu = {0x64, 0x01, 0x47, 0x02, 0x01, 0x00, 0x00, 0x00, 0x00, 0x15};
    EXPECT_EQ("ASDU C_IC_NA_1(100) cause ACTIVATION_CON(7) negative oa 2 ca 1 objects 1\n"
              "  IOA 0: qoi 21\n",
              format(asdu));
}

TEST(FormatAsdu, MirroredCommandShowsStateAndUnknownIoaCause)
{
    Octets asdu = {0x2D, 0x01, 0x2F, 0x00, 0x01, 0x00, 0x89, 0x13, 0x00, 0x81};
    EXPECT_EQ(
        "ASDU C_SC_NA_1(45) cause UNKNOWN_INFORMATION_OBJECT_ADDRESS(47) oa 0 ca 1 objects 1\n"
        "  IOA 5001: state 1 select 1 qu 0\n",
        format(asdu));
}

TEST(FormatAsdu, ClockSyncShowsDateAndTime)
{
    Octets asdu = {0x67, 0x01, 0x07, 0x00, 0x01, 0x00, 0x00, 0x00,
                   0x00, 0x22, 0x24, 0x07, 0x0E, 0x05, 0x03, 0x18};
    EXPECT_EQ("ASDU C_CS_NA_1(103) cause ACTIVATION_CON(7) oa 0 ca 1 objects 1\n"
              "  IOA 0: time 14:07:09.250 05/03/2024\n",
              format(asdu));
}

TEST(FormatAsdu, CountBeyondPayloadStopsAndDumpsPayload)
{
    /* Two objects announced, one present: the second must not be read. */
    Octets asdu = {0x01, 0x02, 0x03, 0x00, 0x01, 0x00, 0x05, 0x00, 0x00, 0x01};
    EXPECT_EQ("ASDU M_SP_NA_1(1) cause SPONTANEOUS(3) oa 0 ca 1 objects 2\n"
              "  IOA 5: value 1 quality 0x00\n"
              "  (not decoded)\n"
              "  payload 05 00 00 01\n",
              format(asdu));
}

TEST(FormatAsdu, ShorterThanHeaderIsShownInHex)
{
    EXPECT_EQ("ASDU too short: 01 01 14\n", format(Octets{0x01, 0x01, 0x14}));
}

} // namespace
