// SPDX-License-Identifier: Apache-2.0
/*
 * point_list.h - the gateway's point list: every IOA of a station
 * interrogation answer with its type, cause, value, quality and source.
 *
 * The list is read from what the gateway itself computes: the answer's
 * ranges (CSvrWrapper104::AnswerRanges), a published image and the source
 * record of the refresh that built it (CSvrWrapper104::UpdDat). No rule of
 * the refresh or the answer is repeated here.
 *
 * Problems (what `qxpoints --check` and `qxsvr104 --check` fail on):
 * - an IOA sent more than once in one answer (overlapping ranges);
 * - a row whose value falls outside the images (never served).
 * Notes (printed, not failed on): a point whose source was overwritten by a
 * later source in the same refresh, and points loaded into the image that no
 * range of the answer sends.
 */
#ifndef POINT_LIST_H
#define POINT_LIST_H

#include <cstdint>
#include <string>
#include <vector>

#include "point_refresh.h"
#include "SvrWrapper104b.h"

namespace point_list
{

struct PointRow {
    int ioa = 0;
    bool measured = false; /* M_ME_NC_1, else M_SP_NA_1 */
    int cause = 0;         /* in an interrogation answer */
    double value = 0;
    uint8_t quality = 0; /* 0x80: invalid */
    PointSource source;
    int served = 0; /* times the answer sends this IOA */
};

struct PointList {
    std::vector<PointRow> rows; /* answer order, each IOA once */
    std::vector<std::string> problems;
    std::vector<std::string> notes;
};

/* The list of an image, the answer's ranges over it, and the refresh's
 * source record. */
PointList MakePointList(const std::vector<AnswerRange>& ranges, const PointImage& img,
                        const PointSourceRecord& record);

/* "tbPower SID 1 V01 / 10", "tbDio SID 1 D01 (device input 1)", "-". */
std::string SourceText(const PointSource& source);

/* Plain table with the problems and notes after it. */
std::string FormatTable(const PointList& list);
/* One header line, then one line per point (RFC 4180 quoting). */
std::string FormatCsv(const PointList& list);

} // namespace point_list

#endif
