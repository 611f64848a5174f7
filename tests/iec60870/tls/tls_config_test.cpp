// SPDX-License-Identifier: Apache-2.0
/*
 * The TLS configuration: argument checks, load errors that name the file
 * and the reason, pinned fingerprints, reload while connections go on, and
 * the expiry query.
 */
#include "tls_test_support.h"

#include "fakes/fake_clock.h"

#include <chrono>
#include <cstdio>

using namespace qxtls;

namespace
{

const Octets kStartDtAct = {0x68, 0x04, 0x07, 0x00, 0x00, 0x00};
const Octets kStartDtCon = {0x68, 0x04, 0x0B, 0x00, 0x00, 0x00};

/* The fingerprint line "openssl x509 -fingerprint -sha256" prints for a test certificate. */
std::string fingerprintLine(const std::string& certName)
{
    std::string command = "openssl x509 -noout -fingerprint -sha256 -in '" + pki(certName) + "'";
    std::string line;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof(buffer), pipe) != nullptr)
            line += buffer;
        ::pclose(pipe);
    }
    return line;
}

TEST(TlsConfig, EntriesCheckTheirArguments)
{
    EXPECT_FALSE(CS104_TlsConfig_setStationCertificate(nullptr, "a", "b"));
    EXPECT_FALSE(CS104_TlsConfig_setCaCertificates(nullptr, "a"));
    EXPECT_FALSE(CS104_TlsConfig_addCrlFile(nullptr, "a"));
    EXPECT_FALSE(CS104_TlsConfig_addAllowedFingerprint(nullptr, "a"));
    EXPECT_FALSE(CS104_TlsConfig_setMinVersion(nullptr, CS104_TLS_VERSION_1_2));
    EXPECT_FALSE(CS104_TlsConfig_isLoaded(nullptr));
    char message[CS104_TLS_MESSAGE_SIZE];
    EXPECT_FALSE(CS104_TlsConfig_load(nullptr, message, sizeof(message)));
    EXPECT_STRNE(message, "");
    EXPECT_EQ(CS104_TlsConfig_forEachExpiring(
                  nullptr, 30, [](void*, const char*, const char*, int64_t, int) {}, nullptr),
              -1);
    CS104_TlsConfig_setHandshakeHandler(nullptr, nullptr, nullptr);
    CS104_TlsConfig_clearLists(nullptr);
    CS104_TlsConfig_destroy(nullptr);

    CS104_TlsConfig config = CS104_TlsConfig_create();
    ASSERT_NE(config, nullptr);
    EXPECT_FALSE(CS104_TlsConfig_setStationCertificate(config, nullptr, "b"));
    EXPECT_FALSE(CS104_TlsConfig_setStationCertificate(config, "a", ""));
    EXPECT_FALSE(CS104_TlsConfig_setCaCertificates(config, ""));
    EXPECT_FALSE(CS104_TlsConfig_addCrlFile(config, nullptr));
    EXPECT_FALSE(CS104_TlsConfig_setMinVersion(config, static_cast<CS104_TlsVersion>(11)));
    EXPECT_TRUE(CS104_TlsConfig_setMinVersion(config, CS104_TLS_VERSION_1_3));
    // Nothing loaded: no stream, no expiry list.
    EXPECT_FALSE(CS104_TlsConfig_isLoaded(config));
    EXPECT_EQ(CS104_TlsConfig_forEachExpiring(
                  config, 30, [](void*, const char*, const char*, int64_t, int) {}, nullptr),
              -1);
    Socket unconnected = TcpSocket_create();
    EXPECT_EQ(TlsStream_create(unconnected, config), nullptr);
    Socket_destroy(unconnected);
    EXPECT_EQ(TlsStream_create(nullptr, config), nullptr);
    // A message buffer of one octet still gets its terminating null.
    char tiny[1] = {'x'};
    EXPECT_FALSE(CS104_TlsConfig_load(config, tiny, sizeof(tiny)));
    EXPECT_EQ(tiny[0], '\0');
    CS104_TlsConfig_destroy(config);
}

