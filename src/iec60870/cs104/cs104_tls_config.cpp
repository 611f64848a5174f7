// SPDX-License-Identifier: Apache-2.0
/*
 * The TLS configuration (cs104_tls.h): file settings, loading them into an
 * OpenSSL server context with the fixed policy, the certificate check of a
 * master, and the expiry query.
 *
 * Loading reads each file into memory first, so a missing or unreadable
 * file is named with the system's reason, and parses it with OpenSSL's PEM
 * readers; the station certificate's dates and the key's match are checked
 * here rather than left to the first handshake. Encrypted keys are refused
 * (a password callback that gives none keeps OpenSSL from asking on a
 * terminal).
 *
 * The state in place is a shared_ptr swapped under the configuration's
 * mutex; streams copy it under the same mutex.
 */
#include "cs104_tls_context.h"

#include "hal_time.h"

#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <mutex>
#include <new>

namespace
{

/*
 * TLS 1.2: ephemeral elliptic-curve key exchange with AEAD ciphers only.
 * TLS 1.3: its standard suites (all AEAD with ephemeral key exchange).
 */
const char kTls12Ciphers[] = "ECDHE-ECDSA-AES256-GCM-SHA384:ECDHE-RSA-AES256-GCM-SHA384:"
                             "ECDHE-ECDSA-CHACHA20-POLY1305:ECDHE-RSA-CHACHA20-POLY1305:"
                             "ECDHE-ECDSA-AES128-GCM-SHA256:ECDHE-RSA-AES128-GCM-SHA256";
const char kTls13Suites[] = "TLS_AES_256_GCM_SHA384:TLS_CHACHA20_POLY1305_SHA256:"
                            "TLS_AES_128_GCM_SHA256";
const char kGroups[] = "X25519:P-256:P-384";
const unsigned char kSessionIdContext[] = "qxsvr104";
/* Server-side TLS 1.2 session cache entries; tickets need none. */
const long kSessionCacheSize = 64;

struct Settings {
    std::string chainFile;
    std::string keyFile;
    std::string caFile;
    std::vector<std::string> crlFiles;
    std::vector<TlsFingerprint> allowed;
    CS104_TlsVersion minVersion = CS104_TLS_VERSION_1_2;
};

} // namespace

struct sCS104_TlsConfig {
    Settings settings; /* the application's thread only */
    std::mutex lock;   /* guards the three below */
    std::shared_ptr<const TlsContext> current;
    CS104_TlsHandshakeHandler handler = nullptr;
    void* handlerParameter = nullptr;
};

namespace
{

void copyMessage(char* message, int messageSize, const std::string& text)
{
    if (message == nullptr || messageSize <= 0)
        return;
    size_t length = text.size() < static_cast<size_t>(messageSize - 1)
                        ? text.size()
                        : static_cast<size_t>(messageSize - 1);
    std::memcpy(message, text.data(), length);
    message[length] = '\0';
}

/* The text of OpenSSL's oldest queued error, or "unknown error"; clears the queue. */
std::string openSslError()
{
    unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return "unknown error";
    const char* reason = ERR_reason_error_string(code);
    if (reason != nullptr)
        return reason;
    char text[256];
    ERR_error_string_n(code, text, sizeof(text));
    return text;
}

/* Reads a whole file; false with the system's reason. */
bool readFile(const std::string& path, std::string* content, std::string* error)
{
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        *error = path + ": cannot open (" + std::strerror(errno) + ")";
        return false;
    }
    content->clear();
    char chunk[4096];
    size_t count;
    while ((count = std::fread(chunk, 1, sizeof(chunk), file)) > 0)
        content->append(chunk, count);
    bool failed = std::ferror(file) != 0;
    int readErrno = errno;
    std::fclose(file);
    if (failed) {
        *error = path + ": cannot read (" + std::strerror(readErrno) + ")";
        return false;
    }
    return true;
}

