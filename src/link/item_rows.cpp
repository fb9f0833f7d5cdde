// The server-fed rows of the test items list and the events list.
#include "link/item_rows.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "link/item_index.h"
#include "panel/row_rules.h"

namespace {

ItemIndex g_itemIndex;

// Redraw batching. While the server's messages are being applied, a list
// that changes stops drawing; a timer lets it draw again REDRAW_DELAY_MS
// later, so a stream of notices repaints the lists at most ten times a
// second instead of once per row or per receive, and a single change still
// shows without a delay anyone could see.
constexpr UINT_PTR REDRAW_TIMER = 0x5158;
constexpr UINT REDRAW_DELAY_MS = 100;
bool g_batching;
bool g_itemsFrozen;
bool g_eventsFrozen;
bool g_timerSet;
int g_pendingEventRow = -1;

void ThawLists();

void CALLBACK RedrawTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    ThawLists();
}

void Freeze(HWND list, bool* frozen) {
    if (!g_batching || *frozen)
        return;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    *frozen = true;
    if (!g_timerSet && SetTimer(g_mainWindow, REDRAW_TIMER, REDRAW_DELAY_MS, RedrawTimerProc) != 0)
        g_timerSet = true;
}

void Thaw(HWND list, bool* frozen) {
    if (*frozen) {
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, FALSE);
        *frozen = false;
    }
}

void ThawLists() {
    if (g_timerSet) {
        KillTimer(g_mainWindow, REDRAW_TIMER);
        g_timerSet = false;
    }
    Thaw(g_itemsList, &g_itemsFrozen);
    Thaw(g_eventsList, &g_eventsFrozen);
    if (g_pendingEventRow >= 0) {
        const int rows = static_cast<int>(SendMessageA(g_eventsList, LVM_GETITEMCOUNT, 0, 0));
        if (g_pendingEventRow < rows)
            SendMessageA(g_eventsList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(g_pendingEventRow), FALSE);
        g_pendingEventRow = -1;
    }
}

void SetCellText(HWND list, int row, int column, const char* text) {
    LVITEMA lvi = {};
    lvi.iSubItem = column;
    lvi.pszText = const_cast<char*>(text);
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&lvi));
}

// Appends a row with its first column and item data. Rows go after the last
// row whatever the list's size (an insert position of 65535 would land in the
// middle of a list that already holds more rows).
int AppendRow(HWND list, const char* text, const void* record) {
    LVITEMA lvi = {};
    lvi.mask = LVIF_TEXT | LVIF_PARAM;
    lvi.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    lvi.pszText = const_cast<char*>(text);
    lvi.lParam = reinterpret_cast<LPARAM>(record);
    return static_cast<int>(SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&lvi)));
}

void WriteItemColumns(HWND list, const TestItem* item, int row, int firstColumn) {
    char text[NAME_FIELD + 1];
    if (firstColumn == 0) {
        CopyFieldText(text, item->config.name);
        SetCellText(list, row, 0, text);
    }
    CopyFieldText(text, item->config.host);
    SetCellText(list, row, 1, text);
    SetCellText(list, row, 2, TestTypeText(item->config.testType));
    std::snprintf(text, sizeof text, "%u", static_cast<unsigned>(item->config.port));
    SetCellText(list, row, 3, text);
    SetCellText(list, row, 4, ItemStatusText(item->started, item->up));
}

template <typename Record>
void FreeRowsAndDelete(HWND list) {
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < rows; ++row) {
        LVITEMA lvi = {};
        lvi.mask = LVIF_PARAM;
        lvi.iItem = row;
        if (SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lvi)) && lvi.lParam != 0)
            std::free(reinterpret_cast<Record*>(lvi.lParam));
    }
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
}

}  // namespace

TestItem* NewTestItem() {
    return static_cast<TestItem*>(std::calloc(1, sizeof(TestItem)));
}

void AddItemRow(TestItem* item, int scroll) {
    Freeze(g_itemsList, &g_itemsFrozen);
    char name[NAME_FIELD + 1];
    CopyFieldText(name, item->config.name);
    const int row = AppendRow(g_itemsList, name, item);
    if (row < 0) {
        std::free(item);  // the list refused the row, so nothing owns the record
        return;
    }
    g_itemIndex.Add(item);
    WriteItemColumns(g_itemsList, item, row, 1);
    if (scroll)
        SendMessageA(g_itemsList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
}

void RefreshItemRow(const TestItem* item, int row) {
    Freeze(g_itemsList, &g_itemsFrozen);
    WriteItemColumns(g_itemsList, item, row, 0);
}

TestItem* FindItemRow(uint32_t itemId, int* row) {
    TestItem* item = g_itemIndex.First(itemId);
    if (item == nullptr)
        return nullptr;
    // The index knows the row; one look at the list confirms it.
    int found = g_itemIndex.RowOf(item);
    LVITEMA lvi = {};
    lvi.mask = LVIF_PARAM;
    lvi.iItem = found;
    if (found < 0 || !SendMessageA(g_itemsList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&lvi)) ||
        lvi.lParam != reinterpret_cast<LPARAM>(item)) {
        LVFINDINFOA find = {};
        find.flags = LVFI_PARAM;
        find.lParam = reinterpret_cast<LPARAM>(item);
        found = static_cast<int>(SendMessageA(g_itemsList, LVM_FINDITEMA, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>(&find)));
        if (found < 0)
            return nullptr;
    }
    *row = found;
    return item;
}

void SetItemStatusText(int row, const char* text) {
    Freeze(g_itemsList, &g_itemsFrozen);
    SetCellText(g_itemsList, row, 4, text);
}

void DeleteItemRow(TestItem* item, int row) {
    Freeze(g_itemsList, &g_itemsFrozen);
    g_itemIndex.Remove(item);
    SendMessageA(g_itemsList, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
    std::free(item);
}

void AddEventRow(EventRecord* event, int scroll) {
    Freeze(g_eventsList, &g_eventsFrozen);
    char text[NAME_FIELD + 8];
    CopyFieldText(text, event->date);
    const int row = AppendRow(g_eventsList, text, event);
    if (row < 0) {
        std::free(event);
        return;
    }
    CopyFieldText(text, event->time);
    SetCellText(g_eventsList, row, 1, text);
    CopyFieldText(text, event->itemName);
    SetCellText(g_eventsList, row, 2, text);
    CopyFieldText(text, event->host);
    SetCellText(g_eventsList, row, 3, text);
    CopyFieldText(text, event->text);
    SetCellText(g_eventsList, row, 4, text);
    if (scroll) {
        if (g_batching)
            g_pendingEventRow = row;  // scrolled once, when the batch ends
        else
            SendMessageA(g_eventsList, LVM_ENSUREVISIBLE, static_cast<WPARAM>(row), FALSE);
    }
}

void ClearItemRows() {
    FreeRowsAndDelete<TestItem>(g_itemsList);
    g_itemIndex.Clear();
    ThawLists();  // an emptied list draws at once, and no timer outlives the lists
}

void ClearEventRows() {
    g_pendingEventRow = -1;
    FreeRowsAndDelete<EventRecord>(g_eventsList);
    ThawLists();
}

void BeginListBatch() {
    g_batching = true;
}

void EndListBatch() {
    g_batching = false;
    if (!g_timerSet)
        ThawLists();  // without the timer, draw at once
}