TEST(TlsConfig, FingerprintsAreParsedStrictly)
{
    CS104_TlsConfig config = CS104_TlsConfig_create();
    std::string line = fingerprintLine("master.pem");
    ASSERT_NE(line.find("Fingerprint="), std::string::npos) << line;
    EXPECT_TRUE(CS104_TlsConfig_addAllowedFingerprint(config, line.c_str()));
    std::string bare = line.substr(line.find('=') + 1);
    EXPECT_TRUE(CS104_TlsConfig_addAllowedFingerprint(config, bare.c_str()));
    std::string hex;
    for (char c : bare) {
        if (c != ':' && c != '\n')
            hex += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    ASSERT_EQ(hex.size(), 64u);
    EXPECT_TRUE(CS104_TlsConfig_addAllowedFingerprint(config, hex.c_str()));
    for (std::string bad : {std::string(""), hex.substr(0, 62), hex + "00", hex.substr(0, 63) + "g",
                            hex + " trailing", std::string(":") + hex, hex.substr(1) + "0:"}) {
        EXPECT_FALSE(CS104_TlsConfig_addAllowedFingerprint(config, bad.c_str())) << bad;
    }
    CS104_TlsConfig_destroy(config);
}

TEST(TlsConfig, LoadErrorsNameTheFileAndTheReason)
{
    struct Case {
        const char* what;
        std::string chain, key, ca, crl;
        std::string file;   /* named in the message */
        std::string reason; /* part of the message */
    };
    std::string missing = pki("no-such-file.pem");
    const Case cases[] = {
        {"missing chain", missing, pki("station.key"), pki("ca.pem"), "", missing,
         "cannot open (No such file or directory)"},
        {"missing key", pki("station.pem"), missing, pki("ca.pem"), "", missing, "cannot open"},
        {"missing CA", pki("station.pem"), pki("station.key"), missing, "", missing, "cannot open"},
        {"missing CRL", pki("station.pem"), pki("station.key"), pki("ca.pem"), missing, missing,
         "cannot open"},
        {"folder as chain", pkiDir(), pki("station.key"), pki("ca.pem"), "", pkiDir(),
         "cannot read"},
        {"key of another certificate", pki("station.pem"), pki("master.key"), pki("ca.pem"), "",
         pki("master.key"), "key does not match the certificate in " + pki("station.pem")},
        {"expired station", pki("station-expired.pem"), pki("station-expired.key"), pki("ca.pem"),
         "", pki("station-expired.pem"), "station certificate expired on 2021-01-01 00:00:00 UTC"},
        {"key file as chain", pki("station.key"), pki("station.key"), pki("ca.pem"), "",
         pki("station.key"), "no PEM certificate in it"},
        {"certificate as key", pki("station.pem"), pki("station.pem"), pki("ca.pem"), "",
         pki("station.pem"), "no PEM private key in it"},
        {"certificate as CRL", pki("station.pem"), pki("station.key"), pki("ca.pem"), pki("ca.pem"),
         pki("ca.pem"), "no PEM CRL in it"},
        {"CRL of an untrusted CA", pki("station.pem"), pki("station.key"), pki("other-ca.pem"),
         pki("crl.pem"), pki("crl.pem"), "is not signed by a CA in " + pki("other-ca.pem")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CS104_TlsConfig config = CS104_TlsConfig_create();
        ASSERT_TRUE(CS104_TlsConfig_setStationCertificate(config, c.chain.c_str(), c.key.c_str()));
        ASSERT_TRUE(CS104_TlsConfig_setCaCertificates(config, c.ca.c_str()));
        if (!c.crl.empty()) {
            ASSERT_TRUE(CS104_TlsConfig_addCrlFile(config, c.crl.c_str()));
        }
        char message[CS104_TLS_MESSAGE_SIZE];
        EXPECT_FALSE(CS104_TlsConfig_load(config, message, sizeof(message)));
        EXPECT_EQ(std::string(message).rfind(c.file + ":", 0), 0u) << message;
        EXPECT_NE(std::string(message).find(c.reason), std::string::npos) << message;
        EXPECT_FALSE(CS104_TlsConfig_isLoaded(config));
        CS104_TlsConfig_destroy(config);
    }

    // Settings missing altogether.
    CS104_TlsConfig config = CS104_TlsConfig_create();
    char message[CS104_TLS_MESSAGE_SIZE];
    EXPECT_FALSE(CS104_TlsConfig_load(config, message, sizeof(message)));
    EXPECT_STREQ(message, "no station certificate and key set");
    CS104_TlsConfig_setStationCertificate(config, pki("station.pem").c_str(),
                                          pki("station.key").c_str());
    EXPECT_FALSE(CS104_TlsConfig_load(config, message, sizeof(message)));
    EXPECT_NE(std::string(message).find("no CA certificate file set"), std::string::npos);
    // An encrypted key is refused without asking for a password.
    std::string encrypted = std::string(QX_TEST_TMPDIR) + "/encrypted.key";
    ASSERT_EQ(runShell("openssl pkey -in '" + pki("station.key") +
                       "' -aes256 -passout pass:x -out '" + encrypted + "'"),
              0);
    CS104_TlsConfig_setStationCertificate(config, pki("station.pem").c_str(), encrypted.c_str());
    CS104_TlsConfig_setCaCertificates(config, pki("ca.pem").c_str());
    EXPECT_FALSE(CS104_TlsConfig_load(config, message, sizeof(message)));
    EXPECT_EQ(std::string(message), encrypted + ": key is encrypted (not supported)");
    CS104_TlsConfig_destroy(config);
}

class TlsReloadTest : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        qxfake::clockReset();
        ASSERT_EQ(station_config.load(), "");
    }

    /* One connection of the named master; its handshake result. */
    int connect(const std::string& name)
    {
        Master client(station.port, master(name));
        if (!station.accept(station_config.config))
            return -1;
        int result = station.handshake();
        station.close();
        client.join();
        return result;
    }

    StationConfig station_config;
    Station station;
};

