// The lists are single-selection, as the panel's template makes them, and
// the item commands act on "the selected item": so Select All is offered
// (greyed) only where a list could hold more than one row selected, and
// Copy copies whatever rows are selected.
#include "ui/panel/list_menu.h"

#include "res/resource.h"
#include "ui/common/popup_menu.h"
#include "ui/common/window_ops.h"
#include "ui/panel/csv_export.h"
#include "ui/panel/list_copy.h"

namespace {

bool HoldsMany(HWND list) {
    return !(GetWindowLongA(list, GWL_STYLE) & LVS_SINGLESEL);
}

void SelectAll(HWND list) {
    if (!HoldsMany(list))
        return;
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state));
}

void SetRowState(HWND list, int row, UINT state, UINT mask) {
    LVITEMA item = {};
    item.stateMask = mask;
    item.state = state;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

// As a list does for a right-click: the row under the pointer becomes the
// selection, unless it is already part of it.
void SelectRowAt(HWND list, POINT screen) {
    LVHITTESTINFO hit = {};
    hit.pt = screen;
    ScreenToClient(list, &hit.pt);
    const int row =
        static_cast<int>(SendMessageA(list, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if (row < 0 || (SendMessageA(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED))
        return;
    SetRowState(list, -1, 0, LVIS_SELECTED);
    SetRowState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
}

// From the keyboard: below the focused row if it is on screen, else at the
// list's top left corner.
POINT KeyboardMenuPoint(HWND list) {
    POINT at = {0, 0};
    const int row = static_cast<int>(
        SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED));
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    RECT client;
    GetClientRect(list, &client);
    if (row >= 0 && SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds)) &&
        bounds.bottom > client.top && bounds.bottom < client.bottom) {
        at.x = bounds.left;
        at.y = bounds.bottom;
    }
    ClientToScreen(list, &at);
    return at;
}

void RunCommand(HWND list, UINT command) {
    switch (command) {
    case IDM_LIST_COPY: CopySelectedRows(list); break;
    case IDM_LIST_SELECT_ALL: SelectAll(list); break;
    case IDM_LIST_EXPORT: ExportListToCsv(list); break;
    default: break;
    }
}

void Enable(HMENU popup, UINT id, bool enabled) {
    EnableMenuItem(popup, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
}

}  // namespace

void OnListContextMenu(HWND list, POINT at) {
    if (at.x == -1 && at.y == -1)
        at = KeyboardMenuPoint(list);
    else
        SelectRowAt(list, at);
    HMENU menu = LoadMenuA(InstanceOf(list), MAKEINTRESOURCEA(IDR_LIST_MENU));
    if (menu == nullptr)
        return;
    HMENU popup = GetSubMenu(menu, 0);
    Enable(popup, IDM_LIST_COPY, SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0) > 0);
    Enable(popup, IDM_LIST_SELECT_ALL, HoldsMany(list));
    Enable(popup, IDM_LIST_EXPORT, !ExportUnderWay());
    const UINT command = ShowPopupMenu(popup, GetParent(list), at);
    DestroyMenu(menu);
    RunCommand(list, command);
}

void OnListKeyDown(HWND list, const NMLVKEYDOWN* key) {
    if (GetKeyState(VK_CONTROL) >= 0 || GetKeyState(VK_MENU) < 0)
        return;
    if (key->wVKey == 'C')
        CopySelectedRows(list);
    else if (key->wVKey == 'A')
        SelectAll(list);
}
