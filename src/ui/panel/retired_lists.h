// Large lists emptied without a freeze. Under Wine a list view deletes its
// rows one by one, and each deletion looks the row up in, and closes the gap
// of, a second table of every row: emptying n rows costs on the order of n²
// (about 15 s for 400,000 rows), during which the window would answer
// nothing. So a list with many rows is not emptied where it stands: a fresh
// empty list takes its place (its id, position, columns, font and styles),
// and the old one, hidden, is taken down a slice of rows at a time from a
// timer of the panel's, which comes after input and painting. New rows go
// to the fresh list at once; the old rows' records are the mirror's, freed
// when it empties, and nothing reads them through the hidden list.
#pragma once

#include <windows.h>

// The id the hidden list carries while its rows are taken down: the panel
// answers its row notices, and nothing finds it by its old id.
constexpr int RETIRED_LIST_ID = 0x7FF0;

// Below this many rows a list is emptied where it stands, faster than a
// fresh one is made (a few milliseconds).
constexpr int EMPTY_IN_PLACE_ROWS = 4096;

// Hides `list` and puts a fresh empty copy of it in its place, which it
// returns; null (the list left as it was) when no window could be made or
// too many lists are being taken down already.
HWND RetireList(HWND list);

// The number of hidden lists whose rows are still being taken down.
int RetiredListsLeft();

// The program is ending: the hidden lists' rows go with the process
// (LeaveListRowsToTheProcess in monitor_panel.h says why).
void LeaveRetiredRowsToTheProcess();
