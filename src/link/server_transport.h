// The server connection's frame transport, registered with the framing
// (SetFrameTransport) at start-up.
#pragma once

#include <cstddef>
#include <cstdint>

// Queues one whole frame on the server connection, or none of it. Returns a
// socket-layer result code: SOCK_NOT_OPEN (quietly) without a connection,
// SOCK_NO_RESOURCES (with a status line) when the queue has no room for it.
int ServerTransportSend(const uint8_t* frame, size_t length);