struct BioFree {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
struct X509Free {
    void operator()(X509* cert) const { X509_free(cert); }
};
struct CrlFree {
    void operator()(X509_CRL* crl) const { X509_CRL_free(crl); }
};
struct KeyFree {
    void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
using BioPtr = std::unique_ptr<BIO, BioFree>;
using X509Ptr = std::unique_ptr<X509, X509Free>;
using CrlPtr = std::unique_ptr<X509_CRL, CrlFree>;
using KeyPtr = std::unique_ptr<EVP_PKEY, KeyFree>;

BioPtr memoryBio(const std::string& content)
{
    return BioPtr(BIO_new_mem_buf(content.data(), static_cast<int>(content.size())));
}

int noPassword(char*, int, int, void*)
{
    return -1;
}

/* Every PEM certificate of a file, in order; false when the file gives none. */
bool readCertificates(const std::string& path, std::vector<X509Ptr>* certs, std::string* error)
{
    std::string content;
    if (!readFile(path, &content, error))
        return false;
    BioPtr bio = memoryBio(content);
    certs->clear();
    while (bio) {
        X509* cert = PEM_read_bio_X509(bio.get(), nullptr, noPassword, nullptr);
        if (cert == nullptr)
            break;
        certs->emplace_back(cert);
    }
    ERR_clear_error(); // the end of the file reads as an error
    if (certs->empty()) {
        *error = path + ": no PEM certificate in it";
        return false;
    }
    return true;
}

bool asn1Seconds(const ASN1_TIME* time, int64_t* seconds)
{
    struct tm parts;
    std::memset(&parts, 0, sizeof(parts));
    if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1)
        return false;
    *seconds = static_cast<int64_t>(timegm(&parts));
    return true;
}

std::string dateText(const ASN1_TIME* time)
{
    struct tm parts;
    std::memset(&parts, 0, sizeof(parts));
    if (time == nullptr || ASN1_TIME_to_tm(time, &parts) != 1)
        return "(unreadable date)";
    char text[32];
    std::strftime(text, sizeof(text), "%Y-%m-%d %H:%M:%S UTC", &parts);
    return text;
}

void noteValidity(std::vector<TlsValidity>* list, const std::string& file, const std::string& name,
                  const ASN1_TIME* notAfter)
{
    int64_t seconds = 0;
    if (asn1Seconds(notAfter, &seconds))
        list->push_back(TlsValidity{file, name, seconds});
}

/* The station's chain and key into ctx. */
bool loadStation(const Settings& settings, SSL_CTX* ctx, TlsContext* context, std::string* error)
{
    std::vector<X509Ptr> chain;
    if (!readCertificates(settings.chainFile, &chain, error))
        return false;
    X509* station = chain.front().get();
    if (X509_cmp_current_time(X509_get0_notBefore(station)) > 0) {
        *error = settings.chainFile + ": station certificate not valid before " +
                 dateText(X509_get0_notBefore(station));
        return false;
    }
    if (X509_cmp_current_time(X509_get0_notAfter(station)) < 0) {
        *error = settings.chainFile + ": station certificate expired on " +
                 dateText(X509_get0_notAfter(station));
        return false;
    }

    std::string keyText;
    if (!readFile(settings.keyFile, &keyText, error))
        return false;
    BioPtr bio = memoryBio(keyText);
    KeyPtr key(bio ? PEM_read_bio_PrivateKey(bio.get(), nullptr, noPassword, nullptr) : nullptr);
    ERR_clear_error();
    if (!key) {
        bool encrypted = keyText.find("ENCRYPTED") != std::string::npos;
        *error = settings.keyFile +
                 (encrypted ? ": key is encrypted (not supported)" : ": no PEM private key in it");
        return false;
    }
    if (X509_check_private_key(station, key.get()) != 1) {
        ERR_clear_error();
        *error = settings.keyFile + ": key does not match the certificate in " + settings.chainFile;
        return false;
    }
    if (SSL_CTX_use_certificate(ctx, station) != 1 || SSL_CTX_use_PrivateKey(ctx, key.get()) != 1) {
        *error = settings.chainFile + ": certificate or key not usable (" + openSslError() + ")";
        return false;
    }
    for (size_t i = 1; i < chain.size(); i++) {
        if (SSL_CTX_add1_chain_cert(ctx, chain[i].get()) != 1) {
            *error = settings.chainFile + ": chain certificate not usable (" + openSslError() + ")";
            return false;
        }
    }
    for (const X509Ptr& cert : chain)
        noteValidity(&context->validity, settings.chainFile,
                     TlsContext_nameText(X509_get_subject_name(cert.get())),
                     X509_get0_notAfter(cert.get()));
    return true;
}

/* The trusted CAs into ctx's store and its list of CA names sent to masters. */
bool loadCas(const Settings& settings, SSL_CTX* ctx, TlsContext* context, std::vector<X509Ptr>* cas,
             std::string* error)
{
    if (!readCertificates(settings.caFile, cas, error))
        return false;
    X509_STORE* store = SSL_CTX_get_cert_store(ctx);
    STACK_OF(X509_NAME)* names = sk_X509_NAME_new_null();
    bool ok = names != nullptr;
    for (const X509Ptr& ca : *cas) {
        if (!ok)
            break;
        X509_NAME* name = X509_NAME_dup(X509_get_subject_name(ca.get()));
        ok = name != nullptr && sk_X509_NAME_push(names, name) > 0;
        if (!ok)
            X509_NAME_free(name);
        ok = ok && X509_STORE_add_cert(store, ca.get()) == 1;
        noteValidity(&context->validity, settings.caFile,
                     TlsContext_nameText(X509_get_subject_name(ca.get())),
                     X509_get0_notAfter(ca.get()));
    }
    if (!ok) {
        sk_X509_NAME_pop_free(names, X509_NAME_free);
        *error = settings.caFile + ": CA certificates not usable (" + openSslError() + ")";
        return false;
    }
    SSL_CTX_set_client_CA_list(ctx, names); // takes the stack
    return true;
}

/* Every CRL file into the store; each must be signed by a loaded CA and current. */
bool loadCrls(const Settings& settings, SSL_CTX* ctx, TlsContext* context,
              const std::vector<X509Ptr>& cas, std::string* error)
{
    X509_STORE* store = SSL_CTX_get_cert_store(ctx);
    for (const std::string& path : settings.crlFiles) {
        std::string content;
        if (!readFile(path, &content, error))
            return false;
        BioPtr bio = memoryBio(content);
        int count = 0;
        while (bio) {
            CrlPtr crl(PEM_read_bio_X509_CRL(bio.get(), nullptr, noPassword, nullptr));
            if (!crl)
                break;
            count++;
            const X509_NAME* issuer = X509_CRL_get_issuer(crl.get());
            std::string issuerText = TlsContext_nameText(issuer);
            bool signedByCa = false;
            for (const X509Ptr& ca : cas) {
                if (X509_NAME_cmp(issuer, X509_get_subject_name(ca.get())) == 0 &&
                    X509_CRL_verify(crl.get(), X509_get0_pubkey(ca.get())) == 1)
                    signedByCa = true;
            }
            ERR_clear_error();
            if (!signedByCa) {
                *error = path + ": CRL of " + issuerText + " is not signed by a CA in " +
                         settings.caFile;
                return false;
            }
            const ASN1_TIME* nextUpdate = X509_CRL_get0_nextUpdate(crl.get());
            if (nextUpdate != nullptr && X509_cmp_current_time(nextUpdate) < 0) {
                *error = path + ": CRL of " + issuerText + " is past its next update " +
                         dateText(nextUpdate);
                return false;
            }
            if (X509_STORE_add_crl(store, crl.get()) != 1) {
                *error = path + ": CRL not usable (" + openSslError() + ")";
                return false;
            }
            if (nextUpdate != nullptr)
                noteValidity(&context->validity, path, issuerText, nextUpdate);
        }
        ERR_clear_error();
        if (count == 0) {
            *error = path + ": no PEM CRL in it";
            return false;
        }
    }
    if (!settings.crlFiles.empty())
        X509_STORE_set_flags(store, X509_V_FLAG_CRL_CHECK);
    return true;
}

/* The fixed policy of cs104_tls.h. */
bool applyPolicy(const Settings& settings, SSL_CTX* ctx, std::string* error)
{
    int minVersion = settings.minVersion == CS104_TLS_VERSION_1_3 ? TLS1_3_VERSION : TLS1_2_VERSION;
    SSL_CTX_set_options(ctx, SSL_OP_NO_COMPRESSION | SSL_OP_NO_RENEGOTIATION |
                                 SSL_OP_CIPHER_SERVER_PREFERENCE);
    // Release the read and write buffers of idle connections (about 34 KiB each).
    SSL_CTX_set_mode(ctx, SSL_MODE_RELEASE_BUFFERS);
    bool ok = SSL_CTX_set_min_proto_version(ctx, minVersion) == 1 &&
              SSL_CTX_set_cipher_list(ctx, kTls12Ciphers) == 1 &&
              SSL_CTX_set_ciphersuites(ctx, kTls13Suites) == 1 &&
              SSL_CTX_set1_groups_list(ctx, kGroups) == 1 &&
              SSL_CTX_set_session_id_context(ctx, kSessionIdContext,
                                             sizeof(kSessionIdContext) - 1) == 1 &&
              SSL_CTX_set_num_tickets(ctx, 1) == 1;
    if (!ok) {
        *error = "TLS policy not accepted by the TLS library (" + openSslError() + ")";
        return false;
    }
    SSL_CTX_set_verify(ctx, SSL_VERIFY_PEER | SSL_VERIFY_FAIL_IF_NO_PEER_CERT,
                       TlsContext_verifyPeer);
    SSL_CTX_set_timeout(ctx, CS104_TLS_SESSION_LIFETIME_S);
    SSL_CTX_sess_set_cache_size(ctx, kSessionCacheSize);
    SSL_CTX_set_default_passwd_cb(ctx, noPassword);
    return true;
}

std::shared_ptr<TlsContext> buildContext(const Settings& settings, std::string* error)
{
    if (settings.chainFile.empty() || settings.keyFile.empty()) {
        *error = "no station certificate and key set";
        return nullptr;
    }
    if (settings.caFile.empty()) {
        *error = "no CA certificate file set (masters cannot be authenticated)";
        return nullptr;
    }
    std::shared_ptr<TlsContext> context(new (std::nothrow) TlsContext);
    if (!context) {
        *error = "out of memory";
        return nullptr;
    }
    ERR_clear_error();
    context->ctx = SSL_CTX_new(TLS_server_method());
    if (context->ctx == nullptr) {
        *error = "TLS context not created (" + openSslError() + ")";
        return nullptr;
    }
    SSL_CTX* ctx = context->ctx;
    SSL_CTX_set_app_data(ctx, context.get());
    std::vector<X509Ptr> cas;
    if (!applyPolicy(settings, ctx, error) || !loadStation(settings, ctx, context.get(), error) ||
        !loadCas(settings, ctx, context.get(), &cas, error) ||
        !loadCrls(settings, ctx, context.get(), cas, error))
        return nullptr;
    context->allowed = settings.allowed;
    return context;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

/* 64 hex digits, optionally paired with ':' and after a "...=" prefix. */
bool parseFingerprint(const char* text, TlsFingerprint* fingerprint)
{
    const char* equals = std::strrchr(text, '=');
    const char* p = equals != nullptr ? equals + 1 : text;
    while (*p == ' ' || *p == '\t')
        p++;
    size_t count = 0;
    while (*p != '\0' && *p != ' ' && *p != '\t' && *p != '\r' && *p != '\n') {
        if (count > 0 && count < fingerprint->size() && *p == ':') {
            p++;
            continue;
        }
        int high = hexValue(p[0]);
        int low = high >= 0 ? hexValue(p[1]) : -1;
        if (low < 0 || count >= fingerprint->size())
            return false;
        (*fingerprint)[count++] = static_cast<unsigned char>(high * 16 + low);
        p += 2;
    }
    while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
        p++;
    return count == fingerprint->size() && *p == '\0';
}

bool nonEmpty(const char* text)
{
    return text != nullptr && text[0] != '\0';
}

CS104_TlsHandshakeResult resultOfVerifyError(int error)
{
    switch (error) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return CS104_TLS_EXPIRED;
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return CS104_TLS_NOT_YET_VALID;
    case X509_V_ERR_CERT_REVOKED:
        return CS104_TLS_REVOKED;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
    case X509_V_ERR_CERT_UNTRUSTED:
        return CS104_TLS_UNKNOWN_CA;
    case X509_V_ERR_UNABLE_TO_GET_CRL:
    case X509_V_ERR_CRL_HAS_EXPIRED:
    case X509_V_ERR_CRL_NOT_YET_VALID:
    case X509_V_ERR_CRL_SIGNATURE_FAILURE:
    case X509_V_ERR_UNABLE_TO_DECRYPT_CRL_SIGNATURE:
    case X509_V_ERR_UNABLE_TO_GET_CRL_ISSUER:
        return CS104_TLS_CRL_UNAVAILABLE;
    default:
        return CS104_TLS_BAD_CERTIFICATE;
    }
}

} // namespace

