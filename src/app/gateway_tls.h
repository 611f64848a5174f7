// SPDX-License-Identifier: Apache-2.0
/*
 * gateway_tls.h - the gateway's TLS: the station's TLS configuration made
 * from the keys (tls_settings.h) and loaded from its files, the console
 * lines of handshakes and of certificates about to expire, the SIGHUP
 * re-read, and the daily expiry check of the main loop.
 *
 * Console lines (one each, from the connection's thread for handshakes):
 *   "TLS handshake from <addr:port> refused: <reason> (<detail>)"
 *   "TLS handshake from <addr:port> ok: <version, cipher suite, subject>"
 *   "TLS: <file> (<subject or CRL issuer>) expires in <n> days, on <yyyy-mm-dd>"
 *   "TLS: <file> (<subject or CRL issuer>) expired <n> days ago, on <yyyy-mm-dd>"
 * A refused handshake also counts as a refused connection, like an address
 * the connection policy refuses.
 *
 * Threads: Create, Reload and AnnounceExpiring run in the main thread; the
 * handshake handler runs in the connection threads and touches only the
 * console and the atomic refusal count. The configuration (Config) outlives
 * the slave that uses it: the facade frees the slave first.
 */
#ifndef GATEWAY_TLS_H
#define GATEWAY_TLS_H

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "cs104_tls.h"
#include "tls_settings.h"

class GatewayTls
{
  public:
    /* Days ahead a certificate's end is announced. */
    static constexpr int kExpiryWarningDays = 30;

    /* Makes and loads the configuration of settings (TLS on); refusals
     * (not null) counts refused handshakes. Null when a fingerprint is
     * malformed or a file cannot be used, with *message naming the key or
     * the file and the reason. */
    static std::unique_ptr<GatewayTls>
    Create(const TlsSettings& settings, std::atomic<uint32_t>* refusals, std::string* message);
    ~GatewayTls();
    GatewayTls(const GatewayTls&) = delete;
    GatewayTls& operator=(const GatewayTls&) = delete;

    /* The loaded configuration for CS104_Slave_setTlsConfig. */
    CS104_TlsConfig Config() const { return m_config; }

    /* Re-reads certificates, key and CRLs for new connections; established
     * ones go on. A bad file keeps the old state. Returns the text for the
     * SIGHUP line, then announces what expires soon. */
    std::string Reload();

    /* Prints a line for each station or CA certificate (and CRL) that ends
     * within kExpiryWarningDays or has ended; the number of lines. */
    int AnnounceExpiring() const;

    /* The console line of a handshake's end (without newline). */
    static std::string HandshakeLine(const char* peer, CS104_TlsHandshakeResult result,
                                     const char* detail);
    /* The console line of a certificate or CRL that ends soon (without newline). */
    static std::string ExpiryLine(const char* file, const char* name, int64_t notAfter,
                                  int daysLeft);

  private:
    GatewayTls(CS104_TlsConfig config, std::atomic<uint32_t>* refusals);
    static void OnHandshake(void* parameter, const char* peer, CS104_TlsHandshakeResult result,
                            const char* detail);

    CS104_TlsConfig m_config;
    std::atomic<uint32_t>* m_refusals;
};

/*
 * Tells the main loop when a day has passed on the platform's monotonic
 * clock: the first call starts the count (false), later calls are true once
 * per period.
 */
class DailyCheck
{
  public:
    explicit DailyCheck(int64_t periodMs = 86400000) : m_periodMs(periodMs) {}
    bool Due(int64_t nowMs);

  private:
    int64_t m_periodMs;
    int64_t m_nextMs = -1;
};

#endif
