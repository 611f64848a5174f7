// SPDX-License-Identifier: Apache-2.0
/*
 * tls_settings.h - the qxSvr.ini keys of IEC 104 over TLS and of the
 * listening ports (section "Svr104"; each key's row is in config_keys.h):
 *
 * - TlsCert, TlsKey: PEM files of the station's certificate chain and
 *   private key; both set turns TLS on, one alone is a bad value.
 * - TlsCa: PEM file of the CAs trusted to sign the masters' certificates;
 *   required with TLS.
 * - TlsCrl: PEM files of CRLs, comma-separated.
 * - TlsPeers: SHA-256 fingerprints of the master certificates allowed,
 *   comma-separated (checked when the TLS configuration is made).
 * - TlsPort: 1..65535, default 19998 (also when empty).
 * - PlainPort: 0..65535, 0 for no plain listener. Empty: 2404, or no plain
 *   listener with TLS on (plain IEC 104 beside TLS only when asked for).
 * - TlsMinVersion: "1.2" (default, also when empty) or "1.3".
 * The TLS keys other than the ports are read but not checked against
 * files here: the files are read when the TLS configuration is loaded
 * (gateway_tls.h).
 *
 * Pure: reads a SimpleIni, no I/O, no state.
 */
#ifndef TLS_SETTINGS_H
#define TLS_SETTINGS_H

#include <string>
#include <vector>

#include "SimpleIni.h"
#include "config_keys.h"

struct TlsSettings {
    static constexpr int kDefaultPlainPort = 2404;

    bool enabled = false; /* TlsCert and TlsKey both set */
    std::string certFile;
    std::string keyFile;
    std::string caFile;
    std::vector<std::string> crlFiles;
    std::vector<std::string> peers; /* fingerprints as written */
    int tlsPort = 19998;
    int plainPort = kDefaultPlainPort; /* 0: no plain listener */
    int minVersion = 12;               /* 12 or 13 (CS104_TlsVersion) */

    /* Reads the keys into *settings. False on a bad value, with *problem
     * the refused entry and its reason (may be null); *settings then holds
     * the defaults (TLS off). */
    static bool Read(const SimpleIni& ini, TlsSettings* settings, ConfigProblem* problem);
};

/* The comma-separated entries of text, trimmed, empty ones left out. */
std::vector<std::string> SplitList(const std::string& text);

#endif
