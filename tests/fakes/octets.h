// SPDX-License-Identifier: Apache-2.0
/* Octets: the byte string every engine test and fake speaks in. */
#ifndef QX_TESTS_FAKES_OCTETS_H
#define QX_TESTS_FAKES_OCTETS_H

#include <cstdint>
#include <vector>

namespace qxtest
{

using Octets = std::vector<uint8_t>;

} // namespace qxtest

#endif
