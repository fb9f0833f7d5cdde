// Rows of the test items list and the events list as the server announces
// them. Each row's item data (lParam) points to a heap record that the row
// owns: a TestItem or a copy of an EventRecord.
#pragma once

#include <windows.h>

#include <cstdint>

#include "link/wire.h"

// A zero-filled TestItem on the heap, or nullptr when memory is exhausted.
TestItem* NewTestItem();

// Appends a row for the item (files it in the item index); scrolls it into
// view when scroll is nonzero.
void AddItemRow(TestItem* item, int scroll);

// Rewrites the five column texts of the row from the item.
void RefreshItemRow(const TestItem* item, int row);

// The TestItem of the upper row carrying itemId, with its row index; nullptr
// (row left alone) when no row carries it.
TestItem* FindItemRow(uint32_t itemId, int* row);

// Sets the Status column of a row to a text of its own.
void SetItemStatusText(int row, const char* text);

// Deletes a row of the test items list and frees its TestItem.
void DeleteItemRow(TestItem* item, int row);

// Appends a row for an event copy; scrolls it into view when scroll is nonzero.
void AddEventRow(EventRecord* event, int scroll);

// Frees every row record of one list, then deletes its rows. The items list
// also empties its index.
void ClearItemRows();
void ClearEventRows();

// While the server's messages of one receive notification are applied, a
// list that changes stops drawing; a short timer lets it draw again (and
// scrolls the last event into view), so a stream of notices repaints the
// lists a few times a second instead of once per row.
void BeginListBatch();
void EndListBatch();
