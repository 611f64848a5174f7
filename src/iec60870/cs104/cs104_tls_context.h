// SPDX-License-Identifier: Apache-2.0
/*
 * What a TLS configuration hands to the connections made from it (private
 * to the TLS sources; OpenSSL types stay here and in the .cpp files).
 *
 * A TlsContext is built by one successful CS104_TlsConfig_load and never
 * changed afterwards. The configuration and every stream made from it share
 * it, so a reload replaces the configuration's reference while streams
 * made before go on with theirs; the last holder frees it with its SSL_CTX.
 */
#ifndef CS104_TLS_CONTEXT_H
#define CS104_TLS_CONTEXT_H

#include "cs104_tls.h"

#include <openssl/ssl.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

using TlsFingerprint = std::array<unsigned char, 32>; /* SHA-256 of a DER certificate */

/* End of validity of one loaded certificate or CRL. */
struct TlsValidity {
    std::string file;
    std::string name;
    int64_t notAfter; /* seconds since 1970 UTC */
};

struct TlsContext {
    SSL_CTX* ctx = nullptr; /* its app data points back here */
    std::vector<TlsFingerprint> allowed;
    std::vector<TlsValidity> validity;

    TlsContext() = default;
    TlsContext(const TlsContext&) = delete;
    TlsContext& operator=(const TlsContext&) = delete;
    ~TlsContext() { SSL_CTX_free(ctx); }
};

/* The first refusal seen by the certificate check of one handshake. */
struct TlsVerifyNote {
    CS104_TlsHandshakeResult result = CS104_TLS_HANDSHAKE_OK;
    std::string detail;
};

/* What a new stream takes from its configuration. */
struct TlsStreamSetup {
    std::shared_ptr<const TlsContext> context;
    CS104_TlsHandshakeHandler handler = nullptr;
    void* handlerParameter = nullptr;
};

/* The state in place and the handler; false when nothing is loaded. */
bool TlsConfig_streamSetup(CS104_TlsConfig config, TlsStreamSetup* setup);

/*
 * The SSL of a stream carries its TlsVerifyNote as app data: the
 * certificate check writes its first refusal there.
 */
int TlsContext_verifyPeer(int preverifyOk, X509_STORE_CTX* store);

/* The one-line name of a certificate subject or issuer ("CN=..., O=..."). */
std::string TlsContext_nameText(const X509_NAME* name);

#endif