/* ------------------------------------------------------- shared with streams */

std::string TlsContext_nameText(const X509_NAME* name)
{
    if (name == nullptr)
        return "(no name)";
    BioPtr bio(BIO_new(BIO_s_mem()));
    if (!bio || X509_NAME_print_ex(bio.get(), name, 0, XN_FLAG_ONELINE & ~ASN1_STRFLGS_ESC_MSB) < 0)
        return "(no name)";
    char* data = nullptr;
    long length = BIO_get_mem_data(bio.get(), &data);
    return std::string(data, length > 0 ? static_cast<size_t>(length) : 0);
}

int TlsContext_verifyPeer(int preverifyOk, X509_STORE_CTX* store)
{
    SSL* ssl =
        static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
    if (ssl == nullptr)
        return preverifyOk;
    TlsVerifyNote* note = static_cast<TlsVerifyNote*>(SSL_get_app_data(ssl));
    const TlsContext* context =
        static_cast<const TlsContext*>(SSL_CTX_get_app_data(SSL_get_SSL_CTX(ssl)));
    X509* cert = X509_STORE_CTX_get_current_cert(store);
    std::string subject =
        cert != nullptr ? TlsContext_nameText(X509_get_subject_name(cert)) : "(no certificate)";
    if (!preverifyOk) {
        int error = X509_STORE_CTX_get_error(store);
        if (note != nullptr && note->result == CS104_TLS_HANDSHAKE_OK) {
            note->result = resultOfVerifyError(error);
            note->detail = std::string(X509_verify_cert_error_string(error)) + " (" + subject + ")";
        }
        return 0;
    }
    if (X509_STORE_CTX_get_error_depth(store) != 0 || context == nullptr ||
        context->allowed.empty() || cert == nullptr)
        return 1;
    TlsFingerprint fingerprint;
    unsigned int length = 0;
    if (X509_digest(cert, EVP_sha256(), fingerprint.data(), &length) == 1 &&
        length == fingerprint.size()) {
        for (const TlsFingerprint& allowed : context->allowed) {
            if (allowed == fingerprint)
                return 1;
        }
    }
    X509_STORE_CTX_set_error(store, X509_V_ERR_APPLICATION_VERIFICATION);
    if (note != nullptr && note->result == CS104_TLS_HANDSHAKE_OK) {
        note->result = CS104_TLS_NOT_PINNED;
        note->detail = "fingerprint not allowed (" + subject + ")";
    }
    return 0;
}

