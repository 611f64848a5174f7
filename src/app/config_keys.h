// SPDX-License-Identifier: Apache-2.0
/*
 * config_keys.h - every qxSvr.ini key the gateway reads, in one table.
 *
 * Each entry names the section and the key (or, for the per-table sections,
 * that the key is a table's name), how the text is read, the default used
 * when the key is absent, the range a value must lie in and what happens to
 * a value outside it. The readers below take an entry, so a key's name and
 * default are written only here; the units that interpret a value
 * (ConnectionPolicy, SpontaneousSettings, GatewayConfig, PointRefresh) read
 * it through them. Check holds every entry of a loaded file against the
 * table: refused values, mapped values, unknown sections and keys.
 *
 * A key is one row: the range fields have defaults (no bound, nothing
 * mapped), so a text key needs only its first five fields.
 *
 * A section whose key is null holds one key per data-store table, or, with
 * freeNames, keys named as the file likes (the groups of "Svr.Groups"):
 * Check accepts any name there, and CheckTableNames looks only at the
 * per-table sections.
 *
 * Pure: no I/O beyond the given SimpleIni, no state.
 */
#ifndef CONFIG_KEYS_H
#define CONFIG_KEYS_H

#include <cmath>
#include <string>
#include <vector>

#include "SimpleIni.h"

/* How the text of a key becomes a value, and what text Check accepts. */
enum class ConfigKeyType {
    Int,  /* whole number ([+-] and digits) within the range of int */
    Real, /* plain decimal number: digits with one optional dot, finite */
    Text, /* the text as written; checked by the unit that reads it */
    Hex,  /* hexadecimal number (optional sign and 0x), saturated to an int */
    Word  /* one of the key's words (letter case and outer blanks ignored) */
};

struct ConfigKey {
    const char* section;
    const char* name; /* null: one key per data-store table, named after it */
    ConfigKeyType type;
    const char* defaultText; /* the default, written as the key's text would be */
    const char* check;       /* range and what a bad value does, as the README gives it */
    /* A number outside [lowest, highest] stops the start-up. */
    double lowest = -HUGE_VAL;
    double highest = HUGE_VAL;
    /* A number outside [usualLowest, usualHighest] (within the above) is
     * taken as `mapped` says, with a warning. For Hex, `mapped` also says
     * what unreadable text means, which is then only warned about. */
    double usualLowest = -HUGE_VAL;
    double usualHighest = HUGE_VAL;
    const char* mapped = nullptr;
    /* Word: the accepted words, separated by '|' ("single|connection"). */
    const char* words = nullptr;
    /* name null: true when the section's keys are names of the file's own
     * choosing (group names), false when they name data-store tables. */
    bool freeNames = false;
};

/* One finding of Check. A refused value stops the start-up; a warning does
 * not. */
struct ConfigProblem {
    bool refused = false;
    bool unknownName = false; /* an unknown section or key: reason says it all */
    std::string section;
    std::string key;
    std::string value;
    std::string reason; /* "outside 1-65534", "did you mean 'Ca'?" ... */

    /* "[Svr104] Ca=70000: outside 1-65534", or the reason alone for an
     * unknown name ("unknown key 'Cb' in [Svr104]; did you mean 'Ca'?"). */
    std::string Text() const;
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
extern const ConfigKey kRedundancy;
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
extern const ConfigKey kStaleAfter;    /* section "Svr104" */
extern const ConfigKey kGroup;         /* section "Svr.Groups": one key per group (freeNames) */
extern const ConfigKey kStatusFile;    /* section "Svr104" */

/* The whole table, in the order above. */
const std::vector<const ConfigKey*>& All();

/* The key's name in its section: its own name, or table for a per-table key
 * (the group's name for a key of free names). */
std::string NameOf(const ConfigKey& key, const std::string& table);

/* The value of the key (of table for a per-table key), or its default. */
int ReadInt(const SimpleIni& ini, const ConfigKey& key, const std::string& table = "");
double ReadReal(const SimpleIni& ini, const ConfigKey& key, const std::string& table = "");
std::string ReadText(const SimpleIni& ini, const ConfigKey& key, const std::string& table = "");
/* Hexadecimal text parsed by strtol base 16 ("" and absent give 0), then
 * saturated at INT_MIN / INT_MAX, so a large value never wraps. */
int ReadHex(const SimpleIni& ini, const ConfigKey& key, const std::string& table = "");

/* Every entry of ini held against the table, section by section and key by
 * key in SimpleIni's (name) order: a value of
 * the wrong form or outside its range (refused), a value the gateway maps
 * (warning), an empty number (warning: the default is used), an unknown
 * section or key (warning, with the nearest known name when one is close).
 * Names match as SimpleIni looks them up: exactly, case included. Text keys
 * are left to the unit that parses them. */
std::vector<ConfigProblem> Check(SimpleIni& ini);

/* Warnings for the keys of the per-table sections that name none of
 * tables (the data store's tables), with the nearest table name. Sections
 * of free names (freeNames) are not looked at. */
std::vector<ConfigProblem> CheckTableNames(SimpleIni& ini, const std::vector<std::string>& tables);

/* The known name nearest to name by edit distance (letter case ignored),
 * or "" when none is near enough to be a likely typo. */
std::string Nearest(const std::string& name, const std::vector<std::string>& known);

} // namespace config_keys

#endif
