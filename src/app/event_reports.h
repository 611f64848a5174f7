// SPDX-License-Identifier: Apache-2.0
/*
 * event_reports.h - the events of one scan as ASDUs for the master.
 *
 * Events go out in the order the detector listed them, as M_SP_TB_1 (30) or
 * M_ME_TF_1 (36) with cause 3 (spontaneous), every object tagged with the
 * same CP56Time2a: the wall-clock time of the scan that saw the change.
 * Consecutive events of one type share an ASDU until it is full (249
 * octets: 22 single points or 16 measured values with the slave's default
 * sizes); a change of type starts a new ASDU, so the order survives.
 *
 * Nothing here keeps state; the caller owns the events and the slave.
 */
#ifndef EVENT_REPORTS_H
#define EVENT_REPORTS_H

#include <cstdint>
#include <functional>
#include <vector>

#include "cs104_slave.h"
#include "event_detector.h"

/* Receives each finished ASDU; the ASDU is destroyed after the call. */
typedef std::function<void(CS101_ASDU)> AsduSink;

/*
 * Packs events into ASDUs (originator oa, common address ca, the sizes of
 * parameters) tagged with the time seenAtMs (milliseconds since 1970, UTC)
 * and hands each to sink in order. Returns the number of ASDUs handed over;
 * 0 without parameters or sink. An event that cannot be allocated is
 * skipped.
 */
int EncodeEvents(const std::vector<PointEvent>& events, CS101_AppLayerParameters parameters, int oa,
                 int ca, uint64_t seenAtMs, const AsduSink& sink);

/* EncodeEvents into the slave's low-priority queue (CS104_Slave_enqueueASDU);
 * 0 without a slave. */
int EnqueueEvents(CS104_Slave slave, CS101_AppLayerParameters parameters, int oa, int ca,
                  uint64_t seenAtMs, const std::vector<PointEvent>& events);

#endif
