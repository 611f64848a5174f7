// SPDX-License-Identifier: Apache-2.0
/*
 * gateway_config.h - the gateway's configuration: qxSvr.ini as loaded by
 * CSvrWrapper104::Init, every key read through the table of config_keys.h.
 *
 * Load reads the file once; the section "Svr104" keys are read and checked
 * at once (Oa, Ca, StrictIec, Periodic, the keys of reporting by exception
 * and the connection policy), the per-table keys (Svr.Detail, Svr.BaseAddr,
 * Svr.Flds) are looked up in the loaded copy when asked, so editing the
 * file takes effect only at the next start.
 *
 * Threads: Load runs in the main thread before the slave starts; afterwards
 * nothing changes and every query is const, so the connection threads may
 * ask too.
 */
#ifndef GATEWAY_CONFIG_H
#define GATEWAY_CONFIG_H

#include <cstdint>
#include <string>
#include <vector>

#include "SimpleIni.h"
#include "config_keys.h"
#include "connection_policy.h"
#include "redundancy_settings.h"
#include "spontaneous_settings.h"
#include "tls_settings.h"

class GatewayConfig
{
  public:
    /* Every value at its default; no file loaded. */
    GatewayConfig();

    /* Loads path (a missing file leaves every key at its default), reads
     * the section "Svr104" and the redundancy groups, and holds every entry
     * against the key table (config_keys::Check), the connection policy,
     * the redundancy settings and the TLS keys. False when a value is
     * refused, with *badValue = "<key>=<value>" of the first one (may be
     * null); the other values are read all the same. */
    bool Load(const std::string& path, std::string* badValue);
    /* True when the last Load read its file; false before any Load and when
     * the file was missing or unreadable (every key then at its default). */
    bool FileLoaded() const { return m_fileLoaded; }

    /* What the last Load found: refused values and warnings, in file
     * order, the connection policy's refusal last. */
    const std::vector<ConfigProblem>& Problems() const { return m_problems; }
    /* Warnings for per-table keys naming none of tables. */
    std::vector<ConfigProblem> CheckTableNames(const std::vector<std::string>& tables) const;

    /* "Oa" in its low 8 bits, "Ca", "StrictIec" == 1, "Periodic" seconds. */
    uint8_t OriginatorAddress() const { return m_oa; }
    int CommonAddress() const { return m_ca; }
    bool StrictIec() const { return m_strict; }
    int Periodic() const { return m_periodic; }
    /* "StatusFile": path of the operator's status file ("" : none). */
    const std::string& StatusFile() const { return m_statusFile; }
    /* "StaleAfter" seconds (0 or less: off). */
    int StaleAfter() const { return m_staleAfter; }

    /* "Spontaneous", "ScanMs", "Deadband" and the "Svr.Deadband" section. */
    const SpontaneousSettings& Spontaneous() const { return m_spontaneous; }
    /* "AllowedMasters", "MaxMasters", "BindAddress". */
    const ConnectionPolicy& Policy() const { return m_policy; }
    /* "Redundancy" and the "Svr.Groups" section. */
    const RedundancySettings& Redundancy() const { return m_redundancy; }
    /* The TLS keys and the listening ports (tls_settings.h). */
    const TlsSettings& Tls() const { return m_tls; }

    /* "Svr.Detail" of a table is 1: a detail table, never served. */
    bool IsDetail(const std::string& table) const;
    /* "Svr.BaseAddr" of a table parsed as hexadecimal (0 when absent,
     * saturated at INT_MIN / INT_MAX when beyond an int). */
    int BaseAddrOf(const std::string& table) const;
    /* "Svr.Flds" of a table: value columns per row (0: all). */
    int FieldsOf(const std::string& table) const;

  private:
    mutable SimpleIni m_ini; /* iterated (non-const in SimpleIni), never changed */
    std::vector<ConfigProblem> m_problems;
    bool m_fileLoaded;
    uint8_t m_oa;
    int m_ca;
    bool m_strict;
    int m_periodic;
    int m_staleAfter;
    std::string m_statusFile;
    SpontaneousSettings m_spontaneous;
    ConnectionPolicy m_policy;
    RedundancySettings m_redundancy;
    TlsSettings m_tls;
};

#endif
