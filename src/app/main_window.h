// The main window and the program's start-up, shared by WinMain, the test
// harness and the benchmarks so that all of them start the program the same
// way.
#pragma once

#include <windows.h>

// Class name of the main window: a single space.
extern const char MAIN_WINDOW_CLASS[];

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the main window class (icon 129, menu 114). The result is not
// examined by StartApplication: a failure shows up when the window is created.
ATOM RegisterMainWindowClass(HINSTANCE instance);

// Creates the fixed-size main window; its WM_CREATE starts the socket layer
// and builds the panel. Null on failure.
HWND CreateMainWindow(HINSTANCE instance);

// "MS Sans Serif" 14 points, weight 600, sized for the screen that `window`
// is on.
HFONT CreateTitleFont(HWND window);

// Everything WinMain does before its message loop: the white brush, the
// window class, the seams (the framing's transport and message handler, the
// status log's reporter, the connection's handlers), the frame trace
// when QUORVEX_TRACE names a file, the main window (shown with `show`) and
// the title font. Returns the main window, or null when it could not be
// created (the white brush then stays for the caller to ignore).
HWND StartApplication(HINSTANCE instance, int show);
