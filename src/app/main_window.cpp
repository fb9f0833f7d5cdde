// The main window: a fixed-size frame carrying the menu and the monitor
// panel. Its procedure is the program's hub: it starts the socket layer and
// builds the panel at WM_CREATE, routes the menu, opens the connect dialog on
// request, runs the synchronisation sequence, hands socket notifications to
// the socket layer, and releases the shared objects at WM_DESTROY.
#include "app/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>

#include "core/mirror/record_memory.h"
#include "core/mirror/server_lists.h"
#include "core/mirror/server_mirror.h"
#include "core/session/frame_io.h"
#include "core/session/server_messages.h"
#include "core/session/session.h"
#include "core/session/status_report.h"
#include "core/wire/frame_trace.h"
#include "link/server_connection.h"
#include "link/server_transport.h"
#include "net/socket.h"
#include "res/resource.h"
#include "ui/common/dpi.h"
#include "ui/common/main_messages.h"
#include "ui/common/window_ops.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/connect_dialog.h"
#include "ui/dialogs/item_dialog.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/panel/event_depth.h"
#include "ui/panel/item_commands.h"
#include "ui/panel/list_batch.h"
#include "ui/panel/monitor_panel.h"
#include "ui/panel/panel_windows.h"
#include "ui/panel/server_lists_view.h"
#include "ui/panel/status_log.h"
#include "ui/tray/tray_icon.h"

HWND g_mainWindow;

namespace {

// The window's size at 96 DPI. At other DPIs it is scaled, and made larger
// still where the panel (sized by its font) would not fit.
constexpr int MAIN_WIDTH = 712;
constexpr int MAIN_HEIGHT = 665;

BOOL CALLBACK AddToExtent(HWND control, LPARAM lParam) {
    RECT* extent = reinterpret_cast<RECT*>(lParam);
    RECT rect;
    GetWindowRect(control, &rect);
    UnionRect(extent, extent, &rect);
    return TRUE;
}

// Cuts the panel to the main window's client area where it reaches past it.
void ClipPanel(HWND window) {
    RECT panel, client;
    GetWindowRect(g_monitorPanel, &panel);
    GetClientRect(window, &client);
    const int width = panel.right - panel.left, height = panel.bottom - panel.top;
    if (width <= client.right && height <= client.bottom)
        return;
    SetWindowPos(g_monitorPanel, nullptr, 0, 0, width < client.right ? width : client.right,
                 height < client.bottom ? height : client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Grows the main window until its client area holds the panel: every
// control, and the panel's own rectangle, which ends a little to the right
// of and below its last control. A window that already holds it keeps its
// size. At 96 DPI the window keeps the size it is given unless a control
// would not fit: there the panel's 471 dialog units are 706.5 pixels, drawn
// as 707 in a client area of 706, and that pixel of background is cut from
// the panel instead. True when the window grew.
bool FitToPanel(HWND window) {
    RECT extent = {}, client, frame;
    if (g_monitorPanel == nullptr)
        return false;
    EnumChildWindows(g_monitorPanel, AddToExtent, reinterpret_cast<LPARAM>(&extent));
    if (WindowDpi(window) != USER_DEFAULT_SCREEN_DPI) {
        RECT panel;
        GetWindowRect(g_monitorPanel, &panel);
        UnionRect(&extent, &extent, &panel);
    }
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&extent), 2);
    GetClientRect(window, &client);
    const int growX = extent.right - client.right;
    const int growY = extent.bottom - client.bottom;
    if (growX > 0 || growY > 0) {
        GetWindowRect(window, &frame);
        SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + (growX > 0 ? growX : 0),
                     frame.bottom - frame.top + (growY > 0 ? growY : 0),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    ClipPanel(window);
    return growX > 0 || growY > 0;
}

LRESULT OnCreate(HWND window) {
    g_mainWindow = window;

    const int rc = SocketStartup(window);
    if (rc != SOCK_OK) {
        char text[256];
        snprintf(text, sizeof text, "Socket library initialization failed, rc %u",
                 static_cast<unsigned>(rc));
        MessageBoxA(nullptr, text, nullptr, MB_OK);
        DestroyWindow(window);
        return 1;
    }

    CenterWindow(window);

    // The list view, tree view and IP address classes must exist before the
    // panel and the dialogs are created from their templates. The first call
    // asks for the date classes only, which no window here uses;
    // InitCommonControls registers the list view and tree view, and the IP
    // address class comes with version 6 of the common controls (the
    // manifest's), which registers every class it has as it loads.
    INITCOMMONCONTROLSEX icc;
    icc.dwSize = 8;
    icc.dwICC = ICC_DATE_CLASSES;
    InitCommonControlsEx(&icc);
    InitCommonControls();

    // The panel's WM_INITDIALOG runs inside this call: it remembers its
    // windows (panel_windows.h) and posts WM_SHOW_CONNECT.
    OpenModelessDialog(InstanceOf(window), window, MonitorPanelProc, IDD_MONITOR_PANEL);
    if (FitToPanel(window))
        CenterWindow(window);
    StartTrayIcon(window);
    return 0;
}

// The window was moved to a monitor with another DPI (or that monitor's
// scale changed): take the rectangle the system suggests, then rescale what
// the panel sizes in pixels itself.
LRESULT OnDpiChanged(HWND window, WPARAM wParam, LPARAM lParam) {
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested != nullptr)
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    ScalePanelForDpi(LOWORD(wParam));
    FitToPanel(window);
    TrayDpiChanged(LOWORD(wParam));
    return 0;
}

void OnAbout() {
    if (ItemSettingsOrAboutOpen())
        return;
    OpenAboutBox(g_monitorPanel);
}

LRESULT OnCommand(HWND window, WPARAM wParam) {
    if (HIWORD(wParam) != 0)  // menu commands only
        return 0;
    if (RunMenuCommand(LOWORD(wParam)))  // the item commands of the "Tools" menu
        return 0;
    switch (LOWORD(wParam)) {
    case IDM_QUIT: DestroyWindow(window); break;
    case IDM_ABOUT: OnAbout(); break;
    case IDM_USER_MANUAL:
        // A missing manual or PDF viewer is deliberately not reported.
        ShellExecuteA(window, "open", "QuorvexManual.pdf", nullptr, nullptr, SW_SHOWNORMAL);
        break;
    default: break;
    }
    return 0;
}

LRESULT OnShowConnect(HWND window) {
    if (g_connectionState == CONN_DISCONNECTED)
        OpenModelessDialog(InstanceOf(window), window, ConnectDialogProc, IDD_CONNECT);
    return 0;
}

LRESULT OnStartSync() {
    SendSyncSequence(SelectedEventDepth());
    return 0;
}

// The connection's news for the user: both messages are posted, so the
// synchronisation and the connect dialog come once the current message has
// been handled.
void OnConnectionEstablished() {
    TrayConnectionChanged(false);
    PostMessageA(g_mainWindow, WM_START_SYNC, 0, 0);
}

void OnConnectionEnded(bool lost) {
    TrayConnectionChanged(lost);
    PostMessageA(g_mainWindow, WM_SHOW_CONNECT, 0, 0);
}

LRESULT OnDestroy() {
    g_mainWindow = nullptr;
    LeaveListRowsToTheProcess();
    ClearServerLists();
    // The GDI objects that outlive single dialogs, each by the file that made it.
    DeleteWhiteBrush();
    DeleteHeadingFont();
    DeleteTitleFont();
    StopTrayIcon();  // before the quit message, so no icon outlives the program
    PostQuitMessage(0);
    return 0;
}

// The records behind the list rows come from the process heap, where the
// list views keep their own tables. Under Wine those tables move as they
// grow and leave free blocks behind, which stay resident; the records fill
// them (a fifth less memory a row, measured with 50,000 and 400,000 events).
void* ProcessHeapAllocate(size_t bytes) {
    return HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
}

void ProcessHeapRelease(void* record) {
    HeapFree(GetProcessHeap(), 0, record);
}

const RecordHeap kProcessHeap = {ProcessHeapAllocate, ProcessHeapRelease};

}  // namespace

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: return OnCreate(window);
    case WM_DESTROY: return OnDestroy();
    case WM_COMMAND: return OnCommand(window, wParam);
    case WM_SHOW_CONNECT: return OnShowConnect(window);
    case WM_START_SYNC: return OnStartSync();
    case WM_DPICHANGED: return OnDpiChanged(window, wParam, lParam);
    case WM_SOCKET_EVENT:
    case WM_SOCKET_SEND: SocketDispatch(message, wParam, lParam); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