TEST_F(TlsReloadTest, PinnedFingerprintsAdmitOnlyTheListedMasters)
{
    std::string line = fingerprintLine("master2.pem");
    ASSERT_TRUE(CS104_TlsConfig_addAllowedFingerprint(station_config.config, line.c_str()));
    ASSERT_EQ(station_config.load(), "");
    EXPECT_EQ(connect("master"), CS104_TLS_NOT_PINNED);
    EXPECT_EQ(connect("master2"), CS104_TLS_HANDSHAKE_OK);
    // Pinning comes on top of the CA check, not instead of it.
    CS104_TlsConfig_clearLists(station_config.config);
    ASSERT_TRUE(CS104_TlsConfig_addAllowedFingerprint(station_config.config,
                                                      fingerprintLine("master-other.pem").c_str()));
    ASSERT_EQ(station_config.load(), "");
    EXPECT_EQ(connect("master-other"), CS104_TLS_UNKNOWN_CA);
    std::vector<Outcome> outcomes = station_config.log.outcomes();
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_NE(outcomes[0].detail.find("qx master"), std::string::npos) << outcomes[0].detail;
}

TEST_F(TlsReloadTest, AReloadServesNewConnectionsWhileOldOnesGoOn)
{
    // An established connection of "master".
    MasterOptions options = master("master");
    options.sendDelayMs = 300; // its frame comes after the reload below
    Master old(station.port, options, kStartDtAct, 6);
    ASSERT_TRUE(station.accept(station_config.config));
    ASSERT_EQ(station.handshake(), CS104_TLS_HANDSHAKE_OK);
    ASSERT_TRUE(station.kept().empty());
    TransportStream established = station.stream;
    station.stream = nullptr;

    // Reloaded with a pin for master2 only: new connections of master are refused.
    ASSERT_TRUE(CS104_TlsConfig_addAllowedFingerprint(station_config.config,
                                                      fingerprintLine("master2.pem").c_str()));
    ASSERT_EQ(station_config.load(), "");
    EXPECT_EQ(connect("master"), CS104_TLS_NOT_PINNED);

    // A bad file on reload keeps what is in place, and says why.
    std::string missing = pki("gone-ca.pem");
    ASSERT_TRUE(CS104_TlsConfig_setCaCertificates(station_config.config, missing.c_str()));
    char message[CS104_TLS_MESSAGE_SIZE];
    EXPECT_FALSE(CS104_TlsConfig_load(station_config.config, message, sizeof(message)));
    EXPECT_EQ(std::string(message), missing + ": cannot open (No such file or directory)");
    EXPECT_TRUE(CS104_TlsConfig_isLoaded(station_config.config));
    EXPECT_EQ(connect("master2"), CS104_TLS_HANDSHAKE_OK);
    EXPECT_EQ(connect("master"), CS104_TLS_NOT_PINNED);

    // The configuration may even go; the established connection still works.
    CS104_TlsConfig_destroy(station_config.config);
    station_config.config = nullptr;
    station.stream = established;
    EXPECT_EQ(station.receive(6), kStartDtAct);
    EXPECT_TRUE(TransportStream_write(station.stream, kStartDtCon.data(), 6));
    old.join();
    EXPECT_EQ(old.received, kStartDtCon);
}

