// SPDX-License-Identifier: Apache-2.0
/*
 * gateway_config.cpp - loading qxSvr.ini (see gateway_config.h).
 */
#include "gateway_config.h"

#include "config_keys.h"

#include <sys/stat.h>

namespace
{

/* A refusal of the same entry is already listed: Check refuses an unknown
 * Redundancy or TlsMinVersion word and a bad TlsPort before the unit that
 * reads the key does. */
bool RefusedAlready(const std::vector<ConfigProblem>& problems, const ConfigProblem& problem)
{
    for (const ConfigProblem& p : problems)
        if (p.refused && p.section == problem.section && p.key == problem.key)
            return true;
    return false;
}

/* StatusFile: a directory is refused (nothing could be renamed over it); a
 * missing directory is only warned about, since a write that fails later is
 * reported and never stops the gateway. */
bool CheckStatusFile(const std::string& path, ConfigProblem* problem)
{
    if (path.empty())
        return true;
    problem->section = config_keys::kStatusFile.section;
    problem->key = config_keys::kStatusFile.name;
    problem->value = path;
    struct stat info;
    if (path.back() == '/' || (stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode))) {
        problem->refused = true;
        problem->reason = "a directory, not a file";
        return false;
    }
    const size_t slash = path.rfind('/');
    const std::string directory =
        slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
    if (stat(directory.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        problem->reason = "directory " + directory + " not found: written once it exists";
        return false;
    }
    return true;
}

} // namespace

GatewayConfig::GatewayConfig()
    : m_ini(""), m_fileLoaded(false),
      m_oa(static_cast<uint8_t>(config_keys::ReadInt(m_ini, config_keys::kOa))),
      m_ca(config_keys::ReadInt(m_ini, config_keys::kCa)),
      m_strict(config_keys::ReadInt(m_ini, config_keys::kStrictIec) == 1),
      m_periodic(config_keys::ReadInt(m_ini, config_keys::kPeriodic)),
      m_staleAfter(config_keys::ReadInt(m_ini, config_keys::kStaleAfter))
{
}

bool GatewayConfig::Load(const std::string& path, std::string* badValue)
{
    m_fileLoaded = m_ini.Load(path); /* a missing file leaves every key at its default */
    m_oa = static_cast<uint8_t>(config_keys::ReadInt(m_ini, config_keys::kOa));
    m_ca = config_keys::ReadInt(m_ini, config_keys::kCa);
    m_strict = config_keys::ReadInt(m_ini, config_keys::kStrictIec) == 1;
    m_periodic = config_keys::ReadInt(m_ini, config_keys::kPeriodic);
    m_staleAfter = config_keys::ReadInt(m_ini, config_keys::kStaleAfter);
    m_statusFile = config_keys::ReadText(m_ini, config_keys::kStatusFile);
    m_spontaneous = SpontaneousSettings::Read(m_ini);
    m_problems = config_keys::Check(m_ini);
    ConfigProblem statusProblem;
    if (!CheckStatusFile(m_statusFile, &statusProblem))
        m_problems.push_back(statusProblem);
    std::string policyError;
    if (!m_policy.Load(m_ini, &policyError)) {
        /* "<key>=<value>" of the key that does not parse */
        ConfigProblem p;
        p.refused = true;
        p.section = config_keys::kAllowedMasters.section;
        p.key = policyError.substr(0, policyError.find('='));
        p.value = policyError.substr(policyError.find('=') + 1);
        for (const ConfigKey* key : config_keys::All())
            if (key->name != nullptr && p.key == key->name)
                p.reason = key->check;
        m_problems.push_back(p);
    }
    ConfigProblem redundancyProblem;
    if (!m_redundancy.Load(m_ini, RedundancySettings::KeysInFileOrder(path, "Svr.Groups"), nullptr,
                           &redundancyProblem) &&
        !RefusedAlready(m_problems, redundancyProblem))
        m_problems.push_back(redundancyProblem);
    ConfigProblem tlsProblem;
    if (!TlsSettings::Read(m_ini, &m_tls, &tlsProblem) && !RefusedAlready(m_problems, tlsProblem))
        m_problems.push_back(tlsProblem);
    for (const ConfigProblem& p : m_problems) {
        if (!p.refused)
            continue;
        if (badValue != nullptr)
            *badValue = p.key + "=" + p.value;
        return false;
    }
    return true;
}

std::vector<ConfigProblem>
GatewayConfig::CheckTableNames(const std::vector<std::string>& tables) const
{
    return config_keys::CheckTableNames(m_ini, tables);
}

bool GatewayConfig::IsDetail(const std::string& table) const
{
    return config_keys::ReadInt(m_ini, config_keys::kDetail, table) == 1;
}

int GatewayConfig::BaseAddrOf(const std::string& table) const
{
    return config_keys::ReadHex(m_ini, config_keys::kBaseAddr, table);
}

int GatewayConfig::FieldsOf(const std::string& table) const
{
    return config_keys::ReadInt(m_ini, config_keys::kFields, table);
}
