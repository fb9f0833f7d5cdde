// Redraw batching for the panel's lists (test items, events, status log).
// While the server's messages of one receive notification are applied, a
// list that gains or loses rows stops drawing, and the scroll that would
// follow each new row is made once; a row whose record changed is only
// noted, if it is on screen. A short timer lets the lists draw again, so a
// stream of messages repaints them at most ten times a second instead of
// once per row. A batch after a quiet spell draws at once when it ends, so
// a message on its own shows without waiting. Outside a batch nothing is
// deferred.
//
// A list view that draws repaints its scroll bars on every row added or
// removed, and under Wine each such repaint costs milliseconds; frozen, a
// row costs microseconds. A list that thaws is drawn whole, so rows that
// only changed are redrawn one by one instead, without freezing their list.
#pragma once

#include <windows.h>

void BeginListBatch();
void EndListBatch();

// Before rows are added to or removed from a list: inside a batch, stops it
// drawing until the batch's timer lets it draw again. Returns true when
// inside a batch.
bool FreezeList(HWND list);

// After the record behind a row changed: the row is drawn again if it is on
// screen, at once outside a batch, when the lists next draw inside one. The
// list's texts come from the records, so a read shows the change at once.
void RedrawRow(HWND list, int row);

// Makes the list's last row visible: at once outside a batch, when the list
// draws again inside one (only the last scroll matters).
void ShowLastRow(HWND list);

// The list is about to be taken down (retired_lists.h): it is dropped from
// the batch without being drawn again.
void ForgetList(HWND list);

// Lets every frozen list draw now, with its pending scroll, redraws the
// changed rows, and stops the timer (a list that was emptied draws at once;
// the panel calls it when it is destroyed, so no timer outlives the lists).
void ThawLists();
