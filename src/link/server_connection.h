// The one TCP connection to the Quorvex Server: connecting, the socket
// layer's events for it, the user's disconnect, and emptying the lists when
// it ends. The connect dialog opens again whenever the connection ends.
#pragma once

#include <windows.h>

#include <cstdint>

#include "net/socket.h"

// Receive buffer handed to the socket layer for the server connection: one
// receive's worth of bytes.
extern char g_serverReceiveBuffer[RECEIVE_CHUNK];

// Starts an attempt with the address and port in the dialog (when given) or
// in g_clientConfig.
void ConnectToServer(HWND dialog);

int ServerSocketCallback(uint32_t context, uint32_t event, uint32_t value, uint32_t, uint32_t);

// The Disconnect button: closes the connection and returns to the connect dialog.
void DisconnectFromServer();

// The panel's Connect / Disconnect button follows the connection through a
// handler that the panel's owner registers at start-up: caption null keeps
// the caption. Without a handler nothing is shown.
using ConnectButtonHandler = void (*)(const char* caption, BOOL enabled);
void SetConnectButtonHandler(ConnectButtonHandler handler);
void UpdateConnectButton(const char* caption, BOOL enabled);
