// Helpers for tests that run the real main window in-process: start-up as
// WinMain does it (StartApplication, without the loop and without showing
// the window), a bounded message pump, lookups of this thread's top-level
// windows, and what a user reads and presses on a window.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// Starts the program as WinMain does, the main window hidden; null on failure.
HWND StartMainWindow();

// Destroys the main window (if it still exists), drains the queue including
// the WM_QUIT that WM_DESTROY posts, and shuts the socket layer down.
void StopMainWindow();

// From now on until the next start-up, the mirror's records come from a
// heap that counts them: those alive, and frees of what was not alive (freed
// twice, or never made).
void CountRecords();
size_t LiveRecords();
int BadRecordFrees();

// Dispatches pending messages for at most `ms` milliseconds, or until `done`
// returns true. WM_QUIT is swallowed. Returns the last value of `done`.
bool PumpMessages(DWORD ms, const std::function<bool()>& done = nullptr);

// Dispatches every message already in this thread's queue, and those that
// they post in turn, without waiting for more. A message posted before this
// call has been handled when it returns.
void DispatchPending();

// A visible or hidden top-level window of this thread with the given title
// (and, when one is given, of the given class).
HWND FindThreadWindow(const char* title, const char* className = nullptr);

std::string WindowText(HWND window);
std::string ClassName(HWND window);

// The window's title, then the texts of its labels, buttons and group boxes
// that are shown, in alphabetical order: what the user reads on it.
std::vector<std::string> ShownTexts(HWND window);
// How a field takes what the user types or clicks: "text", "digits", "hidden
// text" (a password), "choice" (a list the user cannot type into),
// "address" or "check box". The field is left as it was.
std::string FieldKind(HWND field);
// The text of the button that Enter presses in a dialog.
std::string DefaultButton(HWND dialog);
// Presses the button with this text in `window` as a click does (its parent
// hears BN_CLICKED); false when there is no such enabled button.
bool Click(HWND window, const std::string& text);

// The texts of a pop-up menu's items as the user reads them, a separator as
// "-", joined by " | "; and the id of the item `item` of the pop-up `popup`
// of `menu`, found by their texts (0 when there is none).
std::string MenuTexts(HMENU popup);
UINT MenuItemId(HMENU menu, const char* popup, const char* item);
