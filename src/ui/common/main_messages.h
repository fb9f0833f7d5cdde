// The main window's private messages, all posted. Two are the program's own
// deferred requests; the other two are the socket layer's, which posts them
// to the window it was started with (net/socket.h) and which the main window
// hands back to it unchanged. (The notification icon's window has a message
// of its own, private to tray_icon.cpp.)
#pragma once

#include <windows.h>

#include "net/socket.h"

#define WM_SHOW_CONNECT (WM_USER + 4)  // open the connect dialog while disconnected
#define WM_START_SYNC (WM_USER + 6)    // connection established: ask for everything

static_assert(WM_SHOW_CONNECT != WM_START_SYNC && WM_SOCKET_EVENT > WM_START_SYNC &&
                  WM_SOCKET_SEND > WM_START_SYNC,
              "each private message of the main window has a number of its own");
