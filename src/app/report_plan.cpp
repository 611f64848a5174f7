// SPDX-License-Identifier: Apache-2.0
/*
 * report_plan.cpp - the ranges of answers, reports and scans and their ASDU
 * bound (see report_plan.h).
 */
#include "report_plan.h"

#include <utility>

#include "iec60870_common.h"

namespace
{

/* Offset of the station 50 status ranges from those of station 49. */
const int kStation50StatusOffset = 512;
/* Offset of the station 50 measured ranges from those of station 49. */
const int kStation50MeasuredOffset = 1280;

/* Status points answered on the interrogating connection with cause 20. */
const IoaRange kStationStatus[] = {{1, 8}, {9, 29}};

/* Status points of station 49; station 50's are the same plus 512. */
const IoaRange kStation49Status[] = {{256, 270}, {272, 280}, {304, 323}, {336, 350}, {352, 366},
                                     {368, 382}, {384, 398}, {400, 414}, {416, 439}, {448, 469},
                                     {480, 482}, {496, 519}, {528, 551}, {560, 583}, {592, 617},
                                     {624, 649}, {656, 681}};

/* Measured values of tbModbusDat for station 49; station 50's are plus 1280. */
const IoaRange kStation49Measured[] = {{16513, 16519}, {16527, 16537}, {16641, 16670},
                                       {16897, 16920}, {17153, 17176}, {17409, 17432}};

const char kModbusTable[] = "tbModbusDat";

template <size_t N> int AsdusFor(const IoaRange (&ranges)[N])
{
    int asdus = 0;
    for (const IoaRange& r : ranges)
        asdus += ReportPlan::AsdusFor(r.last - r.first + 1);
    return asdus;
}

/* Clips an IOA range to the IOAs that have an image entry. */
IoaRange ClipToImage(int first, int last, int lowestIoa, int points)
{
    IoaRange r = {first < lowestIoa ? lowestIoa : first, last};
    int highestIoa = lowestIoa + points - 1;
    if (r.last > highestIoa)
        r.last = highestIoa;
    return r;
}

} // namespace

ReportPlan::ReportPlan(bool strict, std::vector<ServedTable> tables)
    : m_strict(strict), m_tables(std::move(tables))
{
}

std::vector<AnswerRange> ReportPlan::AnswerRanges(const PointImage& img) const
{
    std::vector<AnswerRange> ranges;
    auto add = [&ranges](bool measured, int first, int last, int cause, const std::string& what) {
        ranges.push_back({measured, first, last, cause, what});
    };
    for (const IoaRange& r : kStationStatus)
        add(false, r.first, r.last, CS101_COT_INTERROGATED_BY_STATION, "");
    /* The 34 status ranges of stations 49 and 50 go to the queue, cause 1;
     * strict: on the interrogating connection with cause 20 like the rest. */
    const int stationCause = m_strict ? CS101_COT_INTERROGATED_BY_STATION : CS101_COT_PERIODIC;
    for (const IoaRange& r : kStation49Status)
        add(false, r.first, r.last, stationCause, "");
    for (const IoaRange& r : kStation49Status)
        add(false, r.first + kStation50StatusOffset, r.last + kStation50StatusOffset, stationCause,
            "");
    /* Every served table's measured values, in served-table order. */
    for (const ServedTable& table : m_tables) {
        if (!PointImage::IsServedBase(table.base))
            continue;
        if (table.name == kModbusTable) {
            for (const IoaRange& r : kStation49Measured)
                add(true, r.first, r.last, CS101_COT_INTERROGATED_BY_STATION, table.name);
            for (const IoaRange& r : kStation49Measured)
                add(true, r.first + kStation50MeasuredOffset, r.last + kStation50MeasuredOffset,
                    CS101_COT_INTERROGATED_BY_STATION, table.name);
        } else {
            add(true, table.base, table.base + img.PointsOf(table.name) - 1,
                CS101_COT_INTERROGATED_BY_STATION, table.name);
        }
    }
    return ranges;
}

std::vector<WatchedRange> ReportPlan::WatchedRanges(const PointImage& img,
                                                    const SpontaneousSettings& settings) const
{
    std::vector<WatchedRange> ranges;
    for (const AnswerRange& r : AnswerRanges(img)) {
        if (r.measured)
            ranges.push_back(
                {EventType::MeasuredFloat, r.first, r.last, settings.DeadbandOf(r.table)});
        else
            ranges.push_back({EventType::SinglePoint, r.first, r.last, 0.0});
    }
    return ranges;
}

bool ReportPlan::FindAnswerRange(const PointImage& img, int ioa, AnswerRange* found) const
{
    for (const AnswerRange& r : AnswerRanges(img)) {
        IoaRange clipped = r.measured ? ClipMeasured(r.first, r.last) : ClipStatus(r.first, r.last);
        if (ioa >= clipped.first && ioa <= clipped.last) {
            *found = r;
            return true;
        }
    }
    return false;
}

int ReportPlan::AsduBoundOfOneReport() const
{
    int asdus = 2 + ::AsdusFor(kStationStatus) + 2 * ::AsdusFor(kStation49Status);
    for (const ServedTable& table : m_tables) {
        if (!PointImage::IsServedBase(table.base))
            continue;
        if (table.name == kModbusTable)
            asdus += 2 * ::AsdusFor(kStation49Measured);
        else
            asdus +=
                AsdusFor(PointImage::kMeasuredPoints - (table.base - PointImage::kMeasuredIoaBase));
    }
    return asdus;
}

IoaRange ReportPlan::ClipStatus(int first, int last)
{
    return ClipToImage(first, last, 1, PointImage::kStatusPoints);
}

IoaRange ReportPlan::ClipMeasured(int first, int last)
{
    return ClipToImage(first, last, PointImage::kMeasuredIoaBase, PointImage::kMeasuredPoints);
}

int ReportPlan::AsdusFor(int count)
{
    return count > 0 ? (count + kObjectsPerAsdu - 1) / kObjectsPerAsdu : 0;
}
