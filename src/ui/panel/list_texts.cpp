#include "ui/panel/list_texts.h"

#include <commctrl.h>

#include "core/mirror/server_mirror.h"
#include "ui/panel/panel_windows.h"

namespace {

int CountOf(size_t rows) {
    return static_cast<int>(rows);
}

}  // namespace

int ListColumnCount(HWND list) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    return static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

void ListColumnTitle(HWND list, int column, char* out, size_t size) {
    out[0] = '\0';
    LVCOLUMNA info = {};
    info.mask = LVCF_TEXT;
    info.pszText = out;
    info.cchTextMax = static_cast<int>(size);
    SendMessageA(list, LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&info));
}

int ListRowCount(HWND list) {
    if (list == g_itemsList)
        return CountOf(MirrorRows(MirrorList::Items));
    if (list == g_eventsList)
        return CountOf(MirrorRows(MirrorList::Events));
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

void ListCellText(HWND list, int row, int column, char* out, size_t size) {
    if (list == g_itemsList || list == g_eventsList) {
        const MirrorList which = list == g_itemsList ? MirrorList::Items : MirrorList::Events;
        MirrorCellText(which, static_cast<size_t>(row), column, out, size);
        return;
    }
    out[0] = '\0';
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = out;
    item.cchTextMax = static_cast<int>(size);
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}
