/*
 * config_keys.h - every qxSvr.ini key the gateway reads, in one table.
 *
 * Each entry names the section and the key (or, for the per-table sections,
 * that the key is a table's name), how the text is read, the default used
 * when the key is absent, and how the value is checked. The readers below
 * take an entry, so a key's name and default are written only here; the
 * units that interpret a value (ConnectionPolicy, SpontaneousSettings,
 * GatewayConfig, PointRefresh) read it through them.
 *
 * Pure: no I/O beyond the given SimpleIni, no state.
 */
#ifndef CONFIG_KEYS_H
#define CONFIG_KEYS_H

#include <string>
#include <vector>

#include "SimpleIni.h"

/* How the text of a key becomes a value. */
enum class ConfigKeyType {
    Int,  /* SimpleIni::GetValue<int>: leading decimal number, else the default */
    Real, /* SimpleIni::GetValue<double>: leading number, else the default */
    Text, /* the text as written (SimpleIni::GetValue) */
    Hex   /* text parsed as hexadecimal by strtol base 16, saturated to an int */
};

struct ConfigKey {
    const char* section;
    const char* name; /* null: one key per data-store table, named after it */
    ConfigKeyType type;
    const char* defaultText; /* the default, written as the key's text would be */
    const char* check;       /* how the value is checked once read */
};

namespace config_keys
{

extern const ConfigKey kOa;
extern const ConfigKey kCa;
extern const ConfigKey kPeriodic;
extern const ConfigKey kStrictIec;
extern const ConfigKey kAllowedMasters;
extern const ConfigKey kMaxMasters;
extern const ConfigKey kBindAddress;
extern const ConfigKey kTlsCert;
extern const ConfigKey kTlsKey;
extern const ConfigKey kTlsCa;
extern const ConfigKey kTlsCrl;
extern const ConfigKey kTlsPeers;
extern const ConfigKey kTlsPort;
extern const ConfigKey kPlainPort;
extern const ConfigKey kTlsMinVersion;
extern const ConfigKey kSpontaneous;
extern const ConfigKey kScanMs;
extern const ConfigKey kDeadband;
extern const ConfigKey kTableDeadband; /* section "Svr.Deadband" */
extern const ConfigKey kDetail;        /* section "Svr.Detail" */
extern const ConfigKey kBaseAddr;      /* section "Svr.BaseAddr" */
extern const ConfigKey kFields;        /* section "Svr.Flds" */

/* The whole table, in the order above. */
const std::vector<const ConfigKey*>& All();

/* The key's name in its section: its own name, or table for a per-table key. */
std::string NameOf(const ConfigKey& key, const std::string& table);

/* The value of the key (of table for a per-table key), or its default. */
int ReadInt(const SimpleIni& ini, const ConfigKey& key, const std::string& table = "");
double ReadReal(const SimpleIni& ini, const ConfigKey& key, const std::string& table = "");
std::string ReadText(const SimpleIni& ini, const ConfigKey& key, const std::string& table = "");
/* Hexadecimal text parsed by strtol base 16 ("" and absent give 0), then
 * saturated at INT_MIN / INT_MAX, so a large value never wraps. */
int ReadHex(const SimpleIni& ini, const ConfigKey& key, const std::string& table = "");

} // namespace config_keys

#endif
