// The application shell's process-wide state: the main window, the panel and
// the GDI objects that outlive single dialogs, the main window's private
// messages, and the two window operations every dialog uses.
#pragma once

#include <windows.h>

// Private messages of the main window, always posted. WM_SOCKET_EVENT and
// WM_SOCKET_SEND belong to the socket layer (net/socket.h).
#define WM_SHOW_CONNECT (WM_USER + 4)  // open the connect dialog while disconnected
#define WM_START_SYNC (WM_USER + 6)    // connection established: ask for everything

extern HINSTANCE g_instance;   // passed to every dialog creation and resource load
extern HWND g_mainWindow;      // target of every private message
extern HWND g_monitorPanel;    // the child dialog filling the main window
extern HWND g_aboutBox;        // open About box or null; the box clears it
extern HBRUSH g_whiteBrush;    // background of the settings page title
extern HFONT g_titleFont;      // the About box's version line
extern HFONT g_headingFont;    // created by the test item dialog on first use

// Class name of the main window: a single space.
extern const char MAIN_WINDOW_CLASS[];

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the main window class (icon 129, menu 114). The result is not
// examined by WinMain: a failure shows up when the window is created.
ATOM RegisterMainWindowClass(HINSTANCE instance);

// Creates the fixed-size main window; its WM_CREATE starts the socket layer
// and builds the panel. Null on failure.
HWND CreateMainWindow(HINSTANCE instance);

// "MS Sans Serif" 14 points, weight 600, sized for the screen that `window`
// is on.
HFONT CreateTitleFont(HWND window);

// CreateDialogParamA with MAKEINTRESOURCE(templateId), then shown and updated.
HWND OpenModelessDialog(HINSTANCE instance, HWND owner, DLGPROC proc, int templateId);

// Centres `window` over its parent (for a dialog: its owner), or over the
// desktop when it has none.
void CenterWindow(HWND window);
