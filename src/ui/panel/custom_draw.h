// Custom-draw answers of the two server-fed lists; each sets the cell colours
// in `draw` where its rule says and returns the value for DWLP_MSGRESULT.
#pragma once

#include <windows.h>
#include <commctrl.h>

LRESULT ItemListCustomDraw(NMLVCUSTOMDRAW* draw);
LRESULT EventListCustomDraw(NMLVCUSTOMDRAW* draw);
