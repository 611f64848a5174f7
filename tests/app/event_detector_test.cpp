// SPDX-License-Identifier: Apache-2.0
/*
 * Change detection of reporting by exception: first scan, status and quality
 * changes, deadbands per range, values that are not numbers, order and the
 * limits of the watched ranges.
 */
#include "event_detector.h"

#include "point_image.h"
#include "cs101_information_objects.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace
{

const int kMeasuredBase = PointImage::kMeasuredIoaBase;

/* An image with qualities of its own, viewed as a scan sees it. */
struct Scene {
    std::unique_ptr<PointImage> image{new PointImage()};
    std::vector<uint8_t> statusQuality = std::vector<uint8_t>(PointImage::kStatusPoints);
    std::vector<uint8_t> measuredQuality = std::vector<uint8_t>(PointImage::kMeasuredPoints);

    ScanView View() const
    {
        ScanView view = ViewOf(*image);
        view.statusQuality = statusQuality.data();
        view.measuredQuality = measuredQuality.data();
        return view;
    }
    void SetStatus(int ioa, int value) { image->status[ioa - 1] = static_cast<uint8_t>(value); }
    void SetMeasured(int ioa, float value) { image->measured[ioa - kMeasuredBase] = value; }
};

WatchedRange Status(int first, int last)
{
    return {EventType::SinglePoint, first, last, 0.0};
}

WatchedRange Measured(int first, int last, double deadband = 0.0)
{
    return {EventType::MeasuredFloat, first, last, deadband};
}

class EventDetectorTest : public ::testing::Test
{
  protected:
    /* One scan; its events. */
    std::vector<PointEvent> Scan(const std::vector<WatchedRange>& ranges)
    {
        std::vector<PointEvent> events;
        size_t appended = detector.Scan(scene.View(), ranges, &events);
        EXPECT_EQ(appended, events.size());
        return events;
    }

    Scene scene;
    EventDetector detector;
};

TEST_F(EventDetectorTest, FirstScan_RecordsWithoutEvents_ThenOnlyChangesAreEvents)
{
    const std::vector<WatchedRange> ranges = {Status(1, 29),
                                              Measured(kMeasuredBase + 1, kMeasuredBase + 9)};
    scene.SetStatus(3, 1);
    scene.SetMeasured(kMeasuredBase + 2, 12.5f);
    EXPECT_FALSE(detector.IsPrimed());
    EXPECT_TRUE(Scan(ranges).empty()); /* values differ from zero, but nothing came before */
    EXPECT_TRUE(detector.IsPrimed());
    EXPECT_TRUE(Scan(ranges).empty());

    scene.SetStatus(3, 0);
    std::vector<PointEvent> events = Scan(ranges);
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(EventType::SinglePoint, events[0].type);
    EXPECT_EQ(3, events[0].ioa);
    EXPECT_EQ(0.0f, events[0].value);
    EXPECT_EQ(IEC60870_QUALITY_GOOD, events[0].quality);
    EXPECT_TRUE(Scan(ranges).empty()); /* reported once */

    scene.SetStatus(3, 7); /* any non-zero octet is "on" */
    events = Scan(ranges);
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(1.0f, events[0].value);
}

TEST_F(EventDetectorTest, Deadband_ChangeInsideSendsNothing_DriftBeyondItFromTheLastEventSendsOne)
{
    const int ioa = kMeasuredBase + 5;
    const std::vector<WatchedRange> ranges = {Measured(ioa, ioa, 0.5)};
    scene.SetMeasured(ioa, 10.0f);
    Scan(ranges);

    scene.SetMeasured(ioa, 10.4f);
    EXPECT_TRUE(Scan(ranges).empty());
    scene.SetMeasured(ioa, 10.5f); /* exactly the deadband: not beyond it */
    EXPECT_TRUE(Scan(ranges).empty());
    scene.SetMeasured(ioa, 10.75f); /* 0.75 from the reference 10.0 */
    std::vector<PointEvent> events = Scan(ranges);
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(EventType::MeasuredFloat, events[0].type);
    EXPECT_EQ(ioa, events[0].ioa);
    EXPECT_EQ(10.75f, events[0].value);

    scene.SetMeasured(ioa, 10.3f); /* 0.45 below the new reference */
    EXPECT_TRUE(Scan(ranges).empty());
    scene.SetMeasured(ioa, 10.2f);
    EXPECT_EQ(1u, Scan(ranges).size());
}

TEST_F(EventDetectorTest, DeadbandPerRange_SameChange_OnlyTheNarrowRangeReports)
{
    const std::vector<WatchedRange> ranges = {Measured(kMeasuredBase + 1, kMeasuredBase + 1, 2.0),
                                              Measured(kMeasuredBase + 2, kMeasuredBase + 2, 0.5),
                                              Measured(kMeasuredBase + 3, kMeasuredBase + 3, 0.0)};
    Scan(ranges);
    scene.SetMeasured(kMeasuredBase + 1, 1.0f);
    scene.SetMeasured(kMeasuredBase + 2, 1.0f);
    scene.SetMeasured(kMeasuredBase + 3, 1e-6f); /* 0: any change */
    std::vector<PointEvent> events = Scan(ranges);
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ(kMeasuredBase + 2, events[0].ioa);
    EXPECT_EQ(kMeasuredBase + 3, events[1].ioa);
}

TEST_F(EventDetectorTest, QualityChange_WithTheSameValue_IsAnEventOfItsOwn)
{
    const int ioa = kMeasuredBase + 7;
    const std::vector<WatchedRange> ranges = {Status(10, 10), Measured(ioa, ioa, 100.0)};
    scene.SetStatus(10, 1);
    scene.SetMeasured(ioa, 3.0f);
    Scan(ranges);

    scene.statusQuality[9] = IEC60870_QUALITY_INVALID;
    scene.measuredQuality[ioa - kMeasuredBase] = IEC60870_QUALITY_INVALID;
    std::vector<PointEvent> events = Scan(ranges);
    ASSERT_EQ(2u, events.size());
    EXPECT_EQ(10, events[0].ioa);
    EXPECT_EQ(1.0f, events[0].value);
    EXPECT_EQ(IEC60870_QUALITY_INVALID, events[0].quality);
    EXPECT_EQ(ioa, events[1].ioa);
    EXPECT_EQ(3.0f, events[1].value);
    EXPECT_EQ(IEC60870_QUALITY_INVALID, events[1].quality);

    scene.measuredQuality[ioa - kMeasuredBase] = IEC60870_QUALITY_GOOD;
    events = Scan(ranges);
    ASSERT_EQ(1u, events.size());
    EXPECT_EQ(IEC60870_QUALITY_GOOD, events[0].quality);
}

TEST_F(EventDetectorTest, NotANumber_ComesAndGoes_OneEventEachWay)
{
    const int ioa = kMeasuredBase + 1;
    const std::vector<WatchedRange> ranges = {Measured(ioa, ioa, 1.0)};
    scene.SetMeasured(ioa, 2.0f);
    Scan(ranges);
    scene.SetMeasured(ioa, std::numeric_limits<float>::quiet_NaN());
    std::vector<PointEvent> events = Scan(ranges);
    ASSERT_EQ(1u, events.size());
    EXPECT_TRUE(std::isnan(events[0].value));
    EXPECT_TRUE(Scan(ranges).empty()); /* still not a number */
    scene.SetMeasured(ioa, 2.0f);
    EXPECT_EQ(1u, Scan(ranges).size());
}

TEST(MeasuredValueChangedTest, Infinities_CompareByEquality)
{
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(MeasuredValueChanged(inf, inf, 0.0));
    EXPECT_TRUE(MeasuredValueChanged(inf, -inf, 1e30));
    EXPECT_TRUE(MeasuredValueChanged(1.0f, inf, 1e30));
    EXPECT_FALSE(MeasuredValueChanged(-0.0f, 0.0f, 0.0));
}

TEST(UsableDeadbandTest, NegativeOrNotANumber_BecomesZero)
{
    EXPECT_EQ(0.0, UsableDeadband(-1.0));
    EXPECT_EQ(0.0, UsableDeadband(std::nan("")));
    EXPECT_EQ(0.25, UsableDeadband(0.25));
}

TEST_F(EventDetectorTest, Order_RangeByRangeAsGiven_IoaByIoaWithinARange)
{
    const std::vector<WatchedRange> ranges = {Measured(kMeasuredBase + 20, kMeasuredBase + 22),
                                              Status(5, 6), Status(1, 2)};
    Scan(ranges);
    scene.SetStatus(1, 1);
    scene.SetStatus(6, 1);
    scene.SetStatus(5, 1);
    scene.SetMeasured(kMeasuredBase + 22, 1.0f);
    scene.SetMeasured(kMeasuredBase + 20, 1.0f);
    std::vector<int> ioas;
    for (const PointEvent& e : Scan(ranges))
        ioas.push_back(e.ioa);
    EXPECT_EQ((std::vector<int>{kMeasuredBase + 20, kMeasuredBase + 22, 5, 6, 1}), ioas);
}

TEST_F(EventDetectorTest, PointsOutsideTheRanges_NoEvents_AndRangesAreClippedToTheImage)
{
    const std::vector<WatchedRange> ranges = {
        Status(-5, 2), Status(32767, 40000),
        Measured(0, kMeasuredBase), /* below the image: IOA 0x4000 is index 0 */
        Measured(kMeasuredBase + 32767, 70000), Status(9, 3)};
    Scan(ranges);
    scene.SetStatus(3, 1); /* only in the empty range 9..3 */
    scene.SetStatus(32768, 1);
    scene.SetStatus(1, 1);
    scene.SetMeasured(kMeasuredBase, 4.0f);
    scene.SetMeasured(kMeasuredBase + 32767, 5.0f);
    scene.SetMeasured(kMeasuredBase + 1, 6.0f); /* outside every range */
    std::vector<int> ioas;
    for (const PointEvent& e : Scan(ranges))
        ioas.push_back(e.ioa);
    EXPECT_EQ((std::vector<int>{1, 32768, kMeasuredBase, kMeasuredBase + 32767}), ioas);
}

TEST_F(EventDetectorTest, RangesAtTheIntLimits_ReadNothingOutsideTheImage)
{
    const std::vector<WatchedRange> ranges = {
        Status(INT_MIN, INT_MIN), Status(INT_MIN, 1), Status(32768, INT_MAX),
        Measured(INT_MAX - 1, INT_MAX), Measured(INT_MIN, INT_MIN + 1)};
    Scan(ranges);
    for (int ioa = 1; ioa <= PointImage::kStatusPoints; ++ioa)
        scene.SetStatus(ioa, 1);
    for (int j = 0; j < PointImage::kMeasuredPoints; ++j)
        scene.SetMeasured(kMeasuredBase + j, 1.0f);
    std::vector<int> ioas;
    for (const PointEvent& e : Scan(ranges))
        ioas.push_back(e.ioa);
    EXPECT_EQ((std::vector<int>{1, 32768}), ioas);
}

TEST_F(EventDetectorTest, PointJoiningARangeLater_ComparedWithItsRecordedValue)
{
    scene.SetMeasured(kMeasuredBase + 3, 1.0f);
    Scan({Measured(kMeasuredBase + 1, kMeasuredBase + 2)});
    /* The table grows by a point that already held 1.0 when recorded. */
    EXPECT_TRUE(Scan({Measured(kMeasuredBase + 1, kMeasuredBase + 3)}).empty());
    scene.SetMeasured(kMeasuredBase + 3, 2.0f);
    EXPECT_EQ(1u, Scan({Measured(kMeasuredBase + 1, kMeasuredBase + 3)}).size());
}

TEST_F(EventDetectorTest, WithoutEventListOrValues_RecordsNothing)
{
    EXPECT_EQ(0u, detector.Scan(scene.View(), {Status(1, 1)}, nullptr));
    ScanView empty = {nullptr, nullptr, nullptr, nullptr};
    std::vector<PointEvent> events;
    EXPECT_EQ(0u, detector.Scan(empty, {Status(1, 1)}, &events));
    EXPECT_FALSE(detector.IsPrimed());
}

TEST(ViewOfTest, PublishedImage_ValuesAndQualities)
{
    std::unique_ptr<PointImage> image(new PointImage());
    ScanView view = ViewOf(*image);
    EXPECT_EQ(image->status, view.status);
    EXPECT_EQ(image->measured, view.measured);
    EXPECT_EQ(image->statusQuality, view.statusQuality);
    EXPECT_EQ(image->measuredQuality, view.measuredQuality);
}

} // namespace
