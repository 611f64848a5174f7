// SPDX-License-Identifier: Apache-2.0
/*
 * tls_settings.cpp - see tls_settings.h.
 */
#include "tls_settings.h"

#include "config_keys.h"

#include <cstdlib>

namespace
{

/* A decimal port of digits only within [lowest, 65535]; *reason says why not. */
bool ParsePort(const std::string& text, int lowest, int* port, std::string* reason)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        *reason = "not a whole number";
        return false;
    }
    if (text.size() > 5 || std::atoi(text.c_str()) < lowest || std::atoi(text.c_str()) > 65535) {
        *reason = "outside " + std::to_string(lowest) + "-65535";
        return false;
    }
    *port = std::atoi(text.c_str());
    return true;
}

bool Fail(TlsSettings* settings, ConfigProblem* problem, const ConfigKey& key,
          const std::string& value, const std::string& reason)
{
    *settings = TlsSettings();
    if (problem != nullptr) {
        *problem = ConfigProblem();
        problem->refused = true;
        problem->section = key.section;
        problem->key = key.name;
        problem->value = value;
        problem->reason = reason;
    }
    return false;
}

} // namespace

std::vector<std::string> SplitList(const std::string& text)
{
    std::vector<std::string> entries;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string entry = SimpleIni::Trim(text.substr(start, comma - start));
        if (!entry.empty())
            entries.push_back(entry);
        if (comma == std::string::npos)
            return entries;
        start = comma + 1;
    }
}

bool TlsSettings::Read(const SimpleIni& ini, TlsSettings* settings, ConfigProblem* problem)
{
    namespace keys = config_keys;
    TlsSettings read;
    read.certFile = SimpleIni::Trim(keys::ReadText(ini, keys::kTlsCert));
    read.keyFile = SimpleIni::Trim(keys::ReadText(ini, keys::kTlsKey));
    read.caFile = SimpleIni::Trim(keys::ReadText(ini, keys::kTlsCa));
    read.crlFiles = SplitList(keys::ReadText(ini, keys::kTlsCrl));
    read.peers = SplitList(keys::ReadText(ini, keys::kTlsPeers));
    read.enabled = !read.certFile.empty() && !read.keyFile.empty();
    if (read.certFile.empty() != read.keyFile.empty()) {
        if (read.keyFile.empty())
            return Fail(settings, problem, keys::kTlsCert, read.certFile, "without TlsKey");
        return Fail(settings, problem, keys::kTlsKey, read.keyFile, "without TlsCert");
    }
    if (read.enabled && read.caFile.empty())
        return Fail(settings, problem, keys::kTlsCa, "", "required with TlsCert and TlsKey");

    std::string reason;
    const std::string tlsPort = SimpleIni::Trim(keys::ReadText(ini, keys::kTlsPort));
    if (!tlsPort.empty() && !ParsePort(tlsPort, 1, &read.tlsPort, &reason))
        return Fail(settings, problem, keys::kTlsPort, tlsPort, reason);
    const std::string plainPort = SimpleIni::Trim(keys::ReadText(ini, keys::kPlainPort));
    if (plainPort.empty())
        read.plainPort = read.enabled ? 0 : kDefaultPlainPort;
    else if (!ParsePort(plainPort, 0, &read.plainPort, &reason))
        return Fail(settings, problem, keys::kPlainPort, plainPort, reason);
    if (!read.enabled && read.plainPort == 0)
        return Fail(settings, problem, keys::kPlainPort, plainPort,
                    "nothing would listen without TLS");
    if (read.enabled && read.plainPort == read.tlsPort)
        return Fail(settings, problem, keys::kPlainPort, plainPort, "the same as TlsPort");

    const std::string version = SimpleIni::Trim(keys::ReadText(ini, keys::kTlsMinVersion));
    if (version == "1.3")
        read.minVersion = 13;
    else if (!version.empty() && version != "1.2")
        return Fail(settings, problem, keys::kTlsMinVersion, version, "not one of 1.2, 1.3");
    *settings = read;
    return true;
}