bool TlsConfig_streamSetup(CS104_TlsConfig config, TlsStreamSetup* setup)
{
    if (config == nullptr || setup == nullptr)
        return false;
    std::lock_guard<std::mutex> guard(config->lock);
    if (!config->current)
        return false;
    setup->context = config->current;
    setup->handler = config->handler;
    setup->handlerParameter = config->handlerParameter;
    return true;
}

/* ------------------------------------------------------------- public API */

const char* CS104_TlsHandshakeResult_toString(CS104_TlsHandshakeResult result)
{
    switch (result) {
    case CS104_TLS_HANDSHAKE_OK:
        return "ok";
    case CS104_TLS_NO_CERTIFICATE:
        return "no certificate";
    case CS104_TLS_UNKNOWN_CA:
        return "unknown CA";
    case CS104_TLS_EXPIRED:
        return "certificate expired";
    case CS104_TLS_NOT_YET_VALID:
        return "certificate not yet valid";
    case CS104_TLS_REVOKED:
        return "certificate revoked";
    case CS104_TLS_NOT_PINNED:
        return "certificate not in the allowed peers";
    case CS104_TLS_CRL_UNAVAILABLE:
        return "no valid CRL for its CA";
    case CS104_TLS_BAD_CERTIFICATE:
        return "bad certificate";
    case CS104_TLS_PROTOCOL_VERSION:
        return "protocol version";
    case CS104_TLS_NO_SHARED_CIPHER:
        return "no shared cipher suite";
    case CS104_TLS_NOT_TLS:
        return "not TLS";
    case CS104_TLS_PEER_ALERT:
        return "alert from the peer";
    case CS104_TLS_CLOSED:
        return "closed by the peer";
    case CS104_TLS_HANDSHAKE_TIMEOUT:
        return "handshake time-out";
    case CS104_TLS_HANDSHAKE_FAILED:
        break;
    }
    return "handshake failed";
}

