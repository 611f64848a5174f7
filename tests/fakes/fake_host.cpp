// SPDX-License-Identifier: Apache-2.0
#include "fakes/fake_host.h"

namespace qxfake
{
namespace
{

FakeHost* fakeHost(void* object)
{
    return static_cast<FakeHost*>(object);
}

void activate(void* object, MasterConnection connection)
{
    fakeHost(object)->activations++;
    MasterConnection_activate(connection);
}

bool discard(void* connection)
{
    return MasterConnection_discardInterrogationAnswer(static_cast<MasterConnection>(connection));
}

void dispatch(void* object, MasterConnection connection, CS101_ASDU asdu)
{
    FakeHost* self = fakeHost(object);
    self->dispatched++;
    SlaveDispatchPeer peer = {MasterConnection_getInterface(connection), discard, connection};
    SlaveDispatch_handleASDU(&self->handlers, {self->strict, self->commonAddress}, &peer, asdu);
}

void unlist(void* object, MasterConnection)
{
    fakeHost(object)->unlisted++;
}

void threadEnded(void* object)
{
    fakeHost(object)->threadsEnded++;
}

} // namespace

FakeHost::FakeHost()
    : apci{12, 8, 10, 15, 10, 20}, appLayer{1, 1, 2, 0, 2, 3}, record_{this,      &apci,
                                                                       &appLayer, &strict,
                                                                       activate,  dispatch,
                                                                       unlist,    threadEnded}
{
}

} // namespace qxfake
