// The server-fed rows of the test items list and the events list.
#include "link/item_rows.h"

#include <commctrl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/app.h"
#include "link/item_index.h"
#include "link/record_memory.h"
#include "panel/list_batch.h"
#include "panel/row_rules.h"
#include "panel/tray_icon.h"

namespace {

ItemIndex g_itemIndex;

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
    return static_cast<TestItem*>(AllocateRecord(MEMORY_TEST_ITEM, sizeof(TestItem)));
}

bool AddItemRow(TestItem* item, int scroll) {
    FreezeList(g_itemsList);
    char name[NAME_FIELD + 1];
    CopyFieldText(name, item->config.name);
    const int row = AppendRow(g_itemsList, name, item);
    if (row < 0) {
        std::free(item);  // the list refused the row, so nothing owns the record
        return false;
    }
    if (!g_itemIndex.Add(item)) {
        // A row the index cannot find would never see its messages.
        SendMessageA(g_itemsList, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
        std::free(item);
        return false;
    }
    TrayItemAdded(*item);
    WriteItemColumns(g_itemsList, item, row, 1);
    if (scroll)
        ShowLastRow(g_itemsList);  // the row just appended
    return true;
}

void RefreshItemRow(const TestItem* item, int row) {
    FreezeList(g_itemsList);
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
    FreezeList(g_itemsList);
    SetCellText(g_itemsList, row, 4, text);
}

void DeleteItemRow(TestItem* item, int row) {
    FreezeList(g_itemsList);
    g_itemIndex.Remove(item);
    TrayItemRemoved(*item);
    SendMessageA(g_itemsList, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
    std::free(item);
}

EventRecord* NewEventCopy(const EventRecord& event) {
    void* copy = AllocateRecord(MEMORY_EVENT_COPY, sizeof(EventRecord));
    if (copy != nullptr)
        std::memcpy(copy, &event, sizeof(EventRecord));
    return static_cast<EventRecord*>(copy);
}

bool AddEventRow(EventRecord* event, int scroll) {
    FreezeList(g_eventsList);
    char text[NAME_FIELD + 8];
    CopyFieldText(text, event->date);
    const int row = AppendRow(g_eventsList, text, event);
    if (row < 0) {
        std::free(event);
        return false;
    }
    CopyFieldText(text, event->time);
    SetCellText(g_eventsList, row, 1, text);
    CopyFieldText(text, event->itemName);
    SetCellText(g_eventsList, row, 2, text);
    CopyFieldText(text, event->host);
    SetCellText(g_eventsList, row, 3, text);
    CopyFieldText(text, event->text);
    SetCellText(g_eventsList, row, 4, text);
    if (scroll)
        ShowLastRow(g_eventsList);  // the row just appended; once per batch
    return true;
}

void ClearItemRows() {
    FreeRowsAndDelete<TestItem>(g_itemsList);
    g_itemIndex.Clear();
    TrayItemsCleared();
    ThawLists();  // an emptied list draws at once, and no timer outlives the lists
}

void ClearEventRows() {
    FreeRowsAndDelete<EventRecord>(g_eventsList);
    ThawLists();
}