struct Expiring {
    std::string file, name;
    int64_t notAfter;
    int daysLeft;
};

void collect(void* parameter, const char* file, const char* name, int64_t notAfter, int daysLeft)
{
    static_cast<std::vector<Expiring>*>(parameter)->push_back(
        Expiring{file, name, notAfter, daysLeft});
}

TEST(TlsConfig, ExpiringCertificatesAndCrlsAreListed)
{
    qxfake::clockReset();
    int64_t realNowMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::system_clock::now().time_since_epoch())
                            .count();
    // A second on: days are counted in whole seconds, and a set made within
    // this second would otherwise still have its whole 20 days left.
    qxfake::clockStepWall(realNowMs + 1000 - static_cast<int64_t>(qxfake::clockWallMs()));
    StationConfig config(true); // station 20 days, CRL 30 days, CA 10 years
    ASSERT_EQ(config.load(), "");

    std::vector<Expiring> within30;
    EXPECT_EQ(CS104_TlsConfig_forEachExpiring(config.config, 30, collect, &within30), 2);
    ASSERT_EQ(within30.size(), 2u);
    EXPECT_EQ(within30[0].file, pki("station-chain.pem"));
    EXPECT_EQ(within30[0].name, "CN = qx station");
    // 20 days from when the certificates were made (at most a day ago).
    EXPECT_GE(within30[0].daysLeft, 18);
    EXPECT_LE(within30[0].daysLeft, 19);
    EXPECT_EQ(within30[1].file, pki("crl.pem"));
    EXPECT_EQ(within30[1].name, "CN = qx test CA");
    EXPECT_GE(within30[1].daysLeft, 29);
    EXPECT_LE(within30[1].daysLeft, 30);

    std::vector<Expiring> within10;
    EXPECT_EQ(CS104_TlsConfig_forEachExpiring(config.config, 10, collect, &within10), 0);
    std::vector<Expiring> all;
    EXPECT_EQ(CS104_TlsConfig_forEachExpiring(config.config, 4000, collect, &all), 4);
    // Past the end: negative days.
    qxfake::clockStepWall(int64_t(25) * 86400 * 1000);
    std::vector<Expiring> later;
    EXPECT_EQ(CS104_TlsConfig_forEachExpiring(config.config, 0, collect, &later), 1);
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later[0].daysLeft, -6);
    EXPECT_EQ(later[0].notAfter, within30[0].notAfter);
    EXPECT_EQ(CS104_TlsConfig_forEachExpiring(config.config, -1, collect, &later), -1);
}

} // namespace
