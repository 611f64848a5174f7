// SPDX-License-Identifier: Apache-2.0
/*
 * The TLS keys and the listening ports (tls_settings.h), one table of
 * cases; the gateway's TLS lines, the refusal of files it cannot use, and
 * the daily check of the main loop (gateway_tls.h).
 */
#include "gateway_tls.h"
#include "tls_settings.h"

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>

namespace
{

SimpleIni IniOf(const std::string& svr104Lines)
{
    const std::string path = std::string(QX_TEST_TMPDIR) + "/tls_settings.ini";
    std::ofstream(path, std::ios::trunc) << "[Svr104]\n" << svr104Lines;
    return SimpleIni(path);
}

const char* const kTlsOn = "TlsCert=s.pem\nTlsKey=s.key\nTlsCa=ca.pem\n";

struct Case {
    std::string lines;
    bool valid;
    std::string problem; /* ConfigProblem::Text when not valid */
    bool enabled;
    int tlsPort;
    int plainPort;
    int minVersion;
};

TEST(TlsSettings, EachKeyReadWithItsCheck)
{
    const std::string on = kTlsOn;
    const Case cases[] = {
        {"", true, "", false, 19998, 2404, 12},
        {"PlainPort=2405\n", true, "", false, 19998, 2405, 12},
        {on, true, "", true, 19998, 0, 12},
        {on + "PlainPort=2404\nTlsPort=3000\nTlsMinVersion=1.3\n", true, "", true, 3000, 2404, 13},
        {on + "PlainPort=0\n", true, "", true, 19998, 0, 12},
        {on + "TlsPort=\nTlsMinVersion=\n", true, "", true, 19998, 0, 12},
        {"TlsCert=s.pem\n", false, "[Svr104] TlsCert=s.pem: without TlsKey", false, 19998, 2404,
         12},
        {"TlsKey=s.key\nTlsCa=ca.pem\n", false, "[Svr104] TlsKey=s.key: without TlsCert", false,
         19998, 2404, 12},
        {"TlsCert=s.pem\nTlsKey=s.key\n", false,
         "[Svr104] TlsCa=: required with TlsCert and TlsKey", false, 19998, 2404, 12},
        {on + "TlsPort=0\n", false, "[Svr104] TlsPort=0: outside 1-65535", false, 19998, 2404, 12},
        {on + "TlsPort=65536\n", false, "[Svr104] TlsPort=65536: outside 1-65535", false, 19998,
         2404, 12},
        {on + "TlsPort=19998x\n", false, "[Svr104] TlsPort=19998x: not a whole number", false,
         19998, 2404, 12},
        {on + "PlainPort=-1\n", false, "[Svr104] PlainPort=-1: not a whole number", false, 19998,
         2404, 12},
        {"PlainPort=0\n", false, "[Svr104] PlainPort=0: nothing would listen without TLS", false,
         19998, 2404, 12},
        {on + "PlainPort=19998\n", false, "[Svr104] PlainPort=19998: the same as TlsPort", false,
         19998, 2404, 12},
        {on + "TlsMinVersion=1.1\n", false, "[Svr104] TlsMinVersion=1.1: not one of 1.2, 1.3",
         false, 19998, 2404, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lines);
        TlsSettings settings;
        settings.tlsPort = 1; /* overwritten by every Read */
        ConfigProblem problem;
        problem.reason = "untouched";
        EXPECT_EQ(c.valid, TlsSettings::Read(IniOf(c.lines), &settings, &problem));
        EXPECT_EQ(c.valid ? "untouched" : c.problem, c.valid ? problem.reason : problem.Text());
        EXPECT_EQ(!c.valid, problem.refused);
        EXPECT_EQ(c.enabled, settings.enabled);
        EXPECT_EQ(c.tlsPort, settings.tlsPort);
        EXPECT_EQ(c.plainPort, settings.plainPort);
        EXPECT_EQ(c.minVersion, settings.minVersion);
    }
}

TEST(TlsSettings, FileListsAndPinsAreCommaSeparatedAndTrimmed)
{
    TlsSettings settings;
    ASSERT_TRUE(TlsSettings::Read(
        IniOf(std::string(kTlsOn) + "TlsCrl= a.pem , b.pem,,\nTlsPeers=AB:CD ,ef01\n"), &settings,
        nullptr));
    EXPECT_EQ((std::vector<std::string>{"a.pem", "b.pem"}), settings.crlFiles);
    EXPECT_EQ((std::vector<std::string>{"AB:CD", "ef01"}), settings.peers);
    EXPECT_EQ("s.pem", settings.certFile);
    EXPECT_EQ("s.key", settings.keyFile);
    EXPECT_EQ("ca.pem", settings.caFile);
    EXPECT_TRUE(SplitList(" , ").empty());
}

TEST(GatewayTls, FilesAndPinsItCannotUseStopItWithTheReason)
{
    TlsSettings settings;
    ASSERT_TRUE(TlsSettings::Read(IniOf(kTlsOn), &settings, nullptr));
    std::atomic<uint32_t> refusals{0};
    std::string why;
    settings.certFile = std::string(QX_TEST_TMPDIR) + "/no_station.pem";
    EXPECT_EQ(nullptr, GatewayTls::Create(settings, &refusals, &why));
    EXPECT_NE(std::string::npos, why.find("no_station.pem")) << why;
    EXPECT_NE(std::string::npos, why.find("No such file")) << why;

    settings.peers = {"not-a-fingerprint"};
    EXPECT_EQ(nullptr, GatewayTls::Create(settings, &refusals, &why));
    EXPECT_EQ("TlsPeers: not-a-fingerprint is not a SHA-256 fingerprint", why);
}

TEST(GatewayTls, ConsoleLinesOfHandshakesAndExpiry)
{
    EXPECT_EQ("TLS handshake from 10.0.0.7:40000 refused: unknown CA (certificate verify failed)",
              GatewayTls::HandshakeLine("10.0.0.7:40000", CS104_TLS_UNKNOWN_CA,
                                        "certificate verify failed"));
    EXPECT_EQ("TLS handshake from 10.0.0.7:40000 ok: TLSv1.3",
              GatewayTls::HandshakeLine("10.0.0.7:40000", CS104_TLS_HANDSHAKE_OK, "TLSv1.3"));
    /* 2038-01-20 00:00:00 UTC lies past 32 bits of seconds. */
    EXPECT_EQ("TLS: ca.pem (CN=Test CA) expires in 12 days, on 2038-01-20",
              GatewayTls::ExpiryLine("ca.pem", "CN=Test CA", 2147558400LL, 12));
    EXPECT_EQ("TLS: s.pem (CN=st) expired 3 days ago, on 1970-01-02",
              GatewayTls::ExpiryLine("s.pem", "CN=st", 86400, -3));
}

TEST(DailyCheck, DueOncePerPeriodFromTheFirstCall)
{
    DailyCheck check(1000);
    EXPECT_FALSE(check.Due(5000)); /* starts the count */
    EXPECT_FALSE(check.Due(5999));
    EXPECT_TRUE(check.Due(6000));
    EXPECT_FALSE(check.Due(6500));
    EXPECT_TRUE(check.Due(9000)); /* late: once, and the next period from here */
    EXPECT_FALSE(check.Due(9999));
    EXPECT_TRUE(check.Due(10000));
}

} // namespace
