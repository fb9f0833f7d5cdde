// Item commands: what the user asks of the server from the panel's buttons,
// the "Tools" menu and a double-click on a row. A command either opens one of
// the modeless dialogs or sends one Pkt; apart from Reload Events it never
// touches the lists itself, the server's answers do that.
#include "ui/panel/item_commands.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "core/mirror/server_mirror.h"
#include "core/session/frame_io.h"
#include "core/session/server_settings.h"
#include "core/session/session.h"
#include "res/resource.h"
#include "ui/common/window_ops.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/item_dialog.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/panel/event_depth.h"
#include "ui/panel/panel_windows.h"
#include "ui/panel/status_log.h"

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
    if (ItemSettingsOrAboutOpen() || !ConnectedOrLogged())
        return;
    int row;
    if (const TestItem* item = GetSelectedItem(&row))
        SendItemRequest(code, item->itemId);
}

}  // namespace

bool ItemSettingsOrAboutOpen() {
    return ItemDialogWindow() != nullptr || SettingsDialogWindow() != nullptr ||
           AboutBoxWindow() != nullptr;
}

void CmdNewItem() {
    if (ItemSettingsOrAboutOpen() || !ConnectedOrLogged())
        return;
    OpenItemDialog(g_monitorPanel, ItemDialogMode::NewItem);
}

void CmdEditItem() {
    if (ItemSettingsOrAboutOpen() || !ConnectedOrLogged())
        return;
    int row;
    const TestItem* item = GetSelectedItem(&row);
    if (item == nullptr)
        return;
    OpenItemDialog(g_monitorPanel, ItemDialogMode::EditItem, item);
}

void CmdDeleteItem() {
    if (ItemSettingsOrAboutOpen() || !ConnectedOrLogged())
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
    if (ItemSettingsOrAboutOpen() || !ConnectedOrLogged())
        return;
    if (!ServerSettingsAvailable()) {
        LogStatus(NO_SETTINGS_TEXT);
        return;
    }
    OpenSettingsDialog(g_monitorPanel);
}

void CmdReloadEvents() {
    // No single dialog rule: reloading does not open a dialog.
    if (!ConnectedOrLogged())
        return;
    ClearEventRows();
    const Pkt pkt = MakeRequest(CODE_EVENTS, 0, SelectedEventDepth());
    SendPkt(&pkt);
}

namespace {

struct Command {
    int menuId;  // 0: none
    int buttonId;
    void (*run)();
};
const Command kCommands[] = {
    {IDM_NEW_ITEM, IDC_PANEL_NEW_ITEM, CmdNewItem},
    {IDM_EDIT_ITEM, IDC_PANEL_EDIT_ITEM, CmdEditItem},
    {IDM_DELETE_ITEM, IDC_PANEL_DELETE_ITEM, CmdDeleteItem},
    {IDM_START_TEST, IDC_PANEL_START_TEST, CmdStartTest},
    {IDM_STOP_TEST, IDC_PANEL_STOP_TEST, CmdStopTest},
    {IDM_SETTINGS, IDC_PANEL_SETTINGS, CmdSettings},
    {0, IDC_PANEL_RELOAD_EVENTS, CmdReloadEvents},
};

bool Run(int id, int Command::*key) {
    for (const Command& command : kCommands) {
        if (id != 0 && command.*key == id) {
            command.run();
            return true;
        }
    }
    return false;
}

}  // namespace

bool RunMenuCommand(int menuId) {
    return Run(menuId, &Command::menuId);
}

bool RunButtonCommand(int buttonId) {
    return Run(buttonId, &Command::buttonId);
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
