// SPDX-License-Identifier: Apache-2.0
/*
 * point_image.h - one complete set of the gateway's points, as published by a
 * refresh (see image_store.h for the publication scheme).
 *
 * Extending the image: add a member with an in-class initializer and say here
 * which step of the refresh writes it. A refresh starts from a copy of the
 * published image, so every member keeps its last value where a refresh does
 * not write it; readers see all members of one refresh together.
 *
 * Members beyond the values:
 * - statusQuality / measuredQuality: the quality bits served with each point
 *   (SIQ flags of a single point, QDS of a measured value). The refresh sets
 *   IEC60870_QUALITY_INVALID (0x80) where the data store holds a value that
 *   is not a number (see DbConnection::IsNumericField) and 0 where it read a
 *   number; such a point's value is 0.
 */
#ifndef POINT_IMAGE_H
#define POINT_IMAGE_H

#include <cstdint>
#include <map>
#include <memory>
#include <string>

struct PointImage {
    static constexpr int kStatusPoints = 32768;
    static constexpr int kMeasuredPoints = 32768;
    /* First IOA of the measured values (index 0). */
    static constexpr int kMeasuredIoaBase = 0x4000;

    /* True when a table's base address admits it: 0x4000 < base <= 0x5000. */
    static constexpr bool IsServedBase(int base) { return base > 0x4000 && base <= 0x5000; }

    uint8_t status[kStatusPoints] = {};   /* 0 or 1; index i is IOA i + 1 */
    float measured[kMeasuredPoints] = {}; /* index j is IOA 0x4000 + j */
    /* Per served table: number of measured values loaded by the last refresh. */
    std::map<std::string, int> tablePoints;
    /* Quality bits served with each point (0: good, 0x80: invalid). */
    uint8_t statusQuality[kStatusPoints] = {};
    uint8_t measuredQuality[kMeasuredPoints] = {};

    /* Point count of a table, 0 when it has none (adds no entry). */
    int PointsOf(const std::string& table) const
    {
        auto it = tablePoints.find(table);
        return it == tablePoints.end() ? 0 : it->second;
    }
};

/* A published image: shared, immutable, kept alive by its holders. */
typedef std::shared_ptr<const PointImage> PointImageSnapshot;

#endif
