// The scroll bar's pictures of the visual style, drawn once at start-up.
//
// Wine's theme keeps each picture it has drawn, in a block of the process
// heap, for the life of the process. The first scroll bar drawn loads the
// scroll bar's; during a large sync that is a list's, at whatever height
// the rows have brought the heap to by then, and those few blocks keep a
// whole heap region resident after the rows are gone (a few MB). Drawn
// here, before any row, they sit with the program's other lasting blocks.
// Windows maps the theme's file instead, so this costs nothing there.
#pragma once

#include <windows.h>

void LoadScrollBarPictures(HWND window);
