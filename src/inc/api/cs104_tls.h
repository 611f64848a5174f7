// SPDX-License-Identifier: Apache-2.0
/*
 * TLS for IEC 60870-5-104 connections (the IEC 62351-3 profile): the
 * station's certificate and key, the CAs that sign the masters'
 * certificates, revocation lists, optional pinned master certificates and
 * the lowest protocol version, as one configuration that the slave's TLS
 * connections are made from.
 *
 * Policy (fixed; not configurable):
 * - Mutual authentication: every master presents a certificate that chains
 *   to one of the configured CAs; a master without one is refused.
 * - TLS 1.2 with ECDHE key exchange and AEAD ciphers only (AES-GCM,
 *   ChaCha20-Poly1305), or TLS 1.3 with its standard suites. Older
 *   versions are always refused. No compression; renegotiation refused.
 * - With CRLs, every master certificate is checked against its CA's CRL: a
 *   revoked master is refused, and so is one whose CA has no CRL loaded or
 *   whose CRL is past its next update (fail closed).
 * - With allowed fingerprints, a master's certificate must also be one of
 *   them (SHA-256 of the DER certificate).
 * - Sessions may be resumed for CS104_TLS_SESSION_LIFETIME_S only, so a
 *   master whose certificate expired, was revoked or dropped from the pins
 *   meets the full check again within that time; a reload discards all
 *   resumable sessions (new ticket key).
 * - A handshake that has not completed CS104_TLS_HANDSHAKE_TIMEOUT_MS after
 *   the connection was accepted is abandoned.
 *
 * Ownership and threads: CS104_TlsConfig_create gives a configuration owned
 * by the caller, released with CS104_TlsConfig_destroy. The setters and
 * CS104_TlsConfig_load are called from the application's thread (one at a
 * time). Load reads every file and, only when all of them are good, puts
 * the new state in place for connections made afterwards; connections
 * already made keep the state they started with (shared, reference-counted)
 * and may outlive the configuration. Reading connections' state is safe
 * from any thread at any time.
 *
 * Nothing here prints or throws: failures are results and message texts.
 */
#ifndef CS104_TLS_H
#define CS104_TLS_H

#include <cstdint>

typedef struct sCS104_TlsConfig* CS104_TlsConfig;

/* Time a master has to complete its handshake, from its acceptance. */
#define CS104_TLS_HANDSHAKE_TIMEOUT_MS 10000

/* Lifetime of a resumable session (TLS 1.3 ticket or TLS 1.2 session), seconds. */
#define CS104_TLS_SESSION_LIFETIME_S 300

/* Room for any message text of this interface, terminating null included. */
#define CS104_TLS_MESSAGE_SIZE 512

typedef enum { CS104_TLS_VERSION_1_2 = 12, CS104_TLS_VERSION_1_3 = 13 } CS104_TlsVersion;

/* How a master's handshake ended. */
typedef enum {
    CS104_TLS_HANDSHAKE_OK = 0,
    CS104_TLS_NO_CERTIFICATE,    /* the master sent no certificate */
    CS104_TLS_UNKNOWN_CA,        /* its certificate does not chain to a configured CA */
    CS104_TLS_EXPIRED,           /* a certificate of its chain has expired */
    CS104_TLS_NOT_YET_VALID,     /* a certificate of its chain is not valid yet */
    CS104_TLS_REVOKED,           /* its certificate is on a CRL */
    CS104_TLS_NOT_PINNED,        /* valid, but not one of the allowed fingerprints */
    CS104_TLS_CRL_UNAVAILABLE,   /* CRLs in use, but none valid for its CA */
    CS104_TLS_BAD_CERTIFICATE,   /* any other fault of its certificate */
    CS104_TLS_PROTOCOL_VERSION,  /* the master offers no version this station accepts */
    CS104_TLS_NO_SHARED_CIPHER,  /* the master offers no cipher suite of the policy */
    CS104_TLS_NOT_TLS,           /* the master does not speak TLS (plain IEC 104?) */
    CS104_TLS_PEER_ALERT,        /* the master broke off with an alert (station refused?) */
    CS104_TLS_CLOSED,            /* the master closed during the handshake */
    CS104_TLS_HANDSHAKE_TIMEOUT, /* not completed in CS104_TLS_HANDSHAKE_TIMEOUT_MS */
    CS104_TLS_HANDSHAKE_FAILED   /* anything else (the detail text says what) */
} CS104_TlsHandshakeResult;

