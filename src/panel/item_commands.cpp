// Item commands: what the user asks of the server from the panel's buttons,
// the "Tools" menu and a double-click on a row. A command either opens one of
// the modeless dialogs or sends one Pkt; apart from Reload Events it never
// touches the lists itself, the server's answers do that.
#include "panel/item_commands.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "dialogs/item_dialog.h"
#include "dialogs/settings_dialog.h"
#include "link/frame_io.h"
#include "link/server_mirror.h"
#include "link/session.h"
#include "panel/event_depth.h"
#include "panel/status_log.h"
#include "res/resource.h"

namespace {

const char NO_CONNECTION_TEXT[] = "Cannot perform this action, no connection to Quorvex Server";
const char NO_SETTINGS_TEXT[] = "Quorvex Server, configuration unavailable";

bool ConnectedOrLogged() {
    if (g_connectionState == CONN_CONNECTED)
        return true;
    LogStatus(NO_CONNECTION_TEXT);
    return false;
}

void SendItemRequest(uint32_t code, uint32_t itemId) {
    const Pkt pkt = MakeRequest(code, itemId);
    SendPkt(&pkt);
}

// Start and Stop differ only in their code.
void SendForSelected(uint32_t code) {
    if (AnyItemDialogOpen() || !ConnectedOrLogged())
        return;
    int row;
    if (const TestItem* item = GetSelectedItem(&row))
        SendItemRequest(code, item->itemId);
}

void OpenItemDialog(uint32_t mode) {
    g_itemDialogMode = mode;
    g_itemDialog =
        OpenModelessDialog(g_instance, g_monitorPanel, TestItemDialogProc, IDD_TEST_ITEM);
}

}  // namespace

void CmdNewItem() {
    if (AnyItemDialogOpen() || !ConnectedOrLogged())
        return;
    OpenItemDialog(1);
}

void CmdEditItem() {
    if (AnyItemDialogOpen() || !ConnectedOrLogged())
        return;
    int row;
    TestItem* item = GetSelectedItem(&row);
    if (item == nullptr)
        return;
    // The dialog copies what it needs from the item while it opens, so the
    // pointer is only read inside this call.
    g_itemUnderEdit = item;
    OpenItemDialog(0);
}

void CmdDeleteItem() {
    if (AnyItemDialogOpen() || !ConnectedOrLogged())
        return;
    int row;
    const TestItem* item = GetSelectedItem(&row);
    if (item == nullptr)
        return;

    // The confirmation box runs its own message loop, in which a deletion
    // answer or the end of the connection may free the record. So the id and
    // the name are taken now and the record is never read again: a Yes after
    // the item has gone still sends the delete for the remembered id, and the
    // server's failure answer ends up in the status log.
    const uint32_t itemId = item->itemId;
    char name[NAME_FIELD];
    CopyFieldText(name, item->config.name);
    char question[128];
    snprintf(question, sizeof question, "Delete item: %s ?", name);

    if (MessageBoxA(g_monitorPanel, question, "Item delete confirmation",
                    MB_YESNO | MB_ICONWARNING) != IDYES)
        return;
    SendItemRequest(CODE_ITEM_DELETE, itemId);
}

void CmdStartTest() {
    SendForSelected(CODE_ITEM_START);
}

void CmdStopTest() {
    SendForSelected(CODE_ITEM_STOP);
}

void CmdSettings() {
    if (AnyItemDialogOpen() || !ConnectedOrLogged())
        return;
    if (!g_settingsAvailable) {
        LogStatus(NO_SETTINGS_TEXT);
        return;
    }
    g_settingsDialog =
        OpenModelessDialog(g_instance, g_monitorPanel, SettingsDialogProc, IDD_SETTINGS);
}

void CmdReloadEvents() {
    // No single dialog rule: reloading does not open a dialog.
    if (!ConnectedOrLogged())
        return;
    ClearEventRows();
    const Pkt pkt = MakeRequest(CODE_EVENTS, 0, SelectedEventDepth());
    SendPkt(&pkt);
}

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
