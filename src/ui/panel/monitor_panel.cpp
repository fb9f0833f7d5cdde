// The monitor panel's dialog procedure: builds the three list views, the
// button icons and the depth selector when it opens, and routes its buttons
// to the item commands and the connection, and the lists' right-click menu
// and keys to their commands. The lists' notifications that
// come with every row and every painted cell (custom draw, requests for cell
// texts, rows inserted and deleted) are answered in the panel's window
// procedure, before the dialog manager.
#include "ui/panel/monitor_panel.h"

#include <windowsx.h>

#include <cstddef>
#include <initializer_list>

#include "core/mirror/server_mirror.h"
#include "core/session/client_config.h"
#include "core/session/session.h"
#include "link/server_connection.h"
#include "res/resource.h"
#include "ui/common/dpi.h"
#include "ui/common/main_messages.h"
#include "ui/common/theme_images.h"
#include "ui/common/window_ops.h"
#include "ui/panel/custom_draw.h"
#include "ui/panel/event_depth.h"
#include "ui/panel/item_commands.h"
#include "ui/panel/list_batch.h"
#include "ui/panel/list_menu.h"
#include "ui/panel/panel_windows.h"
#include "ui/panel/retired_lists.h"
#include "ui/panel/server_lists_view.h"
#include "ui/panel/status_log.h"

namespace {

// One image list per button, kept for the life of the process (replaced
// when the panel's DPI changes).
HIMAGELIST s_buttonImages[7];

// The DPI that the column widths and button images were made for.
UINT s_panelDpi = USER_DEFAULT_SCREEN_DPI;

// Every button shows one of the program's own icons.
struct ButtonIcon {
    int buttonId;
    int iconId;
};
const ButtonIcon kButtonIcons[] = {
    {IDC_PANEL_CONNECT, IDI_CONNECT},       {IDC_PANEL_NEW_ITEM, IDI_APP},
    {IDC_PANEL_EDIT_ITEM, IDI_EDIT_ITEM},   {IDC_PANEL_DELETE_ITEM, IDI_DELETE_ITEM},
    {IDC_PANEL_START_TEST, IDI_START_TEST}, {IDC_PANEL_STOP_TEST, IDI_STOP_TEST},
    {IDC_PANEL_SETTINGS, IDI_SETTINGS},
};
static_assert(sizeof kButtonIcons / sizeof kButtonIcons[0] ==
                  sizeof s_buttonImages / sizeof s_buttonImages[0],
              "one image list per button");

// Column tables: titles in 40-byte slots, widths in pixels at 96 DPI, formats.
// The titles are not const because a list-view column takes non-const text.
// The two lists of the mirror have as many columns as its column enums.
char szDevs[][40] = {"Test Item", "Hostname or IP address", "Test Type", "Port", "Status"};
const int clen[] = {210, 230, 90, 60, 80};
const int fmt1[] = {LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_CENTER};

char szEvs[][40] = {"Date", "Time", "Test Item", "Hostname", "Event Text"};
const int clen2[] = {100, 100, 180, 145, 145};
const int fmt2[] = {LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_LEFT, LVCFMT_LEFT};

constexpr int LOG_COLUMNS = 2;
char szEvls[][40] = {"Timestamp", "Event text"};
const int clen3[] = {140, 530};
const int fmt3[] = {LVCFMT_LEFT, LVCFMT_LEFT};

template <typename T, size_t N>
constexpr int CountOf(const T (&)[N]) {
    return static_cast<int>(N);
}
static_assert(CountOf(szDevs) == ITEM_COLUMNS && CountOf(clen) == ITEM_COLUMNS &&
                  CountOf(fmt1) == ITEM_COLUMNS,
              "one title, width and format per test items column");
static_assert(CountOf(szEvs) == EVENT_COLUMNS && CountOf(clen2) == EVENT_COLUMNS &&
                  CountOf(fmt2) == EVENT_COLUMNS,
              "one title, width and format per events column");
static_assert(CountOf(szEvls) == LOG_COLUMNS && CountOf(clen3) == LOG_COLUMNS &&
                  CountOf(fmt3) == LOG_COLUMNS,
              "one title, width and format per status log column");

// Icons at the small icon size of the panel's DPI; each icon file carries
// frames from 16 to 64 pixels, and the nearest one is taken.
void SetUpButtonIcons(HWND dialog, UINT dpi) {
    const int size = SmallIconSize(dpi);
    for (size_t i = 0; i < sizeof kButtonIcons / sizeof kButtonIcons[0]; ++i) {
        const ButtonIcon& row = kButtonIcons[i];
        HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, 4, 4);
        HIMAGELIST previous = s_buttonImages[i];
        s_buttonImages[i] = list;
        ImageList_SetBkColor(list, GetSysColor(COLOR_WINDOW));
        BUTTON_IMAGELIST images = {list, {0, 0, 0, 0}, BUTTON_IMAGELIST_ALIGN_LEFT};
        SendDlgItemMessageA(dialog, row.buttonId, BCM_SETIMAGELIST, 0,
                            reinterpret_cast<LPARAM>(&images));
        HICON icon = static_cast<HICON>(LoadImageA(InstanceOf(dialog), MAKEINTRESOURCEA(row.iconId),
                                                   IMAGE_ICON, size, size, 0));
        ImageList_ReplaceIcon(list, -1, icon);  // the list keeps a copy
        if (icon != nullptr)
            DestroyIcon(icon);
        if (previous != nullptr)
            ImageList_Destroy(previous);
    }
}

