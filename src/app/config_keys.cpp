/*
 * config_keys.cpp - the qxSvr.ini key table and its readers (see
 * config_keys.h).
 */
#include "config_keys.h"

#include <climits>
#include <cstdlib>

namespace config_keys
{

const ConfigKey kOa = {"Svr104", "Oa", ConfigKeyType::Int, "2", "kept in its low 8 bits"};
const ConfigKey kCa = {"Svr104", "Ca", ConfigKeyType::Int, "1", "none"};
const ConfigKey kPeriodic = {"Svr104", "Periodic", ConfigKeyType::Int, "10",
                             "seconds; 0 or less: no periodic report"};
const ConfigKey kStrictIec = {"Svr104", "StrictIec", ConfigKeyType::Int, "0",
                              "1 turns the standard's answers on; anything else: off"};
const ConfigKey kAllowedMasters = {"Svr104", "AllowedMasters", ConfigKeyType::Text, "",
                                   "IPv4 addresses and CIDR ranges, comma-separated; a bad "
                                   "entry stops the start-up"};
const ConfigKey kMaxMasters = {"Svr104", "MaxMasters", ConfigKeyType::Text, "",
                               "empty: no limit; else a decimal number of 1 or more, or the "
                               "start-up stops"};
const ConfigKey kBindAddress = {"Svr104", "BindAddress", ConfigKeyType::Text, "",
                                "empty: 0.0.0.0; else an IPv4 address, or the start-up stops"};
const ConfigKey kTlsCert = {"Svr104", "TlsCert", ConfigKeyType::Text, "",
                            "PEM file of the station's certificate chain; with TlsKey turns "
                            "TLS on; alone, the start-up stops"};
const ConfigKey kTlsKey = {"Svr104", "TlsKey", ConfigKeyType::Text, "",
                           "PEM file of the station's private key (not encrypted); with TlsCert "
                           "turns TLS on; alone, the start-up stops"};
const ConfigKey kTlsCa = {"Svr104", "TlsCa", ConfigKeyType::Text, "",
                          "PEM file of the CAs that sign masters' certificates; required with "
                          "TLS, or the start-up stops"};
const ConfigKey kTlsCrl = {"Svr104", "TlsCrl", ConfigKeyType::Text, "",
                           "PEM files of CRLs, comma-separated; empty: no revocation check"};
const ConfigKey kTlsPeers = {"Svr104", "TlsPeers", ConfigKeyType::Text, "",
                             "SHA-256 fingerprints of the only master certificates allowed, "
                             "comma-separated; a malformed one stops the start-up"};
const ConfigKey kTlsPort = {"Svr104", "TlsPort", ConfigKeyType::Text, "19998",
                            "TCP port of TLS, 1..65535, or the start-up stops"};
const ConfigKey kPlainPort = {"Svr104", "PlainPort", ConfigKeyType::Text, "",
                              "TCP port of plain IEC 104, 0..65535 (0: none); empty: 2404, or "
                              "none with TLS on; else the start-up stops"};
const ConfigKey kTlsMinVersion = {"Svr104", "TlsMinVersion", ConfigKeyType::Text, "1.2",
                                  "1.2 or 1.3, or the start-up stops"};
const ConfigKey kSpontaneous = {"Svr104", "Spontaneous", ConfigKeyType::Int, "0",
                                "1 turns reporting by exception on; anything else: off"};
const ConfigKey kScanMs = {"Svr104", "ScanMs", ConfigKeyType::Int, "1000",
                           "milliseconds; below 100 becomes 100"};
const ConfigKey kDeadband = {"Svr104", "Deadband", ConfigKeyType::Real, "0",
                             "negative or not a number becomes 0 (any change)"};
const ConfigKey kTableDeadband = {"Svr.Deadband", nullptr, ConfigKeyType::Real, "0",
                                  "like Deadband; overrides it for the table"};
const ConfigKey kDetail = {"Svr.Detail", nullptr, ConfigKeyType::Int, "0",
                           "1: a detail table, never served"};
const ConfigKey kBaseAddr = {"Svr.BaseAddr", nullptr, ConfigKeyType::Hex, "",
                             "served only when 0x4000 < value <= 0x5000"};
const ConfigKey kFields = {"Svr.Flds", nullptr, ConfigKeyType::Int, "0",
                           "value columns per row from index 8 on; 0: all of them"};

const std::vector<const ConfigKey*>& All()
{
    static const std::vector<const ConfigKey*> all = {
        &kOa,          &kCa,          &kPeriodic, &kStrictIec,     &kAllowedMasters,
        &kMaxMasters,  &kBindAddress, &kTlsCert,  &kTlsKey,        &kTlsCa,
        &kTlsCrl,      &kTlsPeers,    &kTlsPort,  &kPlainPort,     &kTlsMinVersion,
        &kSpontaneous, &kScanMs,      &kDeadband, &kTableDeadband, &kDetail,
        &kBaseAddr,    &kFields};
    return all;
}

std::string NameOf(const ConfigKey& key, const std::string& table)
{
    return key.name != nullptr ? std::string(key.name) : table;
}

int ReadInt(const SimpleIni& ini, const ConfigKey& key, const std::string& table)
{
    return ini.GetValue<int>(key.section, NameOf(key, table), std::atoi(key.defaultText));
}

double ReadReal(const SimpleIni& ini, const ConfigKey& key, const std::string& table)
{
    return ini.GetValue<double>(key.section, NameOf(key, table),
                                std::strtod(key.defaultText, nullptr));
}

std::string ReadText(const SimpleIni& ini, const ConfigKey& key, const std::string& table)
{
    return ini.GetValue(key.section, NameOf(key, table), key.defaultText);
}

int ReadHex(const SimpleIni& ini, const ConfigKey& key, const std::string& table)
{
    const std::string text = ReadText(ini, key, table);
    long value = std::strtol(text.c_str(), nullptr, 16);
    /* Saturate like a 32-bit long: a wider value must not wrap into the
     * served range through its low bits. */
    if (value > INT_MAX)
        return INT_MAX;
    if (value < INT_MIN)
        return INT_MIN;
    return static_cast<int>(value);
}

} // namespace config_keys
