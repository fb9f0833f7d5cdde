// The main window and the program's start-up, shared by WinMain, the test
// harness and the benchmarks so that all of them start the program the same
// way.
#pragma once

#include <windows.h>

// The main window, from its WM_CREATE to its WM_DESTROY; the target of its
// private messages (ui/common/main_messages.h).
extern HWND g_mainWindow;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the main window class (icon 129, menu 114). The result is not
// examined by StartApplication: a failure shows up when the window is created.
ATOM RegisterMainWindowClass(HINSTANCE instance);

// Creates the fixed-size main window; its WM_CREATE starts the socket layer
// and builds the panel. Null on failure.
HWND CreateMainWindow(HINSTANCE instance);

// Everything WinMain does before its message loop: the white brush, the
// window class, the seams (the framing's transport and message handler, the
// status log's reporter, the connection's handlers), the frame trace
// when QUORVEX_TRACE names a file, the main window (shown with `show`) and
// the title font. Returns the main window, or null when it could not be
// created (the white brush then stays for the caller to ignore).
HWND StartApplication(HINSTANCE instance, int show);
