// A person at another program's window, played from this process: real
// clicks through SendInput (the input queue a mouse feeds), and what the
// screen shows of the answer. Nothing here asks the other program's
// thread: window positions and visibility come from the wineserver, pixels
// from the display, so a program that is busy cannot make its answer look
// quicker than a person would see it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

// Brings the window's top-level window to the foreground, moves the cursor
// to the window's centre on screen (every other time a few pixels to the
// right, so that quick clicks stay single clicks) and presses and releases
// the left button there.
bool ClickCentre(HWND window);

// The same with the right button: a list's context menu.
bool RightClickCentre(HWND window);

// Presses and releases each key in turn, into whatever has the focus.
bool PressKeys(const std::vector<WORD>& keys);

// A shown top-level window of class `windowClass` made by `thread` (a
// popup menu is "#32768", a dialog "#32770"); null if none.
HWND ShownWindowOf(DWORD thread, const char* windowClass);

// The drop-down list of a drop-down combo box of another process (a
// "ComboLBox" window of the combo box's thread); null if none.
HWND DropDownOf(HWND combo);

// Clicks the combo box and waits at most `limitMs` for its drop-down list to
// show: the milliseconds that took, or `limitMs` when it did not (-1 when
// the combo box has no drop-down list). Then closes the list with a second
// click and waits, again at most `limitMs`, for it to hide. A list left open
// by an earlier click is closed first. (Escape closes it too, but under Wine
// a click within half a second of that was now and then lost: no list
// opened, in 2 to 9 % of 300 tries.)
double ComboAnswerMs(HWND combo, DWORD limitMs);

// The screen rectangle of a list view's rows: its client area below the
// column header; empty when the window is gone.
RECT RowsOnScreen(HWND list);

// What the screen shows in `rect` (screen coordinates), one 0x00RRGGBB value
// a pixel, row by row; empty when it could not be read.
std::vector<uint32_t> ScreenPixels(const RECT& rect);

// A checksum of pixels, to tell two pictures apart.
uint64_t PictureSum(const std::vector<uint32_t>& pixels);

// Whether the pixels are all of one colour, as the rows of an empty list are.
bool IsPlain(const std::vector<uint32_t>& pixels);
