// SPDX-License-Identifier: Apache-2.0
/*
 * spontaneous_settings.h - the qxSvr.ini keys of reporting by exception.
 *
 * Section "Svr104":
 * - "Spontaneous" (int, default 0): 1 turns reporting by exception on; any
 *   other value leaves it off.
 * - "ScanMs" (int, milliseconds, default 1000): the scan period while it is
 *   on; values below 100 become 100.
 * - "Deadband" (float, default 0): the absolute change of a measured value
 *   that makes an event; 0 means any change. Negative values, and texts that
 *   are not a number, count as 0.
 * Section "Svr.Deadband": key = table name ("tbModbusDat" for the Modbus
 * values), value = that table's own deadband, read like "Deadband".
 *
 * Read once by Init; immutable afterwards.
 */
#ifndef SPONTANEOUS_SETTINGS_H
#define SPONTANEOUS_SETTINGS_H

#include <map>
#include <string>

#include "SimpleIni.h"

struct SpontaneousSettings {
    static constexpr int kDefaultScanMs = 1000;
    static constexpr int kMinScanMs = 100;

    bool enabled = false;
    int scanMs = kDefaultScanMs;
    double deadband = 0.0;
    std::map<std::string, double> tableDeadbands;

    /* The deadband of a table: its own from "Svr.Deadband", else "Deadband". */
    double DeadbandOf(const std::string& table) const;

    /* The settings in ini (defaults for absent keys); non-const only because
     * SimpleIni's key iterators are. */
    static SpontaneousSettings Read(SimpleIni& ini);
};

#endif
