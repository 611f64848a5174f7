/*
 * spontaneous_settings.cpp - reading the keys of reporting by exception (see
 * spontaneous_settings.h).
 */
#include "spontaneous_settings.h"

#include "event_detector.h"

namespace
{

const char kSection[] = "Svr104";
const char kDeadbandSection[] = "Svr.Deadband";

} // namespace

double SpontaneousSettings::DeadbandOf(const std::string& table) const
{
    auto it = tableDeadbands.find(table);
    return it != tableDeadbands.end() ? it->second : deadband;
}

SpontaneousSettings SpontaneousSettings::Read(SimpleIni& ini)
{
    SpontaneousSettings s;
    s.enabled = ini.GetValue<int>(kSection, "Spontaneous", 0) == 1;
    s.scanMs = ini.GetValue<int>(kSection, "ScanMs", kDefaultScanMs);
    if (s.scanMs < kMinScanMs)
        s.scanMs = kMinScanMs;
    s.deadband = UsableDeadband(ini.GetValue<double>(kSection, "Deadband", 0.0));
    for (auto it = ini.beginKey(kDeadbandSection); it != ini.endKey(kDeadbandSection); ++it)
        s.tableDeadbands[it->first] =
            UsableDeadband(ini.GetValue<double>(kDeadbandSection, it->first, 0.0));
    return s;
}