ATOM RegisterMainWindowClass(HINSTANCE instance) {
    WNDCLASSEXA wcex = {};
    wcex.cbSize = sizeof wcex;
    wcex.style = CS_HREDRAW | CS_VREDRAW;
    wcex.lpfnWndProc = MainWindowProc;
    wcex.hInstance = instance;
    wcex.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_APP));
    wcex.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wcex.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wcex.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
    wcex.lpszClassName = QX_MAIN_WINDOW_CLASS;
    wcex.hIconSm = nullptr;
    return RegisterClassExA(&wcex);
}

HWND CreateMainWindow(HINSTANCE instance) {
    // A null menu handle makes the window take the class menu (114).
    // It opens at (0, 0), on the primary monitor, whose DPI is the system's.
    const UINT dpi = WindowDpi(nullptr);
    return CreateWindowExA(0, QX_MAIN_WINDOW_CLASS, "Quorvex Client",
                           WS_OVERLAPPED | WS_SYSMENU | WS_MINIMIZEBOX, 0, 0,
                           ScaleForDpi(MAIN_WIDTH, dpi), ScaleForDpi(MAIN_HEIGHT, dpi), nullptr,
                           LoadMenuA(instance, nullptr), instance, nullptr);
}

HWND StartApplication(HINSTANCE instance, int show) {
    CreateWhiteBrush();
    RegisterMainWindowClass(instance);

    SetFrameTransport(ServerTransportSend);
    SetServerMessageHandler(HandleServerMessage);
    SetStatusReporter(LogStatus);
    SetRecordHeap(&kProcessHeap);
    SetMirrorView(ServerListsView());
    SetConnectionHandlers({SetConnectButton, OnConnectionEstablished, OnConnectionEnded,
                           BeginListBatch, EndListBatch});
    // A trace that cannot be opened is no reason not to start; the status
    // log that says so exists once the main window does.
    char traceFailure[MAX_PATH + 64] = "";
    const char* tracePath = std::getenv("QUORVEX_TRACE");
    if (tracePath != nullptr && tracePath[0] != '\0' &&
        !OpenFrameTrace(tracePath, FrameTraceCap(std::getenv("QUORVEX_TRACE_MAX_MB"))))
        snprintf(traceFailure, sizeof traceFailure, "Cannot open the trace file %s", tracePath);

    HWND window = CreateMainWindow(instance);
    if (window == nullptr)
        return nullptr;
    if (traceFailure[0] != '\0')
        LogStatus(traceFailure);
    g_mainWindow = window;
    ShowWindow(window, show);
    UpdateWindow(window);
    CreateTitleFont(window);
    return window;
}
