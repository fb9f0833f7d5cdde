// The server connection's state, which every part of the client reads. A
// plain global: one GUI thread uses it, no locks. Only link/server_connection
// writes it, yet it lives here because SendRecord (core/session/frame_io)
// reads it and the core reaches nothing above itself.
#pragma once

#include <cstdint>

enum : uint32_t {
    CONN_DISCONNECTED = 0,  // no connection and no attempt under way
    CONN_CONNECTING = 1,    // the socket layer accepted the attempt
    CONN_CONNECTED = 2,     // frames are exchanged
};

extern uint32_t g_connectionState;
