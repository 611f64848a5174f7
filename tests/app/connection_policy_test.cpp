// SPDX-License-Identifier: Apache-2.0
/*
 * ConnectionPolicy: the keys AllowedMasters, MaxMasters and BindAddress as
 * read from qxSvr.ini, and the allow-list decisions.
 */
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "connection_policy.h"
#include "SimpleIni.h"
#include "fakes/file_helpers.h"

namespace
{

/* A policy loaded from the given lines of section Svr104. */
bool LoadFrom(const std::string& lines, ConnectionPolicy& policy, std::string* error)
{
    const std::string path = qxtest::testPath("connection_policy.ini");
    std::ofstream(path, std::ios::trunc) << "[Svr104]\n" << lines;
    SimpleIni ini("");
    ini.Load(path);
    return policy.Load(ini, error);
}

TEST(ConnectionPolicy, KeysMissingOrEmpty_EveryoneNoLimitEveryInterface)
{
    for (const char* lines : {"", "AllowedMasters=\nMaxMasters=\nBindAddress=\n"}) {
        ConnectionPolicy p;
        std::string error;
        ASSERT_TRUE(LoadFrom(lines, p, &error)) << error;
        EXPECT_TRUE(p.Allows("10.1.2.3"));
        EXPECT_TRUE(p.Allows("127.0.0.1"));
        EXPECT_EQ(p.MaxMasters(), 0);
        EXPECT_EQ(p.BindAddress(), "0.0.0.0");
    }
}

TEST(ConnectionPolicy, AllowList_AddressesAndRangesDecide)
{
    ConnectionPolicy p;
    std::string error;
    ASSERT_TRUE(LoadFrom("AllowedMasters= 127.0.0.2 ,10.0.0.0/8,192.168.7.129/25, 0.0.0.0/32\n"
                         "MaxMasters=3\nBindAddress=127.0.0.5\n",
                         p, &error))
        << error;
    EXPECT_TRUE(p.Allows("127.0.0.2"));
    EXPECT_FALSE(p.Allows("127.0.0.3"));
    EXPECT_TRUE(p.Allows("10.255.0.1"));
    EXPECT_FALSE(p.Allows("11.0.0.1"));
    EXPECT_TRUE(p.Allows("192.168.7.128")) << "host bits of a range are ignored";
    EXPECT_TRUE(p.Allows("192.168.7.255"));
    EXPECT_FALSE(p.Allows("192.168.7.127"));
    EXPECT_FALSE(p.Allows("not an address"));
    EXPECT_FALSE(p.Allows(nullptr));
    EXPECT_EQ(p.MaxMasters(), 3);
    EXPECT_EQ(p.BindAddress(), "127.0.0.5");

    ConnectionPolicy all;
    ASSERT_TRUE(LoadFrom("AllowedMasters=0.0.0.0/0\n", all, &error));
    EXPECT_TRUE(all.Allows("203.0.113.9"));
}

TEST(ConnectionPolicy, BadValues_RefusedWithKeyAndValue)
{
    const char* const cases[][2] = {
        {"AllowedMasters=127.0.0.300\n", "AllowedMasters=127.0.0.300"},
        {"AllowedMasters=10.0.0.0/33\n", "AllowedMasters=10.0.0.0/33"},
        {"AllowedMasters=10.0.0.1,\n", "AllowedMasters=10.0.0.1,"},
        {"AllowedMasters=10.0.0.0/\n", "AllowedMasters=10.0.0.0/"},
        {"AllowedMasters=10.0.0.0/-1\n", "AllowedMasters=10.0.0.0/-1"},
        {"AllowedMasters=master.example\n", "AllowedMasters=master.example"},
        {"AllowedMasters=10.1\n", "AllowedMasters=10.1"},
        {"MaxMasters=0\n", "MaxMasters=0"},
        {"MaxMasters=-2\n", "MaxMasters=-2"},
        {"MaxMasters=4x\n", "MaxMasters=4x"},
        {"MaxMasters=99999999999\n", "MaxMasters=99999999999"},
        {"BindAddress=localhost\n", "BindAddress=localhost"},
    };
    for (const auto& c : cases) {
        ConnectionPolicy p;
        std::string error;
        EXPECT_FALSE(LoadFrom(c[0], p, &error)) << c[0];
        EXPECT_EQ(error, c[1]);
        EXPECT_TRUE(p.Allows("1.2.3.4")) << "a failed load keeps the open default";
    }
}

} // namespace
