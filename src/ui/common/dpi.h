// Display scaling. The program declares itself DPI-aware (per monitor where
// the system can, system-wide before that), so every size it sets in pixels
// itself is given for 96 DPI and scaled here by the DPI of the window it
// belongs to. At 96 DPI nothing changes. The per-monitor calls are looked up
// at run time: Windows 7 and Wine lack some of them.
#pragma once

#include <windows.h>

#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The DPI of `window`'s monitor; the system DPI where the system has no
// per-window DPI; the system DPI for a null window.
UINT WindowDpi(HWND window);

// `pixels` at 96 DPI, for `dpi`.
int ScaleForDpi(int pixels, UINT dpi);

// The small icon size (SM_CXSMICON) for `dpi`.
int SmallIconSize(UINT dpi);
