// SPDX-License-Identifier: Apache-2.0
/*
 * redundancy_settings.h - how several masters share the data: the key
 * Redundancy of section "Svr104" and the section "Svr.Groups" of qxSvr.ini.
 *
 * - Redundancy=single (the default): one redundancy group; only the master
 *   that sent the latest STARTDT act is served.
 * - Redundancy=connection: every connection is a group of its own with its
 *   own queues; every started master receives all data.
 * - Redundancy=groups: "Svr.Groups" lists the groups, one line each,
 *   "<name>=<IPv4 addresses and CIDR ranges>" in the syntax of
 *   AllowedMasters. A master belongs to the first group, in the file's
 *   order, that lists its address; a master in no group is refused.
 * The value of Redundancy is compared without regard to case. An unknown
 * value, a group line that does not parse or has no address, and
 * Redundancy=groups without a group make Load fail with a text that names
 * the line, so the gateway refuses to start.
 *
 * Threads: Load runs before the slave starts; the queries are const and run
 * in the server thread.
 */
#ifndef REDUNDANCY_SETTINGS_H
#define REDUNDANCY_SETTINGS_H

#include <string>
#include <vector>

#include "SimpleIni.h"
#include "config_keys.h"
#include "connection_policy.h"

enum class RedundancyMode { Single, Connection, Groups };

class RedundancySettings
{
  public:
    struct Group {
        std::string name;
        std::vector<ConnectionPolicy::Range> addresses;
    };

    /*
     * Reads Redundancy from ini and, for groups, the lines of "Svr.Groups"
     * in the order of groupOrder (the section's key names as the file lists
     * them; see KeysInFileOrder). False on a bad value with *error set to
     * "Redundancy=<value>" or "[Svr.Groups] <name>=<value>" (error may be
     * null) and *problem the refusal with its section, key, value and
     * reason (may be null); the settings are then those of a missing
     * configuration.
     */
    bool Load(const SimpleIni& ini, const std::vector<std::string>& groupOrder, std::string* error,
              ConfigProblem* problem = nullptr);

    RedundancyMode Mode() const { return m_mode; }
    /* The groups in their order; empty unless Mode() is Groups. */
    const std::vector<Group>& Groups() const { return m_groups; }
    /* Index of the first group that lists the dotted address, or -1. */
    int GroupOf(const char* ipv4) const;

    /* The key names of one section of an INI file, in the file's order
     * (each once, as SimpleIni reads them); empty for a missing file. */
    static std::vector<std::string> KeysInFileOrder(const std::string& path,
                                                    const std::string& section);

  private:
    RedundancyMode m_mode = RedundancyMode::Single;
    std::vector<Group> m_groups;
};

#endif
