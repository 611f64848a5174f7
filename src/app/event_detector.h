// SPDX-License-Identifier: Apache-2.0
/*
 * event_detector.h - change detection for reporting by exception.
 *
 * After each scan (a refresh of the point images) the detector compares
 * what the scan saw with the last state reported as an event and lists the
 * points that make an event, in the order a master should see them:
 * watched range by watched range, IOA by IOA within a range.
 *
 * - A status point makes an event when its value or its quality changed.
 * - A measured value makes an event when its quality changed, or when its
 *   difference from the last value reported as an event exceeds the range's
 *   deadband (0: any change). The reference moves only with an event, so
 *   slow drift is reported once it adds up beyond the deadband.
 *   A value that is not a number compares equal to another such value and
 *   unequal to any number; infinities compare by equality.
 * - The first scan records the state and makes no event: there is nothing
 *   earlier to compare with.
 * - A point keeps its reference while it lies outside every watched range;
 *   one that joins a range later (a table grew) is compared with the value
 *   its image entry held when it was last recorded.
 *
 * Pure: no I/O, no clock, no locks. One detector belongs to one thread (the
 * gateway's main thread). Compared values and qualities come through
 * ScanView, the one place that knows how an image stores them.
 */
#ifndef EVENT_DETECTOR_H
#define EVENT_DETECTOR_H

#include <cstddef>
#include <cstdint>
#include <vector>

struct PointImage;

/* The type an event is sent with. */
enum class EventType : uint8_t {
    SinglePoint,  /* M_SP_TB_1 (30) */
    MeasuredFloat /* M_ME_TF_1 (36) */
};

/* One change to report. */
struct PointEvent {
    EventType type;
    int ioa;
    float value;     /* 0 or 1 for a single point */
    uint8_t quality; /* quality descriptor bits (IEC60870_QUALITY_INVALID = 0x80) */
};

/* IOAs first..last watched as one type; the deadband applies to measured values. */
struct WatchedRange {
    EventType type;
    int firstIoa;
    int lastIoa;
    double deadband;
};

/* What one scan saw, indexed like PointImage (status IOA i at i - 1, measured
 * IOA at IOA - 0x4000). A null quality array means every point is good. */
struct ScanView {
    const uint8_t* status;          /* PointImage::kStatusPoints octets, 0 or 1 */
    const uint8_t* statusQuality;   /* PointImage::kStatusPoints octets, or null */
    const float* measured;          /* PointImage::kMeasuredPoints values */
    const uint8_t* measuredQuality; /* PointImage::kMeasuredPoints octets, or null */
};

/* The view of a published image, values and per-point quality. */
ScanView ViewOf(const PointImage& image);

/* A configured deadband as the detector uses it: negative or NaN becomes 0. */
double UsableDeadband(double configured);

/* True when a measured value moved from last to now by more than deadband. */
bool MeasuredValueChanged(float last, float now, double deadband);

class EventDetector
{
  public:
    EventDetector();

    /*
     * Compares the view with the reported state over the ranges (clipped to
     * the images), appends the events to *events in order and makes them the
     * new reported state. The first call only records the whole view and
     * appends nothing. Returns the number of events appended; 0 and nothing
     * recorded when events is null or the view lacks its value arrays.
     */
    size_t Scan(const ScanView& view, const std::vector<WatchedRange>& ranges,
                std::vector<PointEvent>* events);

    /* True once a scan has recorded a state. */
    bool IsPrimed() const { return m_primed; }

  private:
    void Record(const ScanView& view);
    void ScanStatus(const ScanView& view, const WatchedRange& range,
                    std::vector<PointEvent>* events);
    void ScanMeasured(const ScanView& view, const WatchedRange& range,
                      std::vector<PointEvent>* events);

    bool m_primed;
    std::vector<uint8_t> m_status; /* last reported state, per image index */
    std::vector<uint8_t> m_statusQuality;
    std::vector<float> m_measured;
    std::vector<uint8_t> m_measuredQuality;
};

#endif
