/*
 * gateway_config.cpp - loading qxSvr.ini (see gateway_config.h).
 */
#include "gateway_config.h"

#include "config_keys.h"

GatewayConfig::GatewayConfig()
    : m_ini(""), m_fileLoaded(false),
      m_oa(static_cast<uint8_t>(config_keys::ReadInt(m_ini, config_keys::kOa))),
      m_ca(config_keys::ReadInt(m_ini, config_keys::kCa)),
      m_strict(config_keys::ReadInt(m_ini, config_keys::kStrictIec) == 1),
      m_periodic(config_keys::ReadInt(m_ini, config_keys::kPeriodic))
{
}

bool GatewayConfig::Load(const std::string& path, std::string* badValue)
{
    m_fileLoaded = m_ini.Load(path); /* a missing file leaves every key at its default */
    m_oa = static_cast<uint8_t>(config_keys::ReadInt(m_ini, config_keys::kOa));
    m_ca = config_keys::ReadInt(m_ini, config_keys::kCa);
    m_strict = config_keys::ReadInt(m_ini, config_keys::kStrictIec) == 1;
    m_periodic = config_keys::ReadInt(m_ini, config_keys::kPeriodic);
    m_spontaneous = SpontaneousSettings::Read(m_ini);
    const bool policyValid = m_policy.Load(m_ini, badValue);
    std::string tlsBadValue;
    const bool tlsValid = TlsSettings::Read(m_ini, &m_tls, &tlsBadValue);
    if (policyValid && !tlsValid && badValue != nullptr)
        *badValue = tlsBadValue;
    return policyValid && tlsValid;
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