/*
 * Reports the end of each master's handshake, once per connection, in that
 * connection's thread: peerAddress "a.b.c.d:port", the result, and a detail
 * text (on success version, cipher suite and the master's subject; on a
 * refusal the TLS library's own words and the subject of the certificate at
 * fault when known). Both texts live only during the call. The handler
 * must not block: the connection waits for it.
 */
typedef void (*CS104_TlsHandshakeHandler)(void* parameter, const char* peerAddress,
                                          CS104_TlsHandshakeResult result, const char* detail);

/*
 * Reports one certificate or CRL that expires soon (see
 * CS104_TlsConfig_forEachExpiring): the file it came from, the subject
 * (certificate) or issuer (CRL) as one line, its end of validity (notAfter,
 * or a CRL's next update) in seconds since 1970 UTC, and whole days left
 * (negative once past).
 */
typedef void (*CS104_TlsExpiryHandler)(void* parameter, const char* file, const char* name,
                                       int64_t notAfter, int daysLeft);

/* A short English text for a result ("unknown CA", ...); never null. */
const char* CS104_TlsHandshakeResult_toString(CS104_TlsHandshakeResult result);

/* A new, empty configuration (minimum version 1.2), or null when out of memory. */
CS104_TlsConfig CS104_TlsConfig_create(void);

/*
 * Sets the station's certificate chain (PEM: the station certificate first,
 * then any intermediate CA certificates) and its private key (PEM, not
 * encrypted). The files are read by CS104_TlsConfig_load. False for a null
 * or empty argument or when out of memory (then nothing changes).
 */
bool CS104_TlsConfig_setStationCertificate(CS104_TlsConfig self, const char* chainFile,
                                           const char* keyFile);

/*
 * Sets the PEM file of the CA certificates trusted to sign masters'
 * certificates (required). False for a null or empty argument or when out
 * of memory.
 */
bool CS104_TlsConfig_setCaCertificates(CS104_TlsConfig self, const char* caFile);

/*
 * Adds a PEM file of one or more CRLs; all files added are loaded. False
 * for a null or empty argument or when out of memory.
 */
bool CS104_TlsConfig_addCrlFile(CS104_TlsConfig self, const char* crlFile);

/*
 * Allows a master certificate by its SHA-256 fingerprint: 64 hexadecimal
 * digits, either case, optionally in pairs separated by ':' (as "openssl
 * x509 -fingerprint -sha256" prints it, with or without its
 * "sha256 Fingerprint=" prefix). Once any is added, only the listed
 * certificates are accepted (after the CA check). Taken at the next load.
 * False for malformed text (nothing added) or when out of memory.
 */
bool CS104_TlsConfig_addAllowedFingerprint(CS104_TlsConfig self, const char* fingerprint);

/* Removes every CRL file and allowed fingerprint (for a new set before a load). */
void CS104_TlsConfig_clearLists(CS104_TlsConfig self);

/* Sets the lowest TLS version accepted; false (no change) for any other value. */
bool CS104_TlsConfig_setMinVersion(CS104_TlsConfig self, CS104_TlsVersion version);

/*
 * Sets the handshake handler; taken by connections made afterwards. Null
 * removes it.
 */
void CS104_TlsConfig_setHandshakeHandler(CS104_TlsConfig self, CS104_TlsHandshakeHandler handler,
                                         void* parameter);

/*
 * Reads every file and builds the state for new connections. True: the new
 * state is in place. False: the state in place before (if any) stays, and
 * message (when not null, messageSize > 0; CS104_TLS_MESSAGE_SIZE is always
 * enough) receives one line that names the file and the reason: missing or
 * unreadable file, no certificate or key in it, an encrypted key, a key that
 * does not match its certificate, a station certificate expired or not yet
 * valid, an unusable CA file, a CRL that cannot be read, is not signed by a
 * configured CA or is past its next update; or the setting missing. On
 * success message receives an empty text.
 */
bool CS104_TlsConfig_load(CS104_TlsConfig self, char* message, int messageSize);

/* True once a load has succeeded. */
bool CS104_TlsConfig_isLoaded(CS104_TlsConfig self);

/*
 * Calls handler for each certificate of the state in place (station chain
 * and CAs) and each CRL whose end of validity is within withinDays days
 * from now (system clock) or already past. Gives the number reported, or
 * -1 when nothing is loaded, withinDays is negative or an argument is null.
 */
int CS104_TlsConfig_forEachExpiring(CS104_TlsConfig self, int withinDays,
                                    CS104_TlsExpiryHandler handler, void* parameter);

/* Frees the configuration; connections made from it go on. Null is ignored. */
void CS104_TlsConfig_destroy(CS104_TlsConfig self);

#endif
