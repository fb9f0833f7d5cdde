// Process-wide state of the server connection that every part of the client reads.
// Plain globals: one GUI thread uses them, no locks.
#pragma once

#include <cstdint>

#include "core/wire/wire.h"

enum : uint32_t {
    CONN_DISCONNECTED = 0,  // no connection and no attempt under way
    CONN_CONNECTING = 1,    // the socket layer accepted the attempt
    CONN_CONNECTED = 2,     // frames are exchanged
};

extern uint32_t g_connectionState;

// Socket table index of the current or last server connection. Not reset when
// the connection ends: the socket layer refuses sends on a released entry.
extern int32_t g_serverConnection;

// The server's settings as last received (whole payload, header included) and
// edited by the settings dialog; survives disconnection.
extern Cfg g_settingsCopy;

// Nonzero once the settings have arrived on the current connection.
extern uint32_t g_settingsAvailable;