void SetUpColumns(HWND list, UINT dpi, char (*titles)[40], const int* widths, const int* formats,
                  int count, bool gridLines) {
    for (int i = 0; i < count; ++i) {
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = formats[i];
        column.cx = ScaleForDpi(widths[i], dpi);
        column.pszText = titles[i];
        column.iSubItem = i;
        SendMessageA(list, LVM_INSERTCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
    }
    const DWORD styles = LVS_EX_FULLROWSELECT | (gridLines ? LVS_EX_GRIDLINES : 0);
    SendMessageA(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, styles);
}

// The window procedure the dialog manager gave the panel.
WNDPROC s_dialogWindowProc;

// The lists' notifications that come with every row added or deleted and
// every cell painted; true when `result` is the answer. Answered before the
// dialog manager, which under Wine costs a few calls into the window system
// for each message it hands to a dialog procedure, and a request to the
// wineserver each time a result goes through DWLP_MSGRESULT.
bool AnswerListNotice(WPARAM id, NMHDR* header, LRESULT* result) {
    *result = 0;
    if (id != IDC_PANEL_ITEMS && id != IDC_PANEL_EVENTS && id != IDC_PANEL_STATUS_LOG &&
        id != RETIRED_LIST_ID)
        return false;
    switch (header->code) {
    case LVN_INSERTITEM:
    case LVN_DELETEITEM: return true;
    case LVN_DELETEALLITEMS:
        *result = TRUE;  // no LVN_DELETEITEM for each row: the records are the mirror's
        return true;
    default: break;
    }
    if (id == IDC_PANEL_STATUS_LOG || id == RETIRED_LIST_ID)
        return false;
    const MirrorList list = id == IDC_PANEL_ITEMS ? MirrorList::Items : MirrorList::Events;
    switch (header->code) {
    case NM_CUSTOMDRAW: {
        auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
        *result = list == MirrorList::Items ? ItemListCustomDraw(draw) : EventListCustomDraw(draw);
        return true;
    }
    case LVN_GETDISPINFOA:
        AnswerCellText(list, reinterpret_cast<NMLVDISPINFOA*>(header));
        return true;
    default: return false;
    }
}

LRESULT CALLBACK PanelWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (message == WM_NOTIFY && AnswerListNotice(wParam, reinterpret_cast<NMHDR*>(lParam), &result))
        return result;
    return CallWindowProcA(s_dialogWindowProc, dialog, message, wParam, lParam);
}

