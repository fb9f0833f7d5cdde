// The server-fed lists own their rows' records (heap blocks from malloc or
// calloc): whoever deletes a row frees its record, and this is the one place
// that deletes them all, when a connection ends or the program closes.
#include "link/server_lists.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "panel/monitor_panel.h"

namespace {

void ClearList(HWND list) {
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row) {
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        if (SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) && item.lParam != 0)
            free(reinterpret_cast<void*>(item.lParam));
    }
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
}

}  // namespace

void ClearServerLists() {
    ClearList(g_itemsList);
    ClearList(g_eventsList);
}
