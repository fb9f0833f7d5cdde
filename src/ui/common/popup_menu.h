// The program's pop-up menus (a list's right-click menu, the notification
// icon's menu) are shown through here, so that a test can read a menu as
// it opens and choose from it.
#pragma once

#include <windows.h>

// Shows the menu at `at` (screen coordinates) and returns the chosen
// command, 0 when none was chosen.
UINT ShowPopupMenu(HMENU popup, HWND owner, POINT at);

// Tests register their own; null restores TrackPopupMenu.
using PopupMenuCall = UINT (*)(HMENU popup, HWND owner, POINT at);
void SetPopupMenuCall(PopupMenuCall call);
