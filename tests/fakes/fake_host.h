// SPDX-License-Identifier: Apache-2.0
/*
 * A stand-in for the slave as its connections see it (sMasterConnectionHost):
 * the default link and application-layer parameters, the strict profile,
 * the application's handlers behind the real dispatch, and counts of what
 * the connection asked of its host. It serves one connection: activate
 * makes it active, as the slave does in mode 1.
 */
#ifndef QX_TESTS_FAKES_FAKE_HOST_H
#define QX_TESTS_FAKES_FAKE_HOST_H

#include "cs104_master_connection.h"
#include "cs104_slave_dispatch.h"

#include <atomic>

namespace qxfake
{

class FakeHost
{
  public:
    FakeHost();
    FakeHost(const FakeHost&) = delete;
    FakeHost& operator=(const FakeHost&) = delete;

    MasterConnectionHost host() const { return &record_; }

    sCS104_APCIParameters apci;
    sCS101_AppLayerParameters appLayer;
    std::atomic<bool> strict{false};
    std::atomic<int> commonAddress{0};
    sSlaveHandlers handlers{};

    std::atomic<int> activations{0};
    std::atomic<int> dispatched{0};
    std::atomic<int> unlisted{0};
    std::atomic<int> threadsEnded{0};

  private:
    sMasterConnectionHost record_;
};

} // namespace qxfake

#endif
