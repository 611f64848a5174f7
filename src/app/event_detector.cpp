// SPDX-License-Identifier: Apache-2.0
/*
 * event_detector.cpp - change detection for reporting by exception (see
 * event_detector.h).
 *
 * The reported state is kept per image index for the whole image rather than
 * per watched point: the ranges can change from one scan to the next (a
 * table's point count), and an index lookup needs no search. Its 224 KiB
 * exist only while reporting by exception is on.
 */
#include "event_detector.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "point_image.h"
#include "cs101_information_objects.h"

namespace
{

/* The image indices of a range's IOAs, clipped to the image; empty when first > last. */
struct IndexSpan {
    int first;
    int last;
};

IndexSpan SpanOf(const WatchedRange& range, int lowestIoa, int points)
{
    const long long first = std::max<long long>(range.firstIoa, lowestIoa) - lowestIoa;
    const long long last =
        std::min<long long>(range.lastIoa, static_cast<long long>(lowestIoa) + points - 1) -
        lowestIoa;
    if (first > last)
        return {0, -1}; /* both bounds now lie within 0 .. points - 1 */
    return {static_cast<int>(first), static_cast<int>(last)};
}

uint8_t QualityAt(const uint8_t* qualities, int index)
{
    return qualities != nullptr ? qualities[index] : IEC60870_QUALITY_GOOD;
}

} // namespace

ScanView ViewOf(const PointImage& image)
{
    ScanView view;
    view.status = image.status;
    view.statusQuality = image.statusQuality;
    view.measured = image.measured;
    view.measuredQuality = image.measuredQuality;
    return view;
}

double UsableDeadband(double configured)
{
    return configured > 0.0 ? configured : 0.0; /* NaN compares false */
}

bool MeasuredValueChanged(float last, float now, double deadband)
{
    const bool lastNumber = !std::isnan(last);
    const bool nowNumber = !std::isnan(now);
    if (!lastNumber || !nowNumber)
        return lastNumber != nowNumber;
    if (last == now)
        return false;
    if (std::isinf(last) || std::isinf(now))
        return true;
    return std::fabs(static_cast<double>(now) - static_cast<double>(last)) > deadband;
}

EventDetector::EventDetector()
    : m_primed(false), m_status(PointImage::kStatusPoints),
      m_statusQuality(PointImage::kStatusPoints), m_measured(PointImage::kMeasuredPoints),
      m_measuredQuality(PointImage::kMeasuredPoints)
{
}

size_t EventDetector::Scan(const ScanView& view, const std::vector<WatchedRange>& ranges,
                           std::vector<PointEvent>* events)
{
    if (events == nullptr || view.status == nullptr || view.measured == nullptr)
        return 0;
    if (!m_primed) {
        Record(view);
        m_primed = true;
        return 0;
    }
    const size_t before = events->size();
    for (const WatchedRange& range : ranges) {
        if (range.type == EventType::SinglePoint)
            ScanStatus(view, range, events);
        else
            ScanMeasured(view, range, events);
    }
    return events->size() - before;
}

void EventDetector::Record(const ScanView& view)
{
    for (size_t i = 0; i < m_status.size(); ++i)
        m_status[i] = view.status[i] != 0 ? 1 : 0;
    std::memcpy(m_measured.data(), view.measured, m_measured.size() * sizeof(float));
    for (size_t i = 0; i < m_statusQuality.size(); ++i)
        m_statusQuality[i] = QualityAt(view.statusQuality, static_cast<int>(i));
    for (size_t i = 0; i < m_measuredQuality.size(); ++i)
        m_measuredQuality[i] = QualityAt(view.measuredQuality, static_cast<int>(i));
}

void EventDetector::ScanStatus(const ScanView& view, const WatchedRange& range,
                               std::vector<PointEvent>* events)
{
    const IndexSpan span = SpanOf(range, 1, PointImage::kStatusPoints);
    for (int i = span.first; i <= span.last; ++i) {
        const uint8_t value = view.status[i] != 0 ? 1 : 0;
        const uint8_t quality = QualityAt(view.statusQuality, i);
        if (value == m_status[i] && quality == m_statusQuality[i])
            continue;
        m_status[i] = value;
        m_statusQuality[i] = quality;
        events->push_back({EventType::SinglePoint, i + 1, static_cast<float>(value), quality});
    }
}

void EventDetector::ScanMeasured(const ScanView& view, const WatchedRange& range,
                                 std::vector<PointEvent>* events)
{
    const IndexSpan span = SpanOf(range, PointImage::kMeasuredIoaBase, PointImage::kMeasuredPoints);
    const double deadband = UsableDeadband(range.deadband);
    for (int j = span.first; j <= span.last; ++j) {
        const float value = view.measured[j];
        const uint8_t quality = QualityAt(view.measuredQuality, j);
        if (quality == m_measuredQuality[j] &&
            !MeasuredValueChanged(m_measured[j], value, deadband))
            continue;
        m_measured[j] = value;
        m_measuredQuality[j] = quality;
        events->push_back(
            {EventType::MeasuredFloat, j + PointImage::kMeasuredIoaBase, value, quality});
    }
}
