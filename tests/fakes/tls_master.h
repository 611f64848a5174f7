// SPDX-License-Identifier: Apache-2.0
/*
 * The master's side of IEC 104 over TLS for the process tests, on OpenSSL's
 * client: a tunnel that takes one plain loopback connection of a test's
 * raw-octet master (RawMaster, StationClient) and carries it over TLS to
 * the station, so the same client code talks plain or TLS.
 *
 * The tunnel records the TLS octets as they pass on the wire (Capture, one
 * piece per send or receive) and can write the session keys in the key-log
 * format (SSLKEYLOGFILE), so Wireshark's dissector can decode the IEC 104
 * inside the session.
 *
 * Ownership: the tunnel owns its listener, both connections and its thread;
 * the destructor closes them and joins.
 */
#ifndef QX_TESTS_FAKES_TLS_MASTER_H
#define QX_TESTS_FAKES_TLS_MASTER_H

#include "fakes/raw_master.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace qxtest
{

/* How the master's TLS client is set up; files are PEM paths. */
struct TlsClientOptions {
    std::string caFile;   /* checks the station's certificate; empty: no check */
    std::string certFile; /* empty: no client certificate */
    std::string keyFile;
    int minVersion = 0; /* TLS1_2_VERSION, ...; 0: the library's default */
    int maxVersion = 0;
    std::string keyLogFile; /* empty: no key log */
};

/* One handshake's outcome from the master's side. */
struct TlsClientResult {
    bool ok = false;
    double handshakeMs = 0; /* from TCP connect to the end of SSL_connect */
    std::string version;    /* "TLSv1.3", ... when ok */
    std::string error;      /* OpenSSL's text when not ok */
};

/* Connects to 127.0.0.1:port, does the handshake and closes (close_notify). */
TlsClientResult tlsHandshakeOnce(uint16_t port, const TlsClientOptions& options);

class TlsTunnel
{
  public:
    /* Listens on a loopback port of its own for one connection, which it
     * carries over TLS to 127.0.0.1:stationPort. False when it cannot listen. */
    bool start(uint16_t stationPort, const TlsClientOptions& options);
    ~TlsTunnel();

    /* The port the test's master connects to. */
    uint16_t port() const { return port_; }
    /* Waits until the handshake has ended; its outcome (not ok after timeoutMs). */
    TlsClientResult waitHandshake(int timeoutMs);
    /* The TLS octets so far (fromMaster: sent to the station). */
    Capture wire();

  private:
    void run(uint16_t stationPort, TlsClientOptions options);

    RawSocket listener_;
    uint16_t port_ = 0;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::mutex mutex_;
    TlsClientResult result_;
    Capture wire_;
};

} // namespace qxtest

#endif
