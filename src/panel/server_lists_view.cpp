// Rows of the two server-fed lists follow the mirror: each row is inserted
// once, at the end, with its record as lParam, and goes when the mirror
// removes it. While a receive is applied, a list that changes stops drawing
// (list_batch.h).
#include "panel/server_lists_view.h"

#include <windows.h>
#include <commctrl.h>

#include "app/app.h"
#include "panel/list_batch.h"
#include "panel/tray_icon.h"

namespace {

constexpr int COLUMNS = 5;

HWND ListOf(MirrorList list) {
    return list == MirrorList::Items ? g_itemsList : g_eventsList;
}

void SetCellText(HWND list, MirrorList which, size_t row, int column) {
    char text[sizeof(Pkt::text) + 1];
    MirrorCellText(which, row, column, text, sizeof text);
    LVITEMA lvi = {};
    lvi.iSubItem = column;
    lvi.pszText = text;
    SendMessageA(list, LVM_SETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&lvi));
}

bool OnRowAppended(MirrorList which, size_t row, const void* record, bool scroll) {
    HWND list = ListOf(which);
    FreezeList(list);
    char text[NAME_FIELD + 1];
    MirrorCellText(which, row, 0, text, sizeof text);
    // Rows go after the last row whatever the list's size (an insert
    // position of 65535 would land in the middle of a list that already
    // holds more rows).
    LVITEMA lvi = {};
    lvi.mask = LVIF_TEXT | LVIF_PARAM;
    lvi.iItem = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    lvi.pszText = text;
    lvi.lParam = reinterpret_cast<LPARAM>(record);
    if (SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&lvi)) < 0)
        return false;
    for (int column = 1; column < COLUMNS; ++column)
        SetCellText(list, which, row, column);
    if (which == MirrorList::Items)
        TrayItemsChanged();
    if (scroll)
        ShowLastRow(list);  // the row just appended; once per batch
    return true;
}

void OnRowChanged(MirrorList which, size_t row, const ItemChange& change) {
    HWND list = ListOf(which);
    FreezeList(list);
    for (int column = 0; column < COLUMNS; ++column)
        SetCellText(list, which, row, column);
    if (const TestItem* item = MirrorItem(row))
        TrayItemChanged(*item, change.oldStarted, change.oldUp, change.statusNotice);
}

void OnRowRemoved(MirrorList which, size_t row) {
    HWND list = ListOf(which);
    FreezeList(list);
    SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
    if (which == MirrorList::Items)
        TrayItemsChanged();
}

void OnCleared(MirrorList which) {
    SendMessageA(ListOf(which), LVM_DELETEALLITEMS, 0, 0);
    if (which == MirrorList::Items)
        TrayItemsChanged();
    ThawLists();  // an emptied list draws at once, and no timer outlives the lists
}

const MirrorView kView = {OnRowAppended, OnRowChanged, OnRowRemoved, OnCleared};

}  // namespace

const MirrorView* ServerListsView() {
    return &kView;
}