CS104_TlsConfig CS104_TlsConfig_create(void)
{
    return new (std::nothrow) sCS104_TlsConfig;
}

bool CS104_TlsConfig_setStationCertificate(CS104_TlsConfig self, const char* chainFile,
                                           const char* keyFile)
{
    if (self == nullptr || !nonEmpty(chainFile) || !nonEmpty(keyFile))
        return false;
    try {
        std::string chain(chainFile);
        std::string key(keyFile);
        self->settings.chainFile.swap(chain);
        self->settings.keyFile.swap(key);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CS104_TlsConfig_setCaCertificates(CS104_TlsConfig self, const char* caFile)
{
    if (self == nullptr || !nonEmpty(caFile))
        return false;
    try {
        self->settings.caFile = caFile;
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CS104_TlsConfig_addCrlFile(CS104_TlsConfig self, const char* crlFile)
{
    if (self == nullptr || !nonEmpty(crlFile))
        return false;
    try {
        self->settings.crlFiles.emplace_back(crlFile);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool CS104_TlsConfig_addAllowedFingerprint(CS104_TlsConfig self, const char* fingerprint)
{
    TlsFingerprint parsed;
    if (self == nullptr || fingerprint == nullptr || !parseFingerprint(fingerprint, &parsed))
        return false;
    try {
        self->settings.allowed.push_back(parsed);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

void CS104_TlsConfig_clearLists(CS104_TlsConfig self)
{
    if (self == nullptr)
        return;
    self->settings.crlFiles.clear();
    self->settings.allowed.clear();
}

bool CS104_TlsConfig_setMinVersion(CS104_TlsConfig self, CS104_TlsVersion version)
{
    if (self == nullptr || (version != CS104_TLS_VERSION_1_2 && version != CS104_TLS_VERSION_1_3))
        return false;
    self->settings.minVersion = version;
    return true;
}

void CS104_TlsConfig_setHandshakeHandler(CS104_TlsConfig self, CS104_TlsHandshakeHandler handler,
                                         void* parameter)
{
    if (self == nullptr)
        return;
    std::lock_guard<std::mutex> guard(self->lock);
    self->handler = handler;
    self->handlerParameter = parameter;
}

bool CS104_TlsConfig_load(CS104_TlsConfig self, char* message, int messageSize)
{
    if (self == nullptr) {
        copyMessage(message, messageSize, "no TLS configuration");
        return false;
    }
    std::string error;
    std::shared_ptr<TlsContext> context;
    try {
        context = buildContext(self->settings, &error);
    } catch (const std::bad_alloc&) {
        context.reset();
        error = "out of memory";
    }
    ERR_clear_error();
    if (!context) {
        copyMessage(message, messageSize, error);
        return false;
    }
    std::shared_ptr<const TlsContext> previous;
    {
        std::lock_guard<std::mutex> guard(self->lock);
        previous = std::move(self->current);
        self->current = std::move(context);
    }
    copyMessage(message, messageSize, "");
    return true; // previous goes here, unless streams still hold it
}

bool CS104_TlsConfig_isLoaded(CS104_TlsConfig self)
{
    if (self == nullptr)
        return false;
    std::lock_guard<std::mutex> guard(self->lock);
    return static_cast<bool>(self->current);
}

int CS104_TlsConfig_forEachExpiring(CS104_TlsConfig self, int withinDays,
                                    CS104_TlsExpiryHandler handler, void* parameter)
{
    if (self == nullptr || handler == nullptr || withinDays < 0)
        return -1;
    std::shared_ptr<const TlsContext> context;
    {
        std::lock_guard<std::mutex> guard(self->lock);
        context = self->current;
    }
    if (!context)
        return -1;
    const int64_t secondsPerDay = 86400;
    int64_t now = static_cast<int64_t>(Hal_getTimeInMs() / 1000);
    int64_t limit = now + static_cast<int64_t>(withinDays) * secondsPerDay;
    int count = 0;
    for (const TlsValidity& entry : context->validity) {
        if (entry.notAfter > limit)
            continue;
        int64_t left = entry.notAfter - now;
        // Whole days left, rounded towards minus infinity (past: negative).
        int64_t days =
            left >= 0 ? left / secondsPerDay : -((-left + secondsPerDay - 1) / secondsPerDay);
        handler(parameter, entry.file.c_str(), entry.name.c_str(), entry.notAfter,
                static_cast<int>(days));
        count++;
    }
    return count;
}

void CS104_TlsConfig_destroy(CS104_TlsConfig self)
{
    delete self;
}
