// The client's mirror of the server: the test items (one TestItem a row,
// with its Status text), the events (one copy of the EventRecord a row), the
// index that finds an item by its id, and the Up / Down / Stopped counts.
// The server message handler (HandleServerMessage) changes it; nothing here
// knows about windows.
//
// What shows the mirror is its view, registered at start-up: it is told of
// every row appended, every row changed, every row removed and every list
// emptied, and reads the rows' texts back from here. Watchers (the
// notification icon, an export under way) are told the same, after the
// view, of the rows the view took. Rows are numbered from
// 0 in the order they were appended, as a list view numbers rows that always
// go after its last one; removing a row moves the rows below it up one.
//
// The records belong to the rows: each is allocated when its row is added
// and freed when its row goes (a deletion, Reload Events, or the end of the
// connection), after the view has let go of the row.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/mirror/item_counts.h"
#include "core/wire/wire.h"

enum class MirrorList : uint8_t { Items, Events };

// The columns of the test items list, in the order the list shows them.
enum ItemColumn : int {
    ITEM_NAME_COLUMN,
    ITEM_HOST_COLUMN,
    ITEM_TYPE_COLUMN,
    ITEM_PORT_COLUMN,
    ITEM_STATUS_COLUMN,  // the Status text, the only cell with colours of its own
    ITEM_COLUMNS
};

// The columns of the events list, in the order the list shows them.
enum EventColumn : int {
    EVENT_DATE_COLUMN,
    EVENT_TIME_COLUMN,
    EVENT_ITEM_COLUMN,
    EVENT_HOST_COLUMN,
    EVENT_TEXT_COLUMN,
    EVENT_COLUMNS
};

// How an item's row changed, for a view that alerts on it.
struct ItemChange {
    uint32_t oldStarted;  // the flags before the change
    uint32_t oldUp;
    bool statusNotice;  // by a status notice (else by an answer to a command)
};

// The view; any member may be null.
struct MirrorView {
    // A row was appended. The view shows it, scrolled into view when asked,
    // or returns false: the mirror then forgets the row again and tells
    // nothing more of it. `record` is the row's TestItem or EventRecord.
    bool (*rowAppended)(MirrorList list, size_t row, const void* record, bool scroll);
    // The texts or flags of an item's row changed (event rows never change).
    void (*rowChanged)(MirrorList list, size_t row, const ItemChange& change);
    // A row is about to go; its record is still readable during the call.
    void (*rowRemoved)(MirrorList list, size_t row);
    // Every row of a list is about to go.
    void (*cleared)(MirrorList list);
};
// Null: nobody is told (rows are kept all the same).
void SetMirrorView(const MirrorView* view);

// A watcher is a view whose rowAppended answer is not asked for: it cannot
// refuse a row. At most MIRROR_WATCHERS at a time; false when that many are
// registered. Adding one twice registers it once.
constexpr size_t MIRROR_WATCHERS = 2;
bool AddMirrorWatcher(const MirrorView* watcher);
void RemoveMirrorWatcher(const MirrorView* watcher);

// --- Test items ---

// A zero-filled TestItem for AddItemRow, or nullptr when memory is exhausted.
TestItem* NewTestItem();

// Appends a row for the item (from NewTestItem, which it now owns) with the
// Status text of its flags. False when memory ran out or the view could not
// show it: the item is then freed and no row is left.
bool AddItemRow(TestItem* item, int scroll);

// The upper row carrying itemId and its TestItem; nullptr (row left alone)
// when no row carries it.
TestItem* FindItemRow(uint32_t itemId, size_t* row);

// Sets a row's flags and its Status text (nullptr: the text of the flags).
void SetItemState(size_t row, uint32_t started, uint32_t up, const char* statusText,
                  bool statusNotice);

// After the row's item changed: every text again from the item, the Status
// text from its flags.
void RefreshItemRow(size_t row);

// Removes a row and frees its TestItem.
void DeleteItemRow(size_t row);

// Removes every item row and frees the records; the counts go to zero.
void ClearItemRows();

// --- Events ---

// Appends a row for a copy of the event. False when memory ran out or the
// view could not show it: nothing is kept.
bool AddEventRow(const EventRecord& event, int scroll);

// Removes every event row and frees the copies.
void ClearEventRows();

// --- What the view reads ---

size_t MirrorRows(MirrorList list);
const TestItem* MirrorItem(size_t row);  // nullptr past the last row
const EventRecord* MirrorEvent(size_t row);
const ItemCounts& MirrorItemCounts();

// The text of one cell as its list shows it, into out (size bytes; always
// NUL-terminated when size > 0, cut to fit): the test items list's columns
// are those of ItemColumn, the events list's those of EventColumn.
// "" for a row or a column that does not exist.
void MirrorCellText(MirrorList list, size_t row, int column, char* out, size_t size);
