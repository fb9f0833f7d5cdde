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
// view when scroll is nonzero. False when the list refused the row or memory
// ran out: the item is then freed and no row is left.
bool AddItemRow(TestItem* item, int scroll);

// Rewrites the five column texts of the row from the item.
void RefreshItemRow(const TestItem* item, int row);

// The TestItem of the upper row carrying itemId, with its row index; nullptr
// (row left alone) when no row carries it.
TestItem* FindItemRow(uint32_t itemId, int* row);

// Sets the Status column of a row to a text of its own.
void SetItemStatusText(int row, const char* text);

// Deletes a row of the test items list and frees its TestItem.
void DeleteItemRow(TestItem* item, int row);

// A heap copy of an event record, or nullptr when memory is exhausted.
EventRecord* NewEventCopy(const EventRecord& event);

// Appends a row for an event copy; scrolls it into view when scroll is
// nonzero. False when the list refused the row: the copy is then freed.
bool AddEventRow(EventRecord* event, int scroll);

// Frees every row record of one list, then deletes its rows. The items list
// also empties its index.
void ClearItemRows();
void ClearEventRows();
