// SPDX-License-Identifier: Apache-2.0
/*
 * report_plan.h - what a station interrogation answer, a periodic report and
 * a scan cover, and how many ASDUs that takes.
 *
 * The answer's ranges, in the order they are sent:
 * 1. Status IOAs 1-8 and 9-29, cause 20 on the interrogating connection.
 * 2. The 17 status ranges of station 49, then the same ranges plus 512 for
 *    station 50, queued with cause 1 (strict: cause 20 on the connection).
 * 3. The measured values of every served table in served-table order, cause
 *    20: for tbModbusDat the 6 fixed ranges of station 49 and the same plus
 *    1280 for station 50, for another table its base address on, as many
 *    IOAs as the table's point count in the image.
 * A periodic report sends the same ranges, all queued with cause 1; a scan
 * watches the same ranges, each measured range with its table's deadband.
 *
 * Reports cut every range into ASDUs of at most 28 objects, made only when
 * their first object comes: an empty range sends nothing, and a range that
 * is an exact multiple of 28 sends no trailing ASDU without objects. Range
 * bounds are clipped to the images, so no range reads outside them.
 *
 * Pure: no I/O, no data store, no state beyond the plan's inputs.
 */
#ifndef REPORT_PLAN_H
#define REPORT_PLAN_H

#include <string>
#include <vector>

#include "event_detector.h"
#include "point_image.h"
#include "spontaneous_settings.h"

/* One IOA range of a station interrogation answer, in answer order. */
struct AnswerRange {
    bool measured; /* M_ME_NC_1 from the measured image, else M_SP_NA_1 */
    int first;     /* IOAs first..last (empty when last < first) */
    int last;
    int cause;         /* 20: on the interrogating connection; 1: queued for all */
    std::string table; /* served table of a measured range, else "" */
};

/* A served table and its "Svr.BaseAddr". */
struct ServedTable {
    std::string name;
    int base;
};

/* IOAs first..last (empty when last < first). */
struct IoaRange {
    int first;
    int last;
};

class ReportPlan
{
  public:
    /* At most this many information objects per ASDU. */
    static constexpr int kObjectsPerAsdu = 28;

    /* strict: "StrictIec" is 1; tables in served-table order. */
    ReportPlan(bool strict, std::vector<ServedTable> tables);

    /* The ranges of a station interrogation answer over an image, in the
     * order they are sent. Bounds are not yet clipped to the images. */
    std::vector<AnswerRange> AnswerRanges(const PointImage& img) const;
    /* What a scan watches: the answer's ranges, every measured range with
     * its table's deadband, in report order. */
    std::vector<WatchedRange> WatchedRanges(const PointImage& img,
                                            const SpontaneousSettings& settings) const;
    /* The answer's range that holds ioa once clipped to the images. */
    bool FindAnswerRange(const PointImage& img, int ioa, AnswerRange* found) const;
    /* Most ASDUs one periodic report or interrogation answer can carry: the
     * status ranges, the fixed Modbus ranges, for every other served table
     * all image points from its base on (a table never fills more), plus the
     * activation confirmation and its termination. */
    int AsduBoundOfOneReport() const;

    /* Status IOAs first..last clipped to IOAs 1..kStatusPoints. */
    static IoaRange ClipStatus(int first, int last);
    /* Measured IOAs first..last clipped to the measured image. */
    static IoaRange ClipMeasured(int first, int last);
    /* ASDUs of at most 28 objects for count points (0 for none). */
    static int AsdusFor(int count);

  private:
    bool m_strict;
    std::vector<ServedTable> m_tables;
};

#endif
