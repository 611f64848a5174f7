// SPDX-License-Identifier: Apache-2.0
/*
 * The slave unit's own internals (cs104_slave.cpp); its record is private
 * to that file.
 *
 * Threads and ownership:
 * - The server thread accepts controlling stations, makes each accepted
 *   socket a transport stream and a master connection
 *   (cs104_master_connection.h), lists and counts it, then starts its thread.
 * - The slave owns its list of connections, guarded by openConnectionsLock,
 *   and in mode 0 the shared queue pair. Connections reach the slave only
 *   through the host record it gives them (activate, dispatch, unlist,
 *   thread ended, the parameters and the strict profile); the dispatch
 *   (cs104_slave_dispatch.h) sees only the handlers and the profile.
 * - Each connection thread is counted in connectionThreads until its very
 *   last touch of the slave; destroy closes every connection and waits for
 *   that count to reach 0 before it frees anything.
 * Lock order: openConnectionsLock, then a connection's sentASDUsLock, then
 * a queue lock.
 */
#ifndef CS104_SLAVE_INTERNAL_H
#define CS104_SLAVE_INTERNAL_H

#include "cs104_slave.h"

#include <cstddef>

/* Stack reserved by the server thread, which accepts and runs the
 * connection-request handler: the connection threads' budget
 * (CS104_CONNECTION_STACK_SIZE). */
constexpr size_t CS104_SERVER_STACK_SIZE = 256 * 1024;

#endif
