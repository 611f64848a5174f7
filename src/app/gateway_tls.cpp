// SPDX-License-Identifier: Apache-2.0
/*
 * gateway_tls.cpp - see gateway_tls.h.
 */
#include "gateway_tls.h"

#include <cstdio>
#include <ctime>

std::unique_ptr<GatewayTls> GatewayTls::Create(const TlsSettings& settings,
                                               std::atomic<uint32_t>* refusals,
                                               std::string* message)
{
    CS104_TlsConfig config = CS104_TlsConfig_create();
    if (config == nullptr) {
        *message = "out of memory";
        return nullptr;
    }
    std::unique_ptr<GatewayTls> tls(new GatewayTls(config, refusals));
    bool set =
        CS104_TlsConfig_setStationCertificate(config, settings.certFile.c_str(),
                                              settings.keyFile.c_str()) &&
        CS104_TlsConfig_setCaCertificates(config, settings.caFile.c_str()) &&
        CS104_TlsConfig_setMinVersion(config, static_cast<CS104_TlsVersion>(settings.minVersion));
    for (const std::string& crl : settings.crlFiles)
        set = set && CS104_TlsConfig_addCrlFile(config, crl.c_str());
    if (!set) {
        *message = "out of memory";
        return nullptr;
    }
    for (const std::string& peer : settings.peers) {
        if (!CS104_TlsConfig_addAllowedFingerprint(config, peer.c_str())) {
            *message = "TlsPeers: " + peer + " is not a SHA-256 fingerprint";
            return nullptr;
        }
    }
    CS104_TlsConfig_setHandshakeHandler(config, OnHandshake, tls.get());
    char text[CS104_TLS_MESSAGE_SIZE];
    if (!CS104_TlsConfig_load(config, text, sizeof(text))) {
        *message = text;
        return nullptr;
    }
    return tls;
}

GatewayTls::GatewayTls(CS104_TlsConfig config, std::atomic<uint32_t>* refusals)
    : m_config(config), m_refusals(refusals)
{
}

GatewayTls::~GatewayTls()
{
    CS104_TlsConfig_destroy(m_config);
}

std::string GatewayTls::Reload()
{
    char text[CS104_TLS_MESSAGE_SIZE];
    if (!CS104_TlsConfig_load(m_config, text, sizeof(text)))
        return std::string("TLS files kept: ") + text;
    AnnounceExpiring();
    return "TLS certificates, key and CRLs re-read for new connections";
}

namespace
{

void PrintExpiring(void*, const char* file, const char* name, int64_t notAfter, int daysLeft)
{
    puts(GatewayTls::ExpiryLine(file, name, notAfter, daysLeft).c_str());
}

} // namespace

int GatewayTls::AnnounceExpiring() const
{
    int count =
        CS104_TlsConfig_forEachExpiring(m_config, kExpiryWarningDays, PrintExpiring, nullptr);
    return count < 0 ? 0 : count;
}

std::string GatewayTls::HandshakeLine(const char* peer, CS104_TlsHandshakeResult result,
                                      const char* detail)
{
    std::string line = std::string("TLS handshake from ") + peer;
    if (result == CS104_TLS_HANDSHAKE_OK)
        return line + " ok: " + detail;
    return line + " refused: " + CS104_TlsHandshakeResult_toString(result) + " (" + detail + ")";
}

std::string GatewayTls::ExpiryLine(const char* file, const char* name, int64_t notAfter,
                                   int daysLeft)
{
    char date[16] = "?";
    time_t when = static_cast<time_t>(notAfter);
    struct tm utc;
    if (gmtime_r(&when, &utc) != nullptr)
        strftime(date, sizeof(date), "%Y-%m-%d", &utc);
    char text[64];
    if (daysLeft >= 0)
        snprintf(text, sizeof(text), ") expires in %d days, on %s", daysLeft, date);
    else
        snprintf(text, sizeof(text), ") expired %d days ago, on %s", -daysLeft, date);
    return std::string("TLS: ") + file + " (" + name + text;
}

void GatewayTls::OnHandshake(void* parameter, const char* peer, CS104_TlsHandshakeResult result,
                             const char* detail)
{
    GatewayTls* self = static_cast<GatewayTls*>(parameter);
    if (result != CS104_TLS_HANDSHAKE_OK && self->m_refusals != nullptr)
        self->m_refusals->fetch_add(1);
    /* One call for the whole line, so no other thread's text lands inside it. */
    puts(HandshakeLine(peer, result, detail).c_str());
}

bool DailyCheck::Due(int64_t nowMs)
{
    if (m_nextMs < 0) {
        m_nextMs = nowMs + m_periodMs;
        return false;
    }
    if (nowMs < m_nextMs)
        return false;
    m_nextMs = nowMs + m_periodMs;
    return true;
}
