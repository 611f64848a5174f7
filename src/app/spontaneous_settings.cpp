// SPDX-License-Identifier: Apache-2.0
/*
 * spontaneous_settings.cpp - reading the keys of reporting by exception (see
 * spontaneous_settings.h).
 */
#include "spontaneous_settings.h"

#include "config_keys.h"
#include "event_detector.h"

double SpontaneousSettings::DeadbandOf(const std::string& table) const
{
    auto it = tableDeadbands.find(table);
    return it != tableDeadbands.end() ? it->second : deadband;
}

SpontaneousSettings SpontaneousSettings::Read(SimpleIni& ini)
{
    SpontaneousSettings s;
    s.enabled = config_keys::ReadInt(ini, config_keys::kSpontaneous) == 1;
    s.scanMs = config_keys::ReadInt(ini, config_keys::kScanMs);
    if (s.scanMs < kMinScanMs)
        s.scanMs = kMinScanMs;
    s.deadband = UsableDeadband(config_keys::ReadReal(ini, config_keys::kDeadband));
    const char* const tables = config_keys::kTableDeadband.section;
    for (auto it = ini.beginKey(tables); it != ini.endKey(tables); ++it)
        s.tableDeadbands[it->first] =
            UsableDeadband(config_keys::ReadReal(ini, config_keys::kTableDeadband, it->first));
    return s;
}
