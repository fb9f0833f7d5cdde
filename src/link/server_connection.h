// The one TCP connection to the Quorvex Server: connecting, the socket
// layer's events for it, the user's disconnect, and emptying the lists when
// it ends. What the user sees of it (the Connect button, the connect dialog
// opening again, the synchronisation that follows a connection, the drawing
// of what a receive changed) belongs to the layers above, which register
// their handlers at start-up.
#pragma once

#include <cstdint>

#include "net/socket.h"

// Starts an attempt with the address and port in g_clientConfig (the connect
// dialog stores what the user typed there first).
void ConnectToServer();

// Socket table index of the current or last server connection. Not reset when
// the connection ends: the socket layer refuses sends on a released entry.
extern int32_t g_serverConnection;

int ServerSocketCallback(uint32_t context, uint32_t event, uint32_t value, uint32_t, uint32_t);

// The Disconnect button: closes the connection and returns to the connect dialog.
void DisconnectFromServer();

// What the connection tells the layers above; any member may be null.
struct ConnectionHandlers {
    // The Connect / Disconnect button: its caption (null keeps it) and
    // whether it is enabled.
    void (*connectButton)(const char* caption, bool enabled);
    // Established: the synchronisation sequence is to run once the current
    // message has been handled.
    void (*established)();
    // Ended, or an attempt failed after it started: the connect dialog is to
    // open again. `lost` when an established connection ended other than by
    // the user's Disconnect.
    void (*ended)(bool lost);
    // Around the messages of one receive, so that what they change is drawn
    // together.
    void (*receiveBegins)();
    void (*receiveEnds)();
};
void SetConnectionHandlers(const ConnectionHandlers& handlers);

// Through the registered handler; nothing without one.
void UpdateConnectButton(const char* caption, bool enabled);
