// The connect dialog's address field (SysIPAddress32) as dotted text. Besides
// its window text, the four fields are set and read through the control's
// own messages: some implementations of the control keep WM_SETTEXT as a
// bare window title and show nothing.
#pragma once

#include <windows.h>

void SetAddressField(HWND control, const char* text);
// Reads at most 15 characters into out16; "" when every field is blank.
void ReadAddressField(HWND control, char* out16);
