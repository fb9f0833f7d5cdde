// The one TCP connection to the Quorvex Server: connecting, the socket
// layer's events for it, the user's disconnect, and emptying the lists when
// it ends. The connect dialog opens again whenever the connection ends.
#pragma once

#include <windows.h>

#include <cstdint>

// Receive buffer handed to the socket layer for the server connection.
extern char g_serverReceiveBuffer[2048];

// Starts an attempt with the address and port in the dialog (when given) or
// in g_clientConfig.
void ConnectToServer(HWND dialog);

int ServerSocketCallback(uint32_t context, uint32_t event, uint32_t value, uint32_t, uint32_t);

// The Disconnect button: closes the connection and returns to the connect dialog.
void DisconnectFromServer();

// The panel's Connect / Disconnect button.
void SetConnectButton(const char* caption, BOOL enabled);
