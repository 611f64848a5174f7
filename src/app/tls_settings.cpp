/*
 * tls_settings.cpp - see tls_settings.h.
 */
#include "tls_settings.h"

#include "config_keys.h"

#include <cstdlib>

namespace
{

std::string Trim(const std::string& text)
{
    const char* space = " \t\r\n";
    size_t first = text.find_first_not_of(space);
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

/* A decimal port of digits only within [lowest, 65535]. */
bool ParsePort(const std::string& text, int lowest, int* port)
{
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    int value = std::atoi(text.c_str());
    if (value < lowest || value > 65535)
        return false;
    *port = value;
    return true;
}

bool Fail(TlsSettings* settings, std::string* badValue, const std::string& text)
{
    *settings = TlsSettings();
    if (badValue != nullptr)
        *badValue = text;
    return false;
}

} // namespace

std::vector<std::string> SplitList(const std::string& text)
{
    std::vector<std::string> entries;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        std::string entry = Trim(text.substr(start, comma - start));
        if (!entry.empty())
            entries.push_back(entry);
        if (comma == std::string::npos)
            return entries;
        start = comma + 1;
    }
}

bool TlsSettings::Read(const SimpleIni& ini, TlsSettings* settings, std::string* badValue)
{
    namespace keys = config_keys;
    TlsSettings read;
    read.certFile = Trim(keys::ReadText(ini, keys::kTlsCert));
    read.keyFile = Trim(keys::ReadText(ini, keys::kTlsKey));
    read.caFile = Trim(keys::ReadText(ini, keys::kTlsCa));
    read.crlFiles = SplitList(keys::ReadText(ini, keys::kTlsCrl));
    read.peers = SplitList(keys::ReadText(ini, keys::kTlsPeers));
    read.enabled = !read.certFile.empty() && !read.keyFile.empty();
    if (read.certFile.empty() != read.keyFile.empty()) {
        const bool certOnly = read.keyFile.empty();
        return Fail(settings, badValue,
                    certOnly ? "TlsCert=" + read.certFile + " without TlsKey"
                             : "TlsKey=" + read.keyFile + " without TlsCert");
    }
    if (read.enabled && read.caFile.empty())
        return Fail(settings, badValue, "TlsCa= (required with TlsCert and TlsKey)");

    const std::string tlsPort = Trim(keys::ReadText(ini, keys::kTlsPort));
    if (!ParsePort(tlsPort, 1, &read.tlsPort))
        return Fail(settings, badValue, "TlsPort=" + tlsPort);
    const std::string plainPort = Trim(keys::ReadText(ini, keys::kPlainPort));
    if (plainPort.empty())
        read.plainPort = read.enabled ? 0 : kDefaultPlainPort;
    else if (!ParsePort(plainPort, 0, &read.plainPort))
        return Fail(settings, badValue, "PlainPort=" + plainPort);
    if (!read.enabled && read.plainPort == 0)
        return Fail(settings, badValue, "PlainPort=0 (nothing would listen without TLS)");
    if (read.enabled && read.plainPort == read.tlsPort)
        return Fail(settings, badValue, "PlainPort=" + plainPort + " (the same as TlsPort)");

    const std::string version = Trim(keys::ReadText(ini, keys::kTlsMinVersion));
    if (version == "1.2")
        read.minVersion = 12;
    else if (version == "1.3")
        read.minVersion = 13;
    else
        return Fail(settings, badValue, "TlsMinVersion=" + version);
    *settings = read;
    return true;
}
