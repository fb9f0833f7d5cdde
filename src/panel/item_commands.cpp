// Item commands. The commands that talk to the server or open the item and
// settings dialogs are still empty here: they do nothing until their dialogs
// and senders exist. The single dialog rule and the selection lookup are
// already real, as the menu and the panel depend on them.
#include "panel/item_commands.h"

#include <commctrl.h>

#include "app/app.h"
#include "panel/monitor_panel.h"

HWND g_itemDialog;
HWND g_settingsDialog;
uint32_t g_itemDialogMode;
TestItem* g_itemUnderEdit;

bool AnyItemDialogOpen() {
    return g_itemDialog != nullptr || g_settingsDialog != nullptr || g_aboutBox != nullptr;
}

void CmdNewItem() {}
void CmdEditItem() {}
void CmdDeleteItem() {}
void CmdStartTest() {}
void CmdStopTest() {}
void CmdSettings() {}
void CmdReloadEvents() {}

void OnItemRowClick() {
    if (g_itemDialog != nullptr)
        return;  // the open dialog's item never changes under it
    int row;
    if (TestItem* item = GetSelectedItem(&row))
        g_itemUnderEdit = item;
}

TestItem* GetSelectedItem(int* row) {
    *row = static_cast<int>(SendMessageA(g_itemsList, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                         LVNI_FOCUSED | LVNI_SELECTED));
    if (*row == -1)
        return nullptr;
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = *row;
    SendMessageA(g_itemsList, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return reinterpret_cast<TestItem*>(item.lParam);
}
