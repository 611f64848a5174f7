// SPDX-License-Identifier: Apache-2.0
/*
 * Shared by the TLS tests: the test certificates (made by make_test_pki.sh
 * into the build tree), a loaded configuration with a recording handshake
 * handler, the station side (a loopback listener whose accepted socket
 * becomes a TlsStream, driven in the test's thread) and a master side made
 * with OpenSSL's client in a thread of its own.
 *
 * The suite runs on the fake clock (qx_fake_platform): the stream's
 * handshake deadline only passes when a test moves the clock. Waits for
 * the other side use real time, bounded by kRealLimitMs.
 */
#ifndef QX_TESTS_TLS_TEST_SUPPORT_H
#define QX_TESTS_TLS_TEST_SUPPORT_H

#include "cs104_tls.h"
#include "cs104_tls_stream.h"
#include "fakes/net_helpers.h"
#include "fakes/octets.h"
#include "hal_socket.h"

#include <gtest/gtest.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace qxtls
{

using qxtest::Octets;

const int64_t kRealLimitMs = 8000;

/* The folder of the test certificates; made by the CTest fixture, or here when missing. */
inline const std::string& pkiDir()
{
    static const std::string dir = [] {
        // OpenSSL's client in the tests writes with plain send(): a master
        // writing to a station that refused it must not end the test.
        std::signal(SIGPIPE, SIG_IGN);
        std::string path = QX_TLS_PKI_DIR;
        // Remade when missing or a day old (the station certificate lasts 20 days).
        struct stat info;
        if (::stat((path + "/ready").c_str(), &info) != 0 ||
            info.st_mtime + 86400 < ::time(nullptr)) {
            std::string command = std::string("sh '") + QX_TLS_PKI_SCRIPT + "' '" + path + "'";
            if (std::system(command.c_str()) != 0)
                ADD_FAILURE() << "could not make the test certificates: " << command;
        }
        return path;
    }();
    return dir;
}

inline std::string pki(const std::string& name)
{
    return pkiDir() + "/" + name;
}

/* One handshake outcome as the configuration's handler reported it. */
struct Outcome {
    std::string peer;
    CS104_TlsHandshakeResult result;
    std::string detail;
};

/* Collects the handler's reports (any thread). */
class OutcomeLog
{
  public:
    static void handler(void* parameter, const char* peer, CS104_TlsHandshakeResult result,
                        const char* detail)
    {
        OutcomeLog* self = static_cast<OutcomeLog*>(parameter);
        std::lock_guard<std::mutex> guard(self->lock_);
        self->outcomes_.push_back(Outcome{peer, result, detail});
    }

    std::vector<Outcome> outcomes() const
    {
        std::lock_guard<std::mutex> guard(lock_);
        return outcomes_;
    }

  private:
    mutable std::mutex lock_;
    std::vector<Outcome> outcomes_;
};

/* The station configuration of the tests: station chain, test CA, optional CRL. */
class StationConfig
{
  public:
    explicit StationConfig(bool withCrl = false)
    {
        config = CS104_TlsConfig_create();
        EXPECT_TRUE(CS104_TlsConfig_setStationCertificate(config, pki("station-chain.pem").c_str(),
                                                          pki("station.key").c_str()));
        EXPECT_TRUE(CS104_TlsConfig_setCaCertificates(config, pki("ca.pem").c_str()));
        if (withCrl) {
            EXPECT_TRUE(CS104_TlsConfig_addCrlFile(config, pki("crl.pem").c_str()));
        }
        CS104_TlsConfig_setHandshakeHandler(config, OutcomeLog::handler, &log);
    }
    ~StationConfig() { CS104_TlsConfig_destroy(config); }
    StationConfig(const StationConfig&) = delete;
    StationConfig& operator=(const StationConfig&) = delete;

    /* Loads; the message on failure. */
    std::string load()
    {
        char message[CS104_TLS_MESSAGE_SIZE];
        bool loaded = CS104_TlsConfig_load(config, message, sizeof(message));
        return loaded ? std::string() : std::string("load failed: ") + message;
    }

    CS104_TlsConfig config = nullptr;
    OutcomeLog log;
};

/* A loopback listener of the platform layer; accepted sockets become TLS streams. */
class Station
{
  public:
    Station()
    {
        for (int attempt = 0; attempt < 5 && listener_ == nullptr; attempt++) {
            port = qxtest::freeTcpPort();
            listener_ = TcpServerSocket_create("127.0.0.1", port);
            if (listener_ != nullptr && !ServerSocket_listen(listener_)) {
                ServerSocket_destroy(listener_);
                listener_ = nullptr;
            }
        }
        EXPECT_NE(listener_, nullptr);
        ServerSocket_setBacklog(listener_, 4);
    }
    ~Station()
    {
        TransportStream_destroy(stream);
        ServerSocket_destroy(listener_);
    }
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    /* Waits for a connection and makes its TLS stream (closing any earlier one). */
    bool accept(CS104_TlsConfig config)
    {
        close();
        HandleSet set = Handleset_new();
        Handleset_addServerSocket(set, listener_);
        Handleset_waitReady(set, static_cast<unsigned int>(kRealLimitMs));
        Handleset_destroy(set);
        Socket socket = ServerSocket_accept(listener_);
        if (socket == nullptr)
            return false;
        stream = TlsStream_create(socket, config);
        if (stream == nullptr)
            Socket_destroy(socket);
        return stream != nullptr;
    }

    /*
     * Reads and waits until the handshake ended; its result, or -1 when it
     * did not end within kRealLimitMs. Octets that arrived with the end of
     * the handshake are kept for receive().
     */
    int handshake()
    {
        int64_t limit = qxtest::monotonicMs() + kRealLimitMs;
        CS104_TlsHandshakeResult result;
        while (!TlsStream_getHandshakeResult(stream, &result)) {
            if (qxtest::monotonicMs() > limit)
                return -1;
            if (TransportStream_waitReadable(stream, nullptr, 0, 100) < 0)
                continue; // the result is there now
            uint8_t buffer[256];
            int count = TransportStream_read(stream, buffer, sizeof(buffer));
            if (count > 0)
                kept_.insert(kept_.end(), buffer, buffer + count);
        }
        return result;
    }

    /* Reads until size octets arrived; fewer when the stream closed or kRealLimitMs passed. */
    Octets receive(size_t size)
    {
        Octets received;
        size_t fromKept = std::min(size, kept_.size());
        received.assign(kept_.begin(), kept_.begin() + static_cast<long>(fromKept));
        kept_.erase(kept_.begin(), kept_.begin() + static_cast<long>(fromKept));
        int64_t limit = qxtest::monotonicMs() + kRealLimitMs;
        while (received.size() < size && qxtest::monotonicMs() < limit) {
            if (TransportStream_pending(stream) <= 0 &&
                TransportStream_waitReadable(stream, nullptr, 0, 100) < 0)
                break;
            uint8_t buffer[256];
            int want = static_cast<int>(std::min(sizeof(buffer), size - received.size()));
            int count = TransportStream_read(stream, buffer, want);
            if (count < 0)
                break;
            received.insert(received.end(), buffer, buffer + count);
        }
        return received;
    }

    /* Octets the handshake brought along and receive() has not taken. */
    const Octets& kept() const { return kept_; }

    /* Closes the stream (close_notify to the master). */
    void close()
    {
        TransportStream_destroy(stream);
        stream = nullptr;
        kept_.clear();
    }

    uint16_t port = 0;
    TransportStream stream = nullptr;

  private:
    ServerSocket listener_ = nullptr;
    Octets kept_;
};

/* How a test master connects. */
struct MasterOptions {
    std::string cert; /* PEM file name in the PKI folder; empty: no certificate */
    std::string key;
    int minVersion = 0; /* TLS1_2_VERSION, ...; 0: library default */
    int maxVersion = 0;
    std::string ciphers;            /* TLS 1.2 cipher list; empty: default */
    SSL_SESSION* session = nullptr; /* to resume; not owned */
    int sendDelayMs = 0;            /* pause between handshake and sending */
    bool renegotiate = false;       /* asks for a renegotiation (TLS 1.2) before sending */
};

inline MasterOptions master(const std::string& name)
{
    MasterOptions options;
    options.cert = name + ".pem";
    options.key = name + ".key";
    return options;
}

/*
 * A master over OpenSSL's client, run in its own thread: connects, does
 * the handshake (checking the station's certificate against the test CA),
 * sends what it is given, reads a number of octets, and closes.
 */
class Master
{
  public:
    Master(uint16_t port, const MasterOptions& options, Octets toSend = {}, size_t toReceive = 0)
    {
        thread_ = std::thread([=] { run(port, options, toSend, toReceive); });
    }
    ~Master()
    {
        join();
        SSL_SESSION_free(session);
    }
    Master(const Master&) = delete;
    Master& operator=(const Master&) = delete;

    void join()
    {
        if (thread_.joinable())
            thread_.join();
    }

    /* Valid after join(). */
    bool handshakeOk = false;
    Octets received;
    int reads = 0; /* SSL_read calls that returned data: at most one record each */
    std::string version;
    bool renegotiated = false;        /* the station completed an asked-for renegotiation */
    SSL_SESSION* session = nullptr;   /* the session after the handshake; freed with the master */
    unsigned long ticketLifetime = 0; /* the station's hint, seconds */

  private:
    void run(uint16_t port, MasterOptions options, Octets toSend, size_t toReceive)
    {
        qxtest::RawSocket socket = qxtest::rawConnect(port);
        if (!socket.valid())
            return;
        timeval limit = {static_cast<time_t>(kRealLimitMs / 1000), 0};
        ::setsockopt(socket.fd(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
        SSL_CTX* ctx = SSL_CTX_new(TLS_client_method());
        SSL_CTX_load_verify_locations(ctx, pki("ca.pem").c_str(), nullptr);
        SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER, nullptr);
        if (!options.cert.empty()) {
            SSL_CTX_use_certificate_chain_file(ctx, pki(options.cert).c_str());
            SSL_CTX_use_PrivateKey_file(ctx, pki(options.key).c_str(), SSL_FILETYPE_PEM);
        }
        if (options.minVersion != 0)
            SSL_CTX_set_min_proto_version(ctx, options.minVersion);
        if (options.maxVersion != 0)
            SSL_CTX_set_max_proto_version(ctx, options.maxVersion);
        if (!options.ciphers.empty())
            SSL_CTX_set_cipher_list(ctx, options.ciphers.c_str());
        SSL* ssl = SSL_new(ctx);
        SSL_set_fd(ssl, socket.fd());
        if (options.session != nullptr)
            SSL_set_session(ssl, options.session);
        handshakeOk = SSL_connect(ssl) == 1;
        if (handshakeOk) {
            version = SSL_get_version(ssl);
            if (options.renegotiate && SSL_renegotiate(ssl) == 1)
                renegotiated = SSL_do_handshake(ssl) == 1 && SSL_renegotiate_pending(ssl) == 0;
            if (options.sendDelayMs > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(options.sendDelayMs));
            if (!toSend.empty())
                SSL_write(ssl, toSend.data(), static_cast<int>(toSend.size()));
            // Also reads a TLS 1.3 refusal, which comes after the client's Finished.
            size_t want = toReceive > 0 ? toReceive : 1;
            while (received.size() < want) {
                uint8_t buffer[256];
                int count =
                    SSL_read(ssl, buffer,
                             static_cast<int>(std::min(sizeof(buffer), want - received.size())));
                if (count <= 0)
                    break;
                received.insert(received.end(), buffer, buffer + count);
                reads++;
            }
            session = SSL_get1_session(ssl);
            if (session != nullptr)
                ticketLifetime = SSL_SESSION_get_ticket_lifetime_hint(session);
            SSL_shutdown(ssl);
        }
        SSL_free(ssl);
        SSL_CTX_free(ctx);
        ERR_clear_error();
    }

    std::thread thread_;
};

/* Runs a shell command line; its exit status (-1 when it could not run). */
inline int runShell(const std::string& command)
{
    int status = std::system(command.c_str());
    return (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
}

} // namespace qxtls

#endif
