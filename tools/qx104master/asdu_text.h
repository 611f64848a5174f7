// SPDX-License-Identifier: Apache-2.0
/*
 * ASDUs of the operator master: the requests it sends, built with the
 * project's IEC 60870-5-101 application layer, and the readable text of every
 * ASDU it receives.
 *
 * All functions take the application-layer sizes of the link (the station's
 * defaults are 1, 1, 2, 0, 2, 3). Builders return the ASDU octets, or an
 * empty vector when the application layer refuses the request. The text
 * functions never read outside the octets they are given.
 */
#ifndef QX_TOOLS_ASDU_TEXT_H
#define QX_TOOLS_ASDU_TEXT_H

#include "iec60870_common.h"

#include <cstdint>
#include <string>
#include <vector>

/* C_IC_NA_1 with IOA 0 and the given qualifier. */
std::vector<uint8_t> buildInterrogation(CS101_AppLayerParameters parameters, int cot, int oa,
                                        int ca, int qoi);

/* C_SC_NA_1 (execute, no qualifier) for ioa with the given state. */
std::vector<uint8_t> buildSingleCommand(CS101_AppLayerParameters parameters, int cot, int oa,
                                        int ca, int ioa, bool state);

/* C_CS_NA_1 with IOA 0 carrying the UTC time given in ms since 1970. */
std::vector<uint8_t> buildClockSync(CS101_AppLayerParameters parameters, int cot, int oa, int ca,
                                    uint64_t utcMs);

/*
 * Readable text of one received ASDU, one line for the header, then one
 * line per information object, each ending in a newline, for example
 *   ASDU M_SP_NA_1(1) cause INTERROGATED_BY_STATION(20) oa 2 ca 1 objects 2
 *     IOA 1: value 1 quality 0x00
 *     IOA 2: value 0 quality 0x00
 * An object that cannot be decoded is shown as "(not decoded)" and the
 * payload octets follow in hexadecimal.
 */
std::string formatAsdu(CS101_AppLayerParameters parameters, const uint8_t* octets, int length);

#endif
