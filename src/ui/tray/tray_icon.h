// The notification-area icon: its picture and tooltip follow the test
// items' states (it watches the server mirror), its balloons tell of hosts
// going down and coming up and of a lost connection, with a sound when the
// user asked for one, and its menu brings the main window back, holds the
// two alert choices, or quits.
// Where the shell has no notification area, none of this shows and the
// program works as it would without it.
#pragma once

#include <windows.h>
#include <shellapi.h>

// The one call that reaches the shell. Tests register their own to see what
// the client asks for; null restores Shell_NotifyIconA.
using NotifyIconCall = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAA data);
void SetNotifyIconCall(NotifyIconCall call);

// Adds the icon for the main window and removes it again; StopTrayIcon runs
// in the main window's WM_DESTROY, before the quit message.
void StartTrayIcon(HWND mainWindow);
void StopTrayIcon();

// The connection state changed: a connection was established or ended.
// Either drops the alerts gathered so far and stops a flash; `lost` when an
// established connection ended other than by the user's Disconnect, which
// raises a balloon of its own.
void TrayConnectionChanged(bool lost);

// The main window's DPI changed: the icon's pictures follow its new size.
void TrayDpiChanged(UINT dpi);
