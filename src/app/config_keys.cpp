// SPDX-License-Identifier: Apache-2.0
/*
 * config_keys.cpp - the qxSvr.ini key table, its readers and its check (see
 * config_keys.h).
 */
#include "config_keys.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <set>

namespace config_keys
{

/* clang-format off */
const ConfigKey kOa = {"Svr104", "Oa", ConfigKeyType::Int, "2",
    "whole number 0-255; above 255 is sent modulo 256 (warning); negative: refused",
    0, INT_MAX, 0, 255, "sent modulo 256"};
const ConfigKey kCa = {"Svr104", "Ca", ConfigKeyType::Int, "1",
    "whole number 1-65534 (0 is not used, 65535 is the broadcast address): refused outside",
    1, 65534};
const ConfigKey kPeriodic = {"Svr104", "Periodic", ConfigKeyType::Int, "10",
    "whole number of seconds; 0: no periodic report; below 0 counts as 0 (warning)",
    INT_MIN, INT_MAX, 0, HUGE_VAL, "counts as 0: no periodic report"};
const ConfigKey kStrictIec = {"Svr104", "StrictIec", ConfigKeyType::Int, "0",
    "0 or 1: refused otherwise", 0, 1};
const ConfigKey kAllowedMasters = {"Svr104", "AllowedMasters", ConfigKeyType::Text, "",
    "empty (every master) or IPv4 addresses and CIDR ranges, comma-separated: refused otherwise"};
const ConfigKey kMaxMasters = {"Svr104", "MaxMasters", ConfigKeyType::Text, "",
    "empty (no limit) or a whole number 1 or more: refused otherwise"};
const ConfigKey kBindAddress = {"Svr104", "BindAddress", ConfigKeyType::Text, "",
    "empty (0.0.0.0) or an IPv4 address: refused otherwise"};
const ConfigKey kRedundancy = {"Svr104", "Redundancy", ConfigKeyType::Word, "single",
    "single, connection or groups, in any case: refused otherwise",
    -HUGE_VAL, HUGE_VAL, -HUGE_VAL, HUGE_VAL, nullptr, "single|connection|groups"};
const ConfigKey kTlsCert = {"Svr104", "TlsCert", ConfigKeyType::Text, "",
    "PEM file of the station's certificate chain; with TlsKey turns TLS on; alone: refused"};
const ConfigKey kTlsKey = {"Svr104", "TlsKey", ConfigKeyType::Text, "",
    "PEM file of the station's private key (not encrypted); with TlsCert turns TLS on; alone: "
    "refused"};
const ConfigKey kTlsCa = {"Svr104", "TlsCa", ConfigKeyType::Text, "",
    "PEM file of the CAs that sign masters' certificates; required with TLS: refused without"};
const ConfigKey kTlsCrl = {"Svr104", "TlsCrl", ConfigKeyType::Text, "",
    "empty (no revocation check) or PEM files of CRLs, comma-separated"};
const ConfigKey kTlsPeers = {"Svr104", "TlsPeers", ConfigKeyType::Text, "",
    "empty (every master the CA signs) or SHA-256 fingerprints of the only master certificates "
    "allowed, comma-separated: refused when one is malformed"};
const ConfigKey kTlsPort = {"Svr104", "TlsPort", ConfigKeyType::Int, "19998",
    "whole number 1-65535: refused outside", 1, 65535};
const ConfigKey kPlainPort = {"Svr104", "PlainPort", ConfigKeyType::Text, "",
    "empty (2404, or none with TLS on) or a whole number 0-65535 (0: none; not with TLS off, "
    "not TlsPort): refused otherwise"};
const ConfigKey kTlsMinVersion = {"Svr104", "TlsMinVersion", ConfigKeyType::Word, "1.2",
    "1.2 or 1.3: refused otherwise",
    -HUGE_VAL, HUGE_VAL, -HUGE_VAL, HUGE_VAL, nullptr, "1.2|1.3"};
const ConfigKey kSpontaneous = {"Svr104", "Spontaneous", ConfigKeyType::Int, "0",
    "0 or 1: refused otherwise", 0, 1};
const ConfigKey kScanMs = {"Svr104", "ScanMs", ConfigKeyType::Int, "1000",
    "whole number of milliseconds; below 100 counts as 100 (warning)",
    INT_MIN, INT_MAX, 100, HUGE_VAL, "counts as 100"};
const ConfigKey kStaleAfter = {"Svr104", "StaleAfter", ConfigKeyType::Int, "0",
    "whole number of seconds without a change in the database before every point carries NT; "
    "0: off; refused otherwise",
    0, INT_MAX};
const ConfigKey kStatusFile = {"Svr104", "StatusFile", ConfigKeyType::Text, "",
    "empty (none) or the path of a file, absolute or from the working directory; a directory: "
    "refused; a missing directory: warning (written once it exists)"};
const ConfigKey kDeadband = {"Svr104", "Deadband", ConfigKeyType::Real, "0",
    "plain decimal number 0 or more, dot as separator (0.5, 12): refused otherwise", 0};
const ConfigKey kTableDeadband = {"Svr.Deadband", nullptr, ConfigKeyType::Real, "0",
    "like Deadband; overrides it for the table", 0};
const ConfigKey kDetail = {"Svr.Detail", nullptr, ConfigKeyType::Int, "0",
    "0 or 1; another whole number is not 1 (warning); not a whole number: refused",
    INT_MIN, INT_MAX, 0, 1, "not 1, so the table is not a detail table"};
const ConfigKey kBaseAddr = {"Svr.BaseAddr", nullptr, ConfigKeyType::Hex, "",
    "hexadecimal; served only when above 4000 and at most 5000; not hexadecimal: not served "
    "(warning)",
    -HUGE_VAL, HUGE_VAL, -HUGE_VAL, HUGE_VAL, "not a hexadecimal number: the table is not served"};
const ConfigKey kFields = {"Svr.Flds", nullptr, ConfigKeyType::Int, "0",
    "whole number 0 or more: refused otherwise", 0, INT_MAX};
const ConfigKey kGroup = {"Svr.Groups", nullptr, ConfigKeyType::Text, "",
    "any group name; IPv4 addresses and CIDR ranges, comma-separated, at least one: refused "
    "otherwise (read with Redundancy=groups only)",
    -HUGE_VAL, HUGE_VAL, -HUGE_VAL, HUGE_VAL, nullptr, nullptr, true};
/* clang-format on */

const std::vector<const ConfigKey*>& All()
{
    static const std::vector<const ConfigKey*> all = {&kOa,
                                                      &kCa,
                                                      &kPeriodic,
                                                      &kStrictIec,
                                                      &kAllowedMasters,
                                                      &kMaxMasters,
                                                      &kBindAddress,
                                                      &kRedundancy,
                                                      &kTlsCert,
                                                      &kTlsKey,
                                                      &kTlsCa,
                                                      &kTlsCrl,
                                                      &kTlsPeers,
                                                      &kTlsPort,
                                                      &kPlainPort,
                                                      &kTlsMinVersion,
                                                      &kSpontaneous,
                                                      &kScanMs,
                                                      &kStaleAfter,
                                                      &kDeadband,
                                                      &kTableDeadband,
                                                      &kDetail,
                                                      &kBaseAddr,
                                                      &kFields,
                                                      &kGroup,
                                                      &kStatusFile};
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

namespace
{

bool AllOf(const std::string& text, size_t from, int (*accept)(int))
{
    if (from >= text.size())
        return false;
    for (size_t i = from; i < text.size(); ++i)
        if (!accept(static_cast<unsigned char>(text[i])))
            return false;
    return true;
}

size_t SignLength(const std::string& text)
{
    return !text.empty() && (text[0] == '+' || text[0] == '-') ? 1 : 0;
}

/* [+-] and decimal digits. */
bool IsWholeNumber(const std::string& text)
{
    return AllOf(text, SignLength(text), isdigit);
}

/* Digits with at most one dot and at least one digit: "12", "0.5", ".5", "5.". */
bool IsPlainDecimal(const std::string& text)
{
    const size_t dot = text.find('.');
    std::string digits = text;
    if (dot != std::string::npos)
        digits.erase(dot, 1);
    return AllOf(digits, 0, isdigit);
}

/* [+-], an optional 0x and hexadecimal digits. */
bool IsHexNumber(const std::string& text)
{
    size_t from = SignLength(text);
    if (text.size() > from + 2 && text[from] == '0' &&
        (text[from + 1] == 'x' || text[from + 1] == 'X'))
        from += 2;
    return AllOf(text, from, isxdigit);
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

/* words ("a|b|c") as "a, b, c". */
std::string WordList(const char* words)
{
    std::string list = words != nullptr ? words : "";
    for (size_t bar = list.find('|'); bar != std::string::npos; bar = list.find('|', bar))
        list.replace(bar, 1, ", ");
    return list;
}

/* value, trimmed and in any case, is one of words ("a|b|c"). */
bool IsOneOf(const std::string& value, const char* words)
{
    const std::string word = Lower(SimpleIni::Trim(value));
    const std::string all = words != nullptr ? words : "";
    size_t from = 0;
    for (;;) {
        const size_t bar = all.find('|', from);
        if (word == all.substr(from, bar == std::string::npos ? std::string::npos : bar - from))
            return true;
        if (bar == std::string::npos)
            return false;
        from = bar + 1;
    }
}

std::string NumberText(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.0f", value);
    return text;
}

bool IsBound(double bound)
{
    return !std::isinf(bound) && bound > INT_MIN && bound < INT_MAX;
}

/* "outside 1-65534" when both bounds are set, else "below 100", "above 255". */
std::string OutsideText(double value, double lowest, double highest)
{
    if (IsBound(lowest) && IsBound(highest))
        return "outside " + NumberText(lowest) + "-" + NumberText(highest);
    return value < lowest ? "below " + NumberText(lowest) : "above " + NumberText(highest);
}

ConfigProblem ValueProblem(bool refused, const std::string& section, const std::string& key,
                           const std::string& value, const std::string& reason)
{
    ConfigProblem p;
    p.refused = refused;
    p.section = section;
    p.key = key;
    p.value = value;
    p.reason = reason;
    return p;
}

/* The problem of one value of a known key, if any. */
bool CheckValue(const ConfigKey& key, const std::string& name, const std::string& value,
                ConfigProblem* problem)
{
    auto refuse = [&](const std::string& reason) {
        *problem = ValueProblem(true, key.section, name, value, reason);
        return true;
    };
    auto warn = [&](const std::string& reason) {
        *problem = ValueProblem(false, key.section, name, value, reason);
        return true;
    };
    if (key.type == ConfigKeyType::Text)
        return false;
    if (value.empty() && key.type != ConfigKeyType::Hex)
        return warn(std::string("empty: the default ") + key.defaultText + " is used");

    double number = 0;
    switch (key.type) {
    case ConfigKeyType::Int: {
        if (!IsWholeNumber(value))
            return refuse("not a whole number");
        errno = 0;
        const long long parsed = std::strtoll(value.c_str(), nullptr, 10);
        if (errno == ERANGE || parsed < INT_MIN || parsed > INT_MAX)
            return refuse("outside the range of a whole number (" + NumberText(INT_MIN) + "-" +
                          NumberText(INT_MAX) + ")");
        number = static_cast<double>(parsed);
        break;
    }
    case ConfigKeyType::Real: {
        if (!IsPlainDecimal(value))
            return refuse("not a plain decimal number 0 or more (digits, a dot as separator)");
        number = std::strtod(value.c_str(), nullptr);
        if (!std::isfinite(number))
            return refuse("too large to be a number");
        break;
    }
    case ConfigKeyType::Hex:
        if (!IsHexNumber(value))
            return warn(key.mapped);
        return false;
    case ConfigKeyType::Word:
        if (!IsOneOf(value, key.words))
            return refuse(std::string("not one of ") + WordList(key.words));
        return false;
    case ConfigKeyType::Text:
        return false;
    }
    if (number < key.lowest || number > key.highest)
        return refuse(OutsideText(number, key.lowest, key.highest));
    if (number < key.usualLowest || number > key.usualHighest)
        return warn((number < key.usualLowest ? "below " + NumberText(key.usualLowest)
                                              : "above " + NumberText(key.usualHighest)) +
                    ": " + key.mapped);
    return false;
}

size_t EditDistance(const std::string& a, const std::string& b)
{
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

std::string Suggestion(const std::string& name, const std::vector<std::string>& known,
                       const char* open, const char* close)
{
    const std::string nearest = Nearest(name, known);
    return nearest.empty() ? "" : std::string("; did you mean ") + open + nearest + close + "?";
}

} // namespace

std::string Nearest(const std::string& name, const std::vector<std::string>& known)
{
    const std::string lower = Lower(name);
    std::string best;
    size_t bestDistance = SIZE_MAX;
    for (const std::string& candidate : known) {
        const size_t d = EditDistance(lower, Lower(candidate));
        if (d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    }
    /* A third of the name, at least two edits: a typo, not another word. */
    const size_t limit = std::max<size_t>(2, best.size() / 3);
    return bestDistance <= limit ? best : "";
}

std::vector<ConfigProblem> Check(SimpleIni& ini)
{
    std::vector<std::string> sections;
    for (const ConfigKey* key : All())
        if (std::find(sections.begin(), sections.end(), key->section) == sections.end())
            sections.push_back(key->section);

    std::vector<ConfigProblem> problems;
    for (auto section = ini.beginSection(); section != ini.endSection(); ++section) {
        const std::string& sectionName = section->first;
        std::vector<std::string> names;
        const ConfigKey* perTable = nullptr;
        for (const ConfigKey* key : All()) {
            if (sectionName != key->section)
                continue;
            if (key->name == nullptr)
                perTable = key;
            else
                names.push_back(key->name);
        }
        if (sectionName.empty()) {
            for (const auto& entry : section->second) {
                ConfigProblem p;
                p.key = entry.first;
                p.value = entry.second.value;
                p.unknownName = true;
                p.reason = "key '" + entry.first + "' before the first section is ignored";
                problems.push_back(p);
            }
            continue;
        }
        if (perTable == nullptr && names.empty()) {
            ConfigProblem p;
            p.section = sectionName;
            p.unknownName = true;
            p.reason = "unknown section [" + sectionName + "]" +
                       Suggestion(sectionName, sections, "[", "]");
            problems.push_back(p);
            continue;
        }
        for (const auto& entry : section->second) {
            const ConfigKey* key = perTable;
            for (const ConfigKey* candidate : All())
                if (candidate->name != nullptr && sectionName == candidate->section &&
                    entry.first == candidate->name)
                    key = candidate;
            if (key == nullptr) {
                ConfigProblem p;
                p.section = sectionName;
                p.key = entry.first;
                p.value = entry.second.value;
                p.unknownName = true;
                p.reason = "unknown key '" + entry.first + "' in [" + sectionName + "]" +
                           Suggestion(entry.first, names, "'", "'");
                problems.push_back(p);
                continue;
            }
            ConfigProblem p;
            if (CheckValue(*key, entry.first, entry.second.value, &p))
                problems.push_back(p);
        }
    }
    return problems;
}

std::vector<ConfigProblem> CheckTableNames(SimpleIni& ini, const std::vector<std::string>& tables)
{
    std::vector<ConfigProblem> problems;
    std::set<std::string> seen;
    for (const ConfigKey* key : All()) {
        if (key->name != nullptr || key->freeNames || !seen.insert(key->section).second)
            continue;
        for (auto entry = ini.beginKey(key->section); entry != ini.endKey(key->section); ++entry) {
            if (std::find(tables.begin(), tables.end(), entry->first) != tables.end())
                continue;
            ConfigProblem p;
            p.section = key->section;
            p.key = entry->first;
            p.value = entry->second.value;
            p.unknownName = true;
            p.reason = "key '" + entry->first + "' in [" + key->section +
                       "] names no table of the data store" +
                       Suggestion(entry->first, tables, "'", "'");
            problems.push_back(p);
        }
    }
    return problems;
}

} // namespace config_keys

std::string ConfigProblem::Text() const
{
    if (unknownName)
        return reason;
    return "[" + section + "] " + key + "=" + value + ": " + reason;
}
