// SPDX-License-Identifier: Apache-2.0
/*
 * redundancy_settings.cpp - see redundancy_settings.h.
 */
#include "redundancy_settings.h"

#include "config_keys.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace
{

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

bool RedundancySettings::Load(const SimpleIni& ini, const std::vector<std::string>& groupOrder,
                              std::string* error, ConfigProblem* problem)
{
    *this = RedundancySettings();
    /* A value that is not one of the key's is refused with the key's check
     * as the reason; `missing` names what is absent instead. */
    auto fail = [error, problem](const ConfigKey& key, const std::string& name,
                                 const std::string& value, const char* missing = nullptr) {
        const bool ownSection = std::string(key.section) == "Svr104";
        const std::string reason = missing != nullptr ? missing : key.check;
        if (error != nullptr)
            *error = (ownSection ? "" : "[" + std::string(key.section) + "] ") + name + "=" +
                     value + (missing != nullptr ? std::string(" ") + missing : "");
        if (problem != nullptr) {
            *problem = ConfigProblem();
            problem->refused = true;
            problem->section = key.section;
            problem->key = name;
            problem->value = value;
            problem->reason = reason;
        }
        return false;
    };

    const std::string value = SimpleIni::Trim(config_keys::ReadText(ini, config_keys::kRedundancy));
    const std::string mode = Lower(value);
    RedundancySettings loaded;
    if (mode == "single" || mode.empty())
        loaded.m_mode = RedundancyMode::Single;
    else if (mode == "connection")
        loaded.m_mode = RedundancyMode::Connection;
    else if (mode == "groups")
        loaded.m_mode = RedundancyMode::Groups;
    else
        return fail(config_keys::kRedundancy, "Redundancy", value);

    if (loaded.m_mode == RedundancyMode::Groups) {
        for (const std::string& name : groupOrder) {
            const std::string list = config_keys::ReadText(ini, config_keys::kGroup, name);
            Group group;
            group.name = name;
            if (name.empty() || !ConnectionPolicy::ParseList(list, &group.addresses) ||
                group.addresses.empty())
                return fail(config_keys::kGroup, name, list);
            loaded.m_groups.push_back(group);
        }
        if (loaded.m_groups.empty())
            return fail(config_keys::kRedundancy, "Redundancy", value,
                        "without a group in [Svr.Groups]");
    }
    *this = loaded;
    return true;
}

int RedundancySettings::GroupOf(const char* ipv4) const
{
    for (size_t i = 0; i < m_groups.size(); ++i)
        if (ConnectionPolicy::Matches(m_groups[i].addresses, ipv4))
            return static_cast<int>(i);
    return -1;
}

std::vector<std::string> RedundancySettings::KeysInFileOrder(const std::string& path,
                                                             const std::string& section)
{
    std::vector<std::string> keys;
    std::ifstream file(path);
    std::string line;
    std::string current;
    while (std::getline(file, line)) {
        /* The rules of SimpleIni::ParseLine: control characters out, a
         * section in brackets, a comment from ";" or "#", the key before
         * the first "=", trimmed. */
        SimpleIni::ParasitCar(line);
        if (SimpleIni::Trim(line).empty())
            continue;
        if (line[0] == '[') {
            const std::string::size_type close = line.find(']');
            current = SimpleIni::Trim(close == std::string::npos ? line.substr(1)
                                                                 : line.substr(1, close - 1));
            continue;
        }
        const std::string::size_type mark = line.find_first_of(";#");
        if (mark == 0 || current != section)
            continue;
        if (mark != std::string::npos)
            line.erase(mark);
        const std::string key = SimpleIni::Trim(line.substr(0, line.find('=')));
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(key);
    }
    return keys;
}
