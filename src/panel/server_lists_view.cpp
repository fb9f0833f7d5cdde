// Rows of the two server-fed lists follow the mirror. While a receive is
// applied, a list that gains or loses rows stops drawing, and a row that
// changed is redrawn with the next drawing, if it is on screen
// (list_batch.h).
#include "panel/server_lists_view.h"

#include "app/app.h"
#include "panel/list_batch.h"
#include "panel/tray_icon.h"

namespace {

HWND ListOf(MirrorList list) {
    return list == MirrorList::Items ? g_itemsList : g_eventsList;
}

bool OnRowAppended(MirrorList which, size_t row, const void* record, bool scroll) {
    HWND list = ListOf(which);
    FreezeList(list);
    // Rows go after the last row whatever the list's size (an insert
    // position of 65535 would land in the middle of a list that already
    // holds more rows). The list holds every row of the mirror, so the
    // mirror's row number is the list's count: no need to ask the list.
    LVITEMA lvi = {};
    lvi.mask = LVIF_TEXT | LVIF_PARAM;
    lvi.iItem = static_cast<int>(row);
    lvi.pszText = LPSTR_TEXTCALLBACKA;
    lvi.lParam = reinterpret_cast<LPARAM>(record);
    if (SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&lvi)) < 0)
        return false;
    if (which == MirrorList::Items)
        TrayItemsChanged();
    if (scroll)
        ShowLastRow(list);  // the row just appended; once per batch
    return true;
}

void OnRowChanged(MirrorList which, size_t row, const ItemChange& change) {
    RedrawRow(ListOf(which), static_cast<int>(row));
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

void AnswerCellText(MirrorList list, NMLVDISPINFOA* info) {
    LVITEMA& item = info->item;
    if (!(item.mask & LVIF_TEXT) || item.pszText == nullptr || item.cchTextMax <= 0 ||
        item.iItem < 0)
        return;
    MirrorCellText(list, static_cast<size_t>(item.iItem), item.iSubItem, item.pszText,
                   static_cast<size_t>(item.cchTextMax));
}
