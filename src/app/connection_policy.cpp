// SPDX-License-Identifier: Apache-2.0
/*
 * connection_policy.cpp - see connection_policy.h.
 */
#include "connection_policy.h"

#include "config_keys.h"

#include <arpa/inet.h>

#include <climits>
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

/* A decimal number of digits only, within [lowest, highest]. */
bool ParseNumber(const std::string& text, long lowest, long highest, long* value)
{
    if (text.empty() || text.size() > 10 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    long v = std::strtol(text.c_str(), nullptr, 10);
    if (v < lowest || v > highest)
        return false;
    *value = v;
    return true;
}

} // namespace

bool ConnectionPolicy::ParseIpv4(const std::string& text, uint32_t* address)
{
    struct in_addr parsed;
    /* inet_pton takes exactly four decimal parts of 0-255 (no octal, no
     * shortened forms), unlike inet_aton. */
    if (inet_pton(AF_INET, text.c_str(), &parsed) != 1)
        return false;
    *address = ntohl(parsed.s_addr);
    return true;
}

bool ConnectionPolicy::ParseRange(const std::string& text, Range* range)
{
    size_t slash = text.find('/');
    long prefix = 32;
    if (slash != std::string::npos && !ParseNumber(text.substr(slash + 1), 0, 32, &prefix))
        return false;
    uint32_t address = 0;
    if (!ParseIpv4(text.substr(0, slash), &address))
        return false;
    range->mask = prefix == 0 ? 0 : ~uint32_t(0) << (32 - prefix);
    range->network = address & range->mask;
    return true;
}

bool ConnectionPolicy::Load(const SimpleIni& ini, std::string* error)
{
    *this = ConnectionPolicy();
    ConnectionPolicy loaded;
    auto fail = [error](const char* key, const std::string& value) {
        if (error != nullptr)
            *error = std::string(key) + "=" + value;
        return false;
    };

    const std::string allowed = config_keys::ReadText(ini, config_keys::kAllowedMasters);
    if (!ParseList(allowed, &loaded.m_allowed))
        return fail("AllowedMasters", allowed);

    const std::string max = Trim(config_keys::ReadText(ini, config_keys::kMaxMasters));
    long limit = 0;
    if (!max.empty() && !ParseNumber(max, 1, INT_MAX, &limit))
        return fail("MaxMasters", max);
    loaded.m_maxMasters = static_cast<int>(limit);

    std::string bind = Trim(config_keys::ReadText(ini, config_keys::kBindAddress));
    if (bind.empty())
        bind = "0.0.0.0";
    uint32_t unused = 0;
    if (!ParseIpv4(bind, &unused))
        return fail("BindAddress", bind);
    loaded.m_bindAddress = bind;

    *this = loaded;
    return true;
}

bool ConnectionPolicy::ParseList(const std::string& text, std::vector<Range>* ranges)
{
    std::vector<Range> parsed;
    size_t start = 0;
    while (!Trim(text).empty() && start <= text.size()) {
        size_t comma = text.find(',', start);
        std::string entry = Trim(
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        Range range;
        if (!ParseRange(entry, &range))
            return false;
        parsed.push_back(range);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    *ranges = parsed;
    return true;
}

bool ConnectionPolicy::Matches(const std::vector<Range>& ranges, const char* ipv4)
{
    uint32_t address = 0;
    if (ipv4 == nullptr || !ParseIpv4(ipv4, &address))
        return false;
    for (const Range& r : ranges)
        if ((address & r.mask) == r.network)
            return true;
    return false;
}

bool ConnectionPolicy::Allows(const char* ipv4) const
{
    return m_allowed.empty() || Matches(m_allowed, ipv4);
}
