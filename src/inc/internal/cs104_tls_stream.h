// SPDX-License-Identifier: Apache-2.0
/*
 * The TLS transport of a master connection: a TransportStream (see
 * cs104_transport_stream.h) that runs the station's side of a TLS session
 * over an accepted socket, with the state of a loaded CS104_TlsConfig.
 *
 * The handshake runs in the connection's thread, driven by read and
 * waitReadable (and by a write that comes first): read gives 0 until it is
 * complete. It must complete within CS104_TLS_HANDSHAKE_TIMEOUT_MS of
 * TlsStream_create on the platform's monotonic clock; after that, or after
 * any refusal, read and waitReadable give -1 and the connection closes.
 * The configuration's handshake handler learns the outcome once.
 */
#ifndef CS104_TLS_STREAM_H
#define CS104_TLS_STREAM_H

#include "cs104_tls.h"
#include "cs104_transport_stream.h"

/*
 * A TLS stream over an accepted socket, which it then owns, with the state
 * config has in place now (a later reload does not change it). Null when
 * config has nothing loaded or memory runs out; the socket then still
 * belongs to the caller.
 */
TransportStream TlsStream_create(Socket socket, CS104_TlsConfig config);

/*
 * The outcome of the stream's handshake into result: true once it has
 * ended (successfully or not), false while it runs or when self is not a
 * TLS stream.
 */
bool TlsStream_getHandshakeResult(TransportStream self, CS104_TlsHandshakeResult* result);

#endif
