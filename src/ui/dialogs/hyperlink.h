// Turns a static control into a link: drawn in LINK_COLOUR, a hand cursor
// over it, underlined while the mouse is over it, and a click reaching the
// parent as WM_COMMAND with the control's id. All state lives in window
// properties of the control and its parent, so any number of links in any
// dialog work without globals.
#pragma once

#include <windows.h>

constexpr COLORREF LINK_COLOUR = RGB(0, 0, 192);

// Property names (exact; other code and tests look for them).
#define HYPERLINK_PROP_ORIGINAL_PROC "_Hyperlink_Original_Proc_"
#define HYPERLINK_PROP_ORIGINAL_FONT "_Hyperlink_Original_Font_"
#define HYPERLINK_PROP_UNDERLINE_FONT "_Hyperlink_Underline_Font_"
#define HYPERLINK_PROP_FROM_STATIC "_Hyperlink_From_Static_"

// The control must already have its font and be a child of the window that
// is to receive its clicks.
void MakeHyperlink(HWND control);

LRESULT CALLBACK HyperlinkParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK HyperlinkProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
