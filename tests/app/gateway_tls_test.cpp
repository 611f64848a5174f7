// SPDX-License-Identifier: Apache-2.0
/*
 * The gateway with TLS on (keys TlsCert, TlsKey, TlsCa, TlsCrl, TlsPeers,
 * TlsPort, PlainPort, TlsMinVersion), seen by masters over loopback: the
 * answer over TLS against the plain one, the masters it refuses and why,
 * the listeners it opens, the SIGHUP re-read, the start-up checks, and two
 * independent TLS clients (openssl s_client, gnutls-cli). The certificates
 * are the TLS suite's test set (make_test_pki.sh, fixture tls_pki).
 */
#include "gateway_sandbox.h"

#include "fakes/dissector.h"
#include "fakes/tls_master.h"

#include <openssl/ssl.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

namespace qxtest
{
namespace
{

const uint16_t kTlsPort = 19998;

std::string pki(const std::string& name)
{
    return std::string(QX_TLS_PKI_DIR) + "/" + name;
}

/* The test master's TLS client with one of the test set's certificates. */
TlsClientOptions masterTls(const std::string& name)
{
    TlsClientOptions options;
    options.caFile = pki("ca.pem");
    if (!name.empty()) {
        options.certFile = pki(name + ".pem");
        options.keyFile = pki(name + ".key");
    }
    return options;
}

/* C_IC_NA_1 station interrogation, cause 6, common address 1. */
const Octets kInterrogation = {0x64, 0x01, 0x06, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x14};

/* The demo data's answer: cause-20 status and measured ASDUs, 34 cause-1 groups. */
bool answerComplete(const std::vector<IFrame>& frames)
{
    return framesOf(frames, 1, 20).size() == 2 && framesOf(frames, 1, 1).size() == 34 &&
           framesOf(frames, 13, 20).size() == 16;
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class GatewayTls : public GatewaySandbox
{
  protected:
    void SetUp() override
    {
        GatewaySandbox::SetUp();
        ASSERT_EQ(0, ::access(pki("ready").c_str(), F_OK)) << "no test certificates (tls_pki)";
        setPeriodic("0"); /* cause-1 ASDUs come from the interrogation alone */
    }

    /* TLS keys with the test station, test CA and its CRL, plus extra lines. */
    void setTls(const std::string& extraLines = "")
    {
        setSvr104Lines("TlsCert=" + pki("station-chain.pem") + "\nTlsKey=" + pki("station.key") +
                       "\nTlsCa=" + pki("ca.pem") + "\nTlsCrl=" + pki("crl.pem") + "\n" +
                       extraLines);
    }

    /* STARTDT and a station interrogation through client; the answer's I frames. */
    void expectServedOverTlsIn(const std::string& mode, const std::string& line);

    std::vector<IFrame> interrogate(StationClient& client, uint16_t port)
    {
        std::vector<IFrame> frames;
        EXPECT_TRUE(client.connect(port));
        EXPECT_TRUE(client.startDataTransfer()) << gateway_.transcript();
        EXPECT_TRUE(client.sendAsdu(kInterrogation));
        EXPECT_TRUE(client.collectUntil(frames, answerComplete, 15000));
        // Everything confirmed, so the shared queue has nothing left for the
        // next master; the test frame's answer shows the S frame was taken.
        EXPECT_TRUE(client.master().sendS());
        EXPECT_TRUE(client.master().sendU(U_TESTFR_ACT));
        std::optional<Apdu> reply = client.master().receive(3000);
        EXPECT_TRUE(reply && reply->isU(U_TESTFR_CON));
        client.close();
        return frames;
    }

    /* The handshake of a master with options is refused with reason on the console. */
    void expectRefused(const TlsClientOptions& options, const std::string& reason)
    {
        TlsClientResult result = tlsHandshakeOnce(kTlsPort, options);
        EXPECT_FALSE(result.ok) << result.version;
        EXPECT_TRUE(gateway_.waitFor("refused: " + reason + " (", 5000)) << gateway_.transcript();
        std::vector<std::string> lines = gateway_.lines();
        const std::string& line = lines[gateway_.cursor() - 1];
        EXPECT_EQ(0u, line.find("TLS handshake from 127.0.0.1:")) << line;
    }
};

/*
 * The IEC 104 octets inside the recorded TLS session, as tshark decrypts
 * them with the master's key log, one piece per frame (a TLS record of
 * application data carries one or, from a gathered write, several frames;
 * each is cut at its start octet and length). Wireshark's IEC 104 dissector
 * does not take part in TLS decryption, so the decrypted octets go through
 * it in a second pass (qxtest::dissect), which wants one frame per piece.
 * Empty with error set when a step fails.
 */
Capture decryptedIec104(const Capture& wire, const std::string& keyLog, const std::string& dir,
                        std::string* error)
{
    std::ofstream(dir + "/tls.txt", std::ios::trunc) << dissector_detail::hexDump(wire);
    Capture inner;
    std::string out;
    if (!dissector_detail::run("text2pcap -q -D -T 50000,19998 -4 10.0.0.1,10.0.0.2 '" + dir +
                                   "/tls.txt' '" + dir + "/tls.pcapng' 2>&1",
                               out)) {
        *error = "text2pcap failed: " + out;
        return inner;
    }
    if (!dissector_detail::run("tshark -r '" + dir + "/tls.pcapng' -o tls.keylog_file:" + keyLog +
                                   " -d tcp.port==19998,tls -Y data -T fields -e tcp.dstport"
                                   " -e data.data 2>/dev/null",
                               out)) {
        *error = "tshark failed";
        return inner;
    }
    for (const std::string& line : dissector_detail::split(out, '\n')) {
        std::vector<std::string> fields = dissector_detail::split(line, '\t');
        if (fields.size() != 2)
            continue;
        Octets octets;
        for (size_t at = 0; at + 1 < fields[1].size(); at += 2)
            octets.push_back(static_cast<uint8_t>(std::stoi(fields[1].substr(at, 2), nullptr, 16)));
        for (size_t at = 0; at < octets.size();) {
            size_t end = at + 2 < octets.size() ? std::min(octets.size(), at + 2 + octets[at + 1])
                                                : octets.size();
            inner.push_back(
                {fields[0] == "19998", Octets(octets.begin() + at, octets.begin() + end)});
            at = end;
        }
    }
    return inner;
}

TEST_F(GatewayTls, AnswerOverTlsIsOctetForOctetThePlainOneAndWiresharkReadsIt)
{
    setTls("PlainPort=2404\n");
    startGateway();
    ASSERT_EQ(1, gateway_.countFrom(0, "TLS on port 19998, plain IEC 104 on port 2404"));

    StationClient plain;
    std::vector<IFrame> overPlain = interrogate(plain, kGatewayPort);

    TlsTunnel tunnel;
    TlsClientOptions options = masterTls("master");
    options.keyLogFile = work_ + "/keylog.txt";
    ASSERT_TRUE(tunnel.start(kTlsPort, options));
    StationClient secure;
    std::vector<IFrame> overTls = interrogate(secure, tunnel.port());
    EXPECT_TRUE(tunnel.waitHandshake(1000).ok);
    EXPECT_TRUE(gateway_.waitFor("TLS handshake from 127.0.0.1:", 1000));

    ASSERT_GT(overPlain.size(), 10u);
    ASSERT_EQ(overPlain.size(), overTls.size());
    for (size_t i = 0; i < overPlain.size(); i++)
        EXPECT_EQ(overPlain[i].octets, overTls[i].octets) << "I frame " << i;

    // The same exchange, decrypted by Wireshark with the master's key log:
    // STARTDT act and con, the interrogation, every answer frame, the S and
    // test frames, and nothing malformed.
    std::string error;
    Capture inner = decryptedIec104(tunnel.wire(), options.keyLogFile, work_, &error);
    ASSERT_EQ("", error);
    Dissection dissection = dissect(inner, work_);
    EXPECT_EQ("", dissection.error);
    EXPECT_EQ("", dissection.badness);
    int iFrames = 0;
    for (const DissectedFrame& frame : dissection.frames)
        iFrames += frame.kind == 'I' ? 1 : 0;
    EXPECT_EQ(static_cast<int>(overTls.size()) + 1, iFrames);
}

/* Redundancy=<mode> with one group of 127.0.0.1: a master over TLS gets the
 * whole answer, and the connection line names its group. */
void GatewayTls::expectServedOverTlsIn(const std::string& mode, const std::string& line)
{
    setTls("Redundancy=" + mode + "\n");
    appendIni("[Svr.Groups]\nCentreA=127.0.0.1\n");
    startGateway();
    TlsTunnel tunnel;
    ASSERT_TRUE(tunnel.start(kTlsPort, masterTls("master")));
    StationClient secure;
    EXPECT_GT(interrogate(secure, tunnel.port()).size(), 10u);
    EXPECT_TRUE(tunnel.waitHandshake(1000).ok);
    EXPECT_EQ(1, gateway_.countFrom(0, line)) << gateway_.transcript();
}

TEST_F(GatewayTls, ConnectionRedundancyServesOverTls)
{
    expectServedOverTlsIn("connection", "New connection from 127.0.0.1 (group of its own)");
}

TEST_F(GatewayTls, RedundancyGroupsServeOverTls)
{
    expectServedOverTlsIn("groups", "New connection from 127.0.0.1 (group CentreA)");
}

TEST_F(GatewayTls, EachBadMasterIsRefusedWithItsReasonAndThePlainPortIsClosed)
{
    setTls();
    startGateway();
    ASSERT_EQ(1, gateway_.countFrom(0, "TLS on port 19998, plain IEC 104 off"));
    RawMaster plain;
    EXPECT_FALSE(plain.connect(kGatewayPort)) << "plain IEC 104 without PlainPort";

    expectRefused(masterTls(""), "no certificate");
    expectRefused(masterTls("master-expired"), "certificate expired");
    expectRefused(masterTls("master-future"), "certificate not yet valid");
    expectRefused(masterTls("master-revoked"), "certificate revoked");
    expectRefused(masterTls("master-other"), "unknown CA");
    TlsClientOptions old = masterTls("master");
    old.minVersion = TLS1_1_VERSION;
    old.maxVersion = TLS1_1_VERSION;
    expectRefused(old, "protocol version");
    // The good master still gets in.
    EXPECT_TRUE(tlsHandshakeOnce(kTlsPort, masterTls("master")).ok);
    EXPECT_TRUE(gateway_.waitFor("ok: ", 2000));
}

TEST_F(GatewayTls, PinsAndMinimumVersionNarrowWhoGetsIn)
{
    std::string out;
    ASSERT_TRUE(dissector_detail::run(
        "openssl x509 -noout -fingerprint -sha256 -in " + pki("master.pem"), out));
    setTls("TlsPeers=" + out.substr(out.find('=') + 1) + "TlsMinVersion=1.3\n");
    startGateway();
    TlsClientOptions tls12 = masterTls("master");
    tls12.maxVersion = TLS1_2_VERSION;
    expectRefused(tls12, "protocol version");
    expectRefused(masterTls("master2"), "certificate not in the allowed peers");
    TlsClientResult good = tlsHandshakeOnce(kTlsPort, masterTls("master"));
    EXPECT_TRUE(good.ok) << good.error;
    EXPECT_EQ("TLSv1.3", good.version);
}

TEST_F(GatewayTls, HangupReReadsTheFilesAndABadOneKeepsTheOld)
{
    const std::string cert = work_ + "/station-chain.pem";
    std::ofstream(cert, std::ios::trunc) << readFile(pki("station-chain.pem"));
    setSvr104Lines("TlsCert=" + cert + "\nTlsKey=" + pki("station.key") +
                   "\nTlsCa=" + pki("ca.pem") + "\n");
    startGateway();
    // The test station certificate lasts 20 days: announced at start.
    EXPECT_NE(gateway_.transcript().find("TLS: " + cert + " (CN"), std::string::npos)
        << gateway_.transcript();

    std::ofstream(cert, std::ios::trunc) << "not a certificate\n";
    ASSERT_TRUE(gateway_.signal(SIGHUP));
    ASSERT_TRUE(gateway_.waitFor("SIGHUP: TLS files kept: ", 5000)) << gateway_.transcript();
    EXPECT_NE(gateway_.lines()[gateway_.cursor() - 1].find("station-chain.pem"), std::string::npos);
    EXPECT_TRUE(tlsHandshakeOnce(kTlsPort, masterTls("master")).ok) << "the old state serves";

    std::ofstream(cert, std::ios::trunc) << readFile(pki("station-chain.pem"));
    ASSERT_TRUE(gateway_.signal(SIGHUP));
    EXPECT_TRUE(gateway_.waitFor(
        "SIGHUP: TLS certificates, key and CRLs re-read for new connections; qxSvr.ini", 5000))
        << gateway_.transcript();
    EXPECT_TRUE(tlsHandshakeOnce(kTlsPort, masterTls("master")).ok);
}

TEST_F(GatewayTls, AFileItCannotUseStopsTheStartNamingTheFile)
{
    const std::string ini = readFile(work_ + "/qxSvr.ini");
    setSvr104Lines("TlsCert=" + pki("station-chain.pem") + "\nTlsKey=" + work_ +
                   "/missing.key\nTlsCa=" + pki("ca.pem") + "\n");
    ASSERT_TRUE(gateway_.start(QX_GATEWAY_BINARY, work_, env_));
    EXPECT_EQ(255, exitCodeOf(gateway_.waitExit(10000)));
    const std::string transcript = gateway_.transcript();
    EXPECT_NE(transcript.find("[CSvrWrapper104::Init] TLS: "), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("missing.key"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("exit -1 !IsOk"), std::string::npos) << transcript;

    // --check names the file and counts it; a bad key comes with its reason.
    GatewayProcess check;
    ASSERT_TRUE(check.start(QX_GATEWAY_BINARY, work_, env_, {"--check"}));
    EXPECT_EQ(1, exitCodeOf(check.waitExit(10000))) << check.transcript();
    EXPECT_EQ(1, check.countFrom(0, "[CSvrWrapper104::Init] TLS: ")) << check.transcript();
    EXPECT_NE(check.transcript().find("missing.key"), std::string::npos) << check.transcript();
    EXPECT_EQ(1, check.countFrom(0, "qxsvr104 --check: 1 problem")) << check.transcript();

    ASSERT_TRUE(writeFile(work_ + "/qxSvr.ini", ini));
    setSvr104Lines("TlsCert=" + pki("station-chain.pem") + "\nTlsPort=0\nTlsMinVersion=1.1\n");
    GatewayProcess keys;
    ASSERT_TRUE(keys.start(QX_GATEWAY_BINARY, work_, env_, {"--check"}));
    EXPECT_EQ(1, exitCodeOf(keys.waitExit(10000))) << keys.transcript();
    for (const std::string& line : std::vector<std::string>{
             "bad value in qxSvr.ini [Svr104] TlsPort=0: outside 1-65535",
             "bad value in qxSvr.ini [Svr104] TlsMinVersion=1.1: not one of 1.2, 1.3",
             "bad value in qxSvr.ini [Svr104] TlsCert=" + pki("station-chain.pem") +
                 ": without TlsKey",
             std::string("qxsvr104 --check: 3 problems")})
        EXPECT_EQ(1, keys.countFrom(0, line)) << line << "\n" << keys.transcript();
}

/* STARTDT act, then a station interrogation, through an independent client program. */
const char kClientInput[] =
    "(printf '\\150\\004\\007\\000\\000\\000'; sleep 0.5; "
    "printf '\\150\\016\\000\\000\\000\\000\\144\\001\\006\\000\\001\\000\\000\\000\\000\\024'; "
    "sleep 2) | timeout 20 ";

/* STARTDT con, the interrogation's confirmation and an answer ASDU (cause
 * 20, originator 2, common address 1) arrived. */
void expectStartDtAndInterrogation(const std::string& output)
{
    EXPECT_NE(output.find(std::string("\x68\x04\x0b\x00\x00\x00", 6)), std::string::npos);
    EXPECT_NE(output.find(std::string("\x64\x01\x07\x00\x01\x00", 6)), std::string::npos);
    EXPECT_NE(output.find(std::string("\x14\x02\x01\x00", 4)), std::string::npos);
}

/* Each client program runs against a gateway of its own: a master that
 * never confirms leaves the shared queue's answer to the next one. */
TEST_F(GatewayTls, OpenSslClientCarriesStartDtAndAnInterrogation)
{
    setTls();
    startGateway();
    const std::string out = work_ + "/s_client.out";
    ASSERT_EQ(0,
              std::system((std::string(kClientInput) +
                           "openssl s_client -quiet -no_ign_eof -verify_return_error -CAfile " +
                           pki("ca.pem") + " -cert " + pki("master.pem") + " -key " +
                           pki("master.key") + " -connect 127.0.0.1:19998 >" + out + " 2>/dev/null")
                              .c_str()));
    SCOPED_TRACE(gateway_.transcript());
    expectStartDtAndInterrogation(readFile(out));
    EXPECT_EQ(1, gateway_.countFrom(0, "TLS handshake from 127.0.0.1:"));
}

TEST_F(GatewayTls, GnuTlsClientCarriesStartDtAndAnInterrogation)
{
    setTls();
    startGateway();
    const std::string out = work_ + "/gnutls-cli.out";
    ASSERT_EQ(0,
              std::system((std::string(kClientInput) + "gnutls-cli --x509cafile " + pki("ca.pem") +
                           " --x509certfile " + pki("master.pem") + " --x509keyfile " +
                           pki("master.key") + " -p 19998 127.0.0.1 >" + out + " 2>&1")
                              .c_str()));
    SCOPED_TRACE(gateway_.transcript());
    expectStartDtAndInterrogation(readFile(out));
    EXPECT_EQ(1, gateway_.countFrom(0, "TLS handshake from 127.0.0.1:"));
}

} // namespace
} // namespace qxtest
