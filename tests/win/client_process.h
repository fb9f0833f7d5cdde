// The shipped quorvex.exe as a separate process, driven as a user would:
// started in a directory of its own, its connect dialog filled and confirmed.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

// Polls `done` every `everyMs` milliseconds for at most `ms` milliseconds.
bool WaitFor(const std::function<bool()>& done, DWORD ms, DWORD everyMs = 20);

// The program's connect dialog once its WM_INITDIALOG has filled the address
// and the port (the window exists before that: what is typed or pressed
// earlier acts on empty fields); null when none came within `ms`.
HWND WaitForFilledConnectDialog(DWORD ms);

// A control of the program's monitor panel, found from its main window.
HWND PanelControl(HWND mainWindow, int id);

// Starts the program (Windows path) with `dir` as its working directory,
// waits for its connect dialog, types the port and presses OK; `beforeOk`
// runs just before (a benchmark reads the idle program's figures there).
bool StartClientProcess(const std::string& exe, const std::string& dir, uint16_t port,
                        PROCESS_INFORMATION* pi, const std::function<void()>& beforeOk = nullptr);

// Waits up to `ms` for the process, closes its handles: its exit code, or -1 (killed).
long WaitForProcess(PROCESS_INFORMATION* pi, DWORD ms);

// Closes the main window, then WaitForProcess(pi, 20000).
long StopClientProcess(PROCESS_INFORMATION* pi);
