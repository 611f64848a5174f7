// SPDX-License-Identifier: Apache-2.0
/*
 * IMasterConnection: forwarders to the operations of the record the slave
 * engine fills in for each connection (see iec60870_slave.h).
 */
#include "iec60870_slave.h"

void IMasterConnection_sendASDU(IMasterConnection self, CS101_ASDU asdu)
{
    self->sendASDU(self, asdu);
}

void IMasterConnection_sendACT_CON(IMasterConnection self, CS101_ASDU asdu, bool negative)
{
    self->sendACT_CON(self, asdu, negative);
}

void IMasterConnection_sendACT_TERM(IMasterConnection self, CS101_ASDU asdu)
{
    self->sendACT_TERM(self, asdu);
}

CS101_AppLayerParameters IMasterConnection_getApplicationLayerParameters(IMasterConnection self)
{
    return self->getApplicationLayerParameters(self);
}
