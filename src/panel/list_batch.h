// Redraw batching for the panel's lists (test items, events, status log).
// While the server's messages of one receive notification are applied, a
// list that changes stops drawing, and the scroll that would follow each new
// row is made once; a short timer lets the lists draw again, so a stream of
// messages repaints them a few times a second instead of once per row. A
// batch after a quiet spell draws at once when it ends, so a message on its
// own shows without waiting. Outside a batch nothing is deferred.
//
// A list view that draws repaints its scroll bars on every row added or
// removed, and under Wine each such repaint costs milliseconds; frozen, a
// row costs microseconds.
#pragma once

#include <windows.h>

void BeginListBatch();
void EndListBatch();

// Before a list is changed: inside a batch, stops it drawing until the
// batch's timer lets it draw again. Returns true when inside a batch.
bool FreezeList(HWND list);

// Makes the list's last row visible: at once outside a batch, when the list
// draws again inside one (only the last scroll matters).
void ShowLastRow(HWND list);

// Lets every frozen list draw now, with its pending scroll, and stops the
// timer (a list that was emptied draws at once; no timer outlives the lists).
void ThawLists();