INT_PTR OnInitDialog(HWND dialog) {
    FindPanelWindows(dialog);
    s_dialogWindowProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(dialog, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PanelWindowProc)));
    s_panelDpi = WindowDpi(dialog);
    SetUpButtonIcons(dialog, s_panelDpi);
    SetUpColumns(g_itemsList, s_panelDpi, szDevs, clen, fmt1, ITEM_COLUMNS, true);
    SetUpColumns(g_eventsList, s_panelDpi, szEvs, clen2, fmt2, EVENT_COLUMNS, false);
    SetUpColumns(g_statusLog, s_panelDpi, szEvls, clen3, fmt3, LOG_COLUMNS, false);
    FillEventDepth(dialog);
    LoadScrollBarPictures(g_eventsList);

    char errorText[CONFIG_ERROR_TEXT] = "";
    if (!ReadClientConfig(CLIENT_CONFIG_FILE, &g_clientConfig, errorText))
        LogStatus(errorText);

    // The connect dialog is about to open; the button comes back when it closes.
    EnableWindow(GetDlgItem(dialog, IDC_PANEL_CONNECT), FALSE);
    PostMessageA(GetParent(dialog), WM_SHOW_CONNECT, 0, 0);
    return TRUE;
}

void OnConnectButton(HWND dialog) {
    switch (g_connectionState) {
    case CONN_DISCONNECTED:
        EnableWindow(GetDlgItem(dialog, IDC_PANEL_CONNECT), FALSE);
        PostMessageA(GetParent(dialog), WM_SHOW_CONNECT, 0, 0);
        break;
    case CONN_CONNECTED: DisconnectFromServer(); break;
    default: break;  // an attempt is under way
    }
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam) {
    if (LOWORD(wParam) == IDC_PANEL_CONNECT)
        OnConnectButton(dialog);
    else
        RunButtonCommand(LOWORD(wParam));
    return FALSE;
}

bool IsPanelList(HWND window) {
    return window != nullptr &&
           (window == g_itemsList || window == g_eventsList || window == g_statusLog);
}

INT_PTR OnNotify(WPARAM wParam, LPARAM lParam) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (header->code == LVN_KEYDOWN && IsPanelList(header->hwndFrom))
        OnListKeyDown(header->hwndFrom, reinterpret_cast<const NMLVKEYDOWN*>(lParam));
    // Edit Item takes the selected item itself, so a single click needs no
    // answer: the open item dialog's item never changes under it.
    if (wParam == IDC_PANEL_ITEMS && header->code == NM_DBLCLK)
        CmdEditItem();
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK MonitorPanelProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog);
    case WM_COMMAND: return OnCommand(dialog, wParam);
    case WM_NOTIFY: return OnNotify(wParam, lParam);
    case WM_CONTEXTMENU:
        if (!IsPanelList(reinterpret_cast<HWND>(wParam)))
            return FALSE;
        OnListContextMenu(reinterpret_cast<HWND>(wParam),
                          {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return TRUE;
    case WM_DESTROY:
        ThawLists();
        LeaveRetiredRowsToTheProcess();
        ForgetPanelWindows();
        return FALSE;
    default: return FALSE;
    }
}

void SetConnectButton(const char* caption, bool enabled) {
    HWND button = GetDlgItem(g_monitorPanel, IDC_PANEL_CONNECT);
    if (caption != nullptr)
        SetWindowTextA(button, caption);
    EnableWindow(button, enabled ? TRUE : FALSE);
}

void ScalePanelForDpi(UINT dpi) {
    if (g_monitorPanel == nullptr || dpi == 0 || dpi == s_panelDpi)
        return;
    // Widths the user has dragged keep their proportion.
    const int lists[] = {IDC_PANEL_ITEMS, IDC_PANEL_EVENTS, IDC_PANEL_STATUS_LOG};
    for (int id : lists) {
        HWND list = GetDlgItem(g_monitorPanel, id);
        HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
        const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            const int width = static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, i, 0));
            SendMessageA(list, LVM_SETCOLUMNWIDTH, i,
                         MulDiv(width, static_cast<int>(dpi), static_cast<int>(s_panelDpi)));
        }
    }
    SetUpButtonIcons(g_monitorPanel, dpi);
    s_panelDpi = dpi;
}

void LeaveListRowsToTheProcess() {
    for (HWND list : {g_itemsList, g_eventsList, g_statusLog})
        if (list != nullptr)
            SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DefWindowProcA));
}
