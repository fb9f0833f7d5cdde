// The test items list and the events list as the view of the server mirror
// (core/mirror/server_mirror.h). Registered with SetMirrorView at start-up.
//
// Each row is inserted once, at the end, with the callback text and its
// record as lParam; its cells are read from the mirror whenever the list
// (or another program) asks for them. So a change to a record costs no
// list call at all, only a redraw of its row if that is on screen.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "core/mirror/server_mirror.h"

const MirrorView* ServerListsView();

// LVN_GETDISPINFOA of one of the two lists: the asked cell's text from the
// mirror, cut to the caller's buffer.
void AnswerCellText(MirrorList list, NMLVDISPINFOA* info);
