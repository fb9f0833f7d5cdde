// Rows of the two server-fed lists follow the mirror. While a receive is
// applied, a list that gains or loses rows stops drawing, and a row that
// changed is redrawn with the next drawing, if it is on screen
// (list_batch.h).
#include "ui/panel/server_lists_view.h"

#include "ui/panel/list_batch.h"
#include "ui/panel/panel_windows.h"

namespace {

HWND ListOf(MirrorList list) {
    return list == MirrorList::Items ? g_itemsList : g_eventsList;
}

bool OnRowAppended(MirrorList which, size_t row, const void* record, bool scroll) {
    HWND list = ListOf(which);
    FreezeList(list);
    // Rows go after the last row, at the row count: these lists have no cap,
    // so no fixed position is past their end (status_log.cpp says why the
    // log's is).
    // The list holds every row of the mirror, so the mirror's row number is
    // the list's count: no need to ask the list.
    LVITEMA lvi = {};
    lvi.mask = LVIF_TEXT | LVIF_PARAM;
    lvi.iItem = static_cast<int>(row);
    lvi.pszText = LPSTR_TEXTCALLBACKA;
    lvi.lParam = reinterpret_cast<LPARAM>(record);
    if (SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&lvi)) < 0)
        return false;
    if (scroll)
        ShowLastRow(list);  // the row just appended; once per batch
    return true;
}

void OnRowChanged(MirrorList which, size_t row, const ItemChange&) {
    RedrawRow(ListOf(which), static_cast<int>(row));
}

void OnRowRemoved(MirrorList which, size_t row) {
    HWND list = ListOf(which);
    FreezeList(list);
    SendMessageA(list, LVM_DELETEITEM, static_cast<WPARAM>(row), 0);
}

// Any two rows compare as out of order.
int CALLBACK AlwaysAfter(LPARAM, LPARAM, LPARAM) {
    return 1;
}

void OnCleared(MirrorList which) {
    HWND list = ListOf(which);
    // Under Wine a list view keeps a second table of its rows, in the order
    // they were inserted, and looks each row it deletes up in it from the
    // start, while it empties itself from the last row up: n rows cost n²/2
    // steps of that search (34 s for 400,000 rows). Wine's sort, given rows
    // that are all out of order, reverses them, and then each row deleted is
    // found first in that table; what remains is moving the table down, which
    // costs less than half as much. Elsewhere the order of rows that are
    // about to go does not matter.
    SendMessageA(list, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(AlwaysAfter));
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
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
