// The notification-area icon: its picture and tooltip follow the test
// items' states, its balloons tell of hosts going down and coming up and of
// a lost connection, and its menu brings the main window back or quits.
// Where the shell has no notification area, none of this shows and the
// program works as it would without it.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstdint>

#include "core/wire/wire.h"

// The one call that reaches the shell. Tests register their own to see what
// the client asks for; null restores Shell_NotifyIconA.
using NotifyIconCall = BOOL(WINAPI*)(DWORD message, PNOTIFYICONDATAA data);
void SetNotifyIconCall(NotifyIconCall call);

// Adds the icon for the main window and removes it again; StopTrayIcon runs
// in the main window's WM_DESTROY, before the quit message.
void StartTrayIcon(HWND mainWindow);
void StopTrayIcon();

// Hooks for the views of the server mirror, each a few operations per
// message: the icon shows the mirror's counts, is redrawn at most a few
// times a second, and alerts are gathered into at most one balloon every
// few seconds.
// Items were added, removed or cleared: the counts changed.
void TrayItemsChanged();
// An item's flags changed from (oldStarted, oldUp): by a status notice,
// which may raise an alert, or by an answer to a command, which never does.
void TrayItemChanged(const TestItem& item, uint32_t oldStarted, uint32_t oldUp, bool statusNotice);
// The connection state changed: a connection was established or ended.
// Either drops the alerts gathered so far and stops a flash; `lost` when an
// established connection ended other than by the user's Disconnect, which
// raises a balloon of its own.
void TrayConnectionChanged(bool lost);

// The main window's DPI changed: the icon's pictures follow its new size.
void TrayDpiChanged(UINT dpi);

// "Show Alerts" in the icon's menu: on at start, held for the run.
bool TrayAlertsShown();
