// SPDX-License-Identifier: Apache-2.0
/*
 * connection_policy.h - who may connect to the gateway, how many at once, and
 * on which local address it listens: the keys AllowedMasters, MaxMasters and
 * BindAddress of section "Svr104" of qxSvr.ini.
 *
 * - AllowedMasters: comma-separated IPv4 addresses ("192.168.1.10") and CIDR
 *   ranges ("10.0.0.0/8"); spaces around entries are ignored. Empty or
 *   missing: every master may connect.
 * - MaxMasters: the most masters connected at once, a decimal number of 1 or
 *   more. Missing or empty: no limit.
 * - BindAddress: the IPv4 address to listen on; missing or empty:
 *   "0.0.0.0" (every interface).
 * A value that does not parse (not an address, a prefix over 32, a limit
 * that is not a positive number) makes Load fail with the key and the value,
 * so the gateway refuses to start instead of serving everyone.
 *
 * Threads: Load runs before the slave starts; the queries are const and run
 * in the server thread.
 */
#ifndef CONNECTION_POLICY_H
#define CONNECTION_POLICY_H

#include <cstdint>
#include <string>
#include <vector>

#include "SimpleIni.h"

class ConnectionPolicy
{
  public:
    /* Reads the three keys. False on a bad value, with *error set to
     * "<key>=<value>" (error may be null). A failed Load leaves the policy of
     * a missing configuration (everyone, no limit, every interface). */
    bool Load(const SimpleIni& ini, std::string* error);

    /* True when the dotted IPv4 address is allowed (always, without a list);
     * an address that does not parse is refused when a list is set. */
    bool Allows(const char* ipv4) const;
    /* The connection limit, 0 for none. */
    int MaxMasters() const { return m_maxMasters; }
    /* Address to listen on. */
    const std::string& BindAddress() const { return m_bindAddress; }

    /* Strict dotted-quad IPv4 parse into host order; false otherwise. */
    static bool ParseIpv4(const std::string& text, uint32_t* address);

    /* One entry of an address list: an address is network/mask. */
    struct Range {
        uint32_t network;
        uint32_t mask;
    };
    /* A list in the syntax of AllowedMasters (blank: an empty list). False
     * when an entry does not parse; *ranges is then unchanged. */
    static bool ParseList(const std::string& text, std::vector<Range>* ranges);
    /* True when the dotted IPv4 address lies in one of the ranges. */
    static bool Matches(const std::vector<Range>& ranges, const char* ipv4);

  private:
    static bool ParseRange(const std::string& text, Range* range);

    std::vector<Range> m_allowed; /* empty: everyone */
    int m_maxMasters = 0;
    std::string m_bindAddress = "0.0.0.0";
};

#endif
