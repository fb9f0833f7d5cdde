// Rows of the two server-fed lists follow the mirror. While a receive is
// applied, a list that gains or loses rows stops drawing, and a row that
// changed is redrawn with the next drawing, if it is on screen
// (list_batch.h).
#include "ui/panel/server_lists_view.h"

#include "ui/panel/list_batch.h"
#include "ui/panel/panel_windows.h"
#include "ui/panel/retired_lists.h"

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

// A large list is taken down behind a fresh one (retired_lists.h); a small
// one is emptied where it stands.
void OnCleared(MirrorList which) {
    HWND list = ListOf(which);
    HWND fresh = nullptr;
    if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) > EMPTY_IN_PLACE_ROWS)
        fresh = RetireList(list);
    if (fresh != nullptr) {
        ForgetList(list);  // hidden, and never drawn again
        ReplacePanelList(list, fresh);
    } else
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
