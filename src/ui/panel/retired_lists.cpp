#include "ui/panel/retired_lists.h"

#include <commctrl.h>

#include "ui/panel/panel_windows.h"

namespace {

// Takes a slice of the hidden lists' rows down each time it fires. A timer
// comes only when no input, painting or posted message waits, so the slices
// fill the time the window has to spare; the receive of the server's bytes
// yields to it as it yields to input (net/socket.h).
constexpr UINT_PTR RETIRED_ROWS_TIMER = 2;
constexpr DWORD ROWS_SLICE_MS = 20;

// A reconnect, a Reload Events or a second Disconnect during a take-down
// may each hide one more list.
HWND g_retired[8];
HWND g_timerWindow;

// Rows deleted between looks at the clock.
constexpr int ROWS_BETWEEN_LOOKS = 8;

// False once the slice is used up. The first row goes first: its entry
// heads that second table, so what each deletion costs is moving both
// tables down, not a search (deleting from the end searches the whole
// table each time, twice as costly; sorting the rows the other way round
// first would cost seconds in one piece).
bool TakeDownRows(HWND list, DWORD start) {
    int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    while (rows > EMPTY_IN_PLACE_ROWS) {
        SendMessageA(list, LVM_DELETEITEM, 0, 0);
        --rows;
        if (rows % ROWS_BETWEEN_LOOKS == 0 && GetTickCount() - start >= ROWS_SLICE_MS)
            return false;
    }
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    return true;
}

void CALLBACK RetiredRowsTimerProc(HWND window, UINT, UINT_PTR id, DWORD) {
    const DWORD start = GetTickCount();
    bool left = false;
    for (HWND& list : g_retired) {
        if (list == nullptr)
            continue;
        if (left || !TakeDownRows(list, start)) {
            left = true;
            continue;
        }
        DestroyWindow(list);  // empty by now: it goes at once
        list = nullptr;
    }
    if (!left) {
        KillTimer(window, id);
        g_timerWindow = nullptr;
    }
}

// A window like `list`, where it is, with its columns: empty.
HWND CopyOfList(HWND list) {
    HWND parent = GetParent(list);
    RECT rect;
    GetWindowRect(list, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    HWND fresh = CreateWindowExA(
        static_cast<DWORD>(GetWindowLongPtrA(list, GWL_EXSTYLE)), WC_LISTVIEWA, "",
        static_cast<DWORD>(GetWindowLongPtrA(list, GWL_STYLE)), rect.left, rect.top,
        rect.right - rect.left, rect.bottom - rect.top, parent,
        reinterpret_cast<HMENU>(GetWindowLongPtrA(list, GWLP_ID)),
        reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(list, GWLP_HINSTANCE)), nullptr);
    if (fresh == nullptr)
        return nullptr;
    SendMessageA(fresh, WM_SETFONT, SendMessageA(list, WM_GETFONT, 0, 0), FALSE);
    SendMessageA(fresh, LVM_SETEXTENDEDLISTVIEWSTYLE, 0,
                 SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    // The columns as they are now: widths the user dragged, or scaled for the DPI.
    char title[64];
    LVCOLUMNA column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.pszText = title;
    column.cchTextMax = sizeof title;
    for (int i = 0; SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)); ++i) {
        SendMessageA(fresh, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
        column.pszText = title;
        column.cchTextMax = sizeof title;
    }
    // Next to the old one in the tab order.
    SetWindowPos(fresh, list, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return fresh;
}

}  // namespace

HWND RetireList(HWND list) {
    HWND* slot = nullptr;
    for (HWND& s : g_retired)
        if (s == nullptr && slot == nullptr)
            slot = &s;
    if (slot == nullptr || g_monitorPanel == nullptr)
        return nullptr;
    HWND fresh = CopyOfList(list);
    if (fresh == nullptr)
        return nullptr;
    const bool hadFocus = GetFocus() == list;
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    ShowWindow(list, SW_HIDE);
    SetWindowLongPtrA(list, GWLP_ID, RETIRED_LIST_ID);
    if (hadFocus)
        SetFocus(fresh);
    *slot = list;
    if (g_timerWindow == nullptr &&
        SetTimer(g_monitorPanel, RETIRED_ROWS_TIMER, USER_TIMER_MINIMUM, RetiredRowsTimerProc))
        g_timerWindow = g_monitorPanel;
    return fresh;
}

int RetiredListsLeft() {
    int left = 0;
    for (HWND list : g_retired)
        left += list != nullptr;
    return left;
}

void LeaveRetiredRowsToTheProcess() {
    for (HWND& list : g_retired) {
        if (list != nullptr)
            SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
        list = nullptr;
    }
    if (g_timerWindow != nullptr)
        KillTimer(g_timerWindow, RETIRED_ROWS_TIMER);
    g_timerWindow = nullptr;
}
