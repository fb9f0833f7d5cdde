// The notification-area icon and its balloons. A hidden window of its own
// receives the icon's mouse messages, the shell's "TaskbarCreated" broadcast
// (the shell restarted and forgot every icon) and two timers: one redraws
// the icon when its picture or tooltip changed, the other raises the next
// balloon when the gathering interval allows. The rules (counts, texts,
// pacing) are in alert_rules; this file only talks to Windows.
//
// Nothing here reports a failure: without a notification area the program
// simply has no icon. An add the shell refused (it may only have timed out,
// as a shell busy at logon does) is tried again with the next change of the
// icon, at most once a second.
#include "ui/tray/tray_icon.h"

#include <cstring>

#include "core/mirror/server_mirror.h"
#include "core/rules/alert_rules.h"
#include "core/session/client_config.h"
#include "core/session/session.h"
#include "res/resource.h"
#include "ui/common/dpi.h"
#include "ui/common/window_ops.h"

namespace {

constexpr UINT WM_TRAY_ICON = WM_APP + 1;  // the icon's mouse and balloon messages
constexpr UINT TRAY_ICON_ID = 1;
// The timers of the icon's own window.
constexpr UINT_PTR ICON_REDRAW_TIMER = 1;
constexpr UINT_PTR BALLOON_TIMER = 2;
constexpr UINT ICON_REDRAW_DELAY_MS = 250;
constexpr UINT BALLOON_TIMEOUT_MS = 10000;
constexpr DWORD ADD_RETRY_MS = 1000;

NotifyIconCall g_notifyIcon = Shell_NotifyIconA;
HWND g_mainWindow;  // brought back, flashed and told to quit
HWND g_trayWindow;
UINT g_taskbarCreated;
bool g_iconAdded;     // the shell said yes: the icon is there
bool g_iconMayExist;  // an add was tried: a refusal may have been a timeout
DWORD g_lastAddTry;
bool g_showAlerts = true;
bool g_redrawPending;
bool g_balloonPending;
bool g_flashing;  // the taskbar button flashes for a host down
HICON g_icons[3];
TrayImage g_shownImage;
char g_shownTip[128];
AlertGatherer g_alerts;
CharSizeFn g_charSize = SingleByteCharSize;

// A lead byte with nothing after it counts as two, so cutting leaves it out.
size_t DoubleByteCharSize(const char* s, size_t) {
    return IsDBCSLeadByte(static_cast<BYTE>(*s)) ? 2 : 1;
}

bool Connected() {
    return g_connectionState == CONN_CONNECTED;
}

NOTIFYICONDATAA IconData(UINT flags) {
    NOTIFYICONDATAA data;
    ZeroMemory(&data, sizeof data);
    // The Windows 2000 layout: tooltip of 128, balloons; later fields unused.
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = g_trayWindow;
    data.uID = TRAY_ICON_ID;
    data.uFlags = flags;
    return data;
}

void FillPictureAndTip(NOTIFYICONDATAA* data) {
    const ItemCounts& counts = MirrorItemCounts();
    g_shownImage = TrayImageFor(Connected(), counts);
    FormatTrayTip(g_shownTip, sizeof g_shownTip, Connected(), counts);
    data->hIcon = g_icons[static_cast<int>(g_shownImage)];
    lstrcpynA(data->szTip, g_shownTip, sizeof data->szTip);
}

void AddIcon() {
    NOTIFYICONDATAA data = IconData(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    data.uCallbackMessage = WM_TRAY_ICON;
    FillPictureAndTip(&data);
    g_iconMayExist = true;
    g_lastAddTry = GetTickCount();
    // A shell that announces itself again, or one whose answer to an earlier
    // add timed out, may already hold the icon.
    g_iconAdded = g_notifyIcon(NIM_ADD, &data) != FALSE || g_notifyIcon(NIM_MODIFY, &data) != FALSE;
}

void NoteRedraw();

void Redraw() {
    g_redrawPending = false;
    KillTimer(g_trayWindow, ICON_REDRAW_TIMER);
    if (!g_iconAdded) {
        if (GetTickCount() - g_lastAddTry < ADD_RETRY_MS)
            NoteRedraw();  // tried again when the second is up
        else
            AddIcon();
        return;
    }
    const ItemCounts& counts = MirrorItemCounts();
    char tip[sizeof g_shownTip];
    FormatTrayTip(tip, sizeof tip, Connected(), counts);
    if (TrayImageFor(Connected(), counts) == g_shownImage && std::strcmp(tip, g_shownTip) == 0)
        return;
    NOTIFYICONDATAA data = IconData(NIF_ICON | NIF_TIP);
    FillPictureAndTip(&data);
    g_notifyIcon(NIM_MODIFY, &data);
}

// Called for every change; the icon itself is redrawn (or added again) by
// the timer.
void NoteRedraw() {
    if (g_redrawPending || g_trayWindow == nullptr)
        return;
    UINT delay = ICON_REDRAW_DELAY_MS;
    const DWORD sinceAdd = GetTickCount() - g_lastAddTry;
    if (!g_iconAdded && sinceAdd + ICON_REDRAW_DELAY_MS < ADD_RETRY_MS)
        delay = ADD_RETRY_MS - sinceAdd;
    g_redrawPending = SetTimer(g_trayWindow, ICON_REDRAW_TIMER, delay, nullptr) != 0;
}

void ScheduleBalloon() {
    if (g_balloonPending || !g_alerts.Pending())
        return;
    const UINT delay = g_alerts.DelayMs(GetTickCount());
    g_balloonPending =
        SetTimer(g_trayWindow, BALLOON_TIMER,
                 delay > USER_TIMER_MINIMUM ? delay : USER_TIMER_MINIMUM, nullptr) != 0;
}

bool MainWindowInFront() {
    HWND front = GetForegroundWindow();
    return front != nullptr && GetAncestor(front, GA_ROOTOWNER) == g_mainWindow;
}

void ShowBalloon() {
    g_balloonPending = false;
    KillTimer(g_trayWindow, BALLOON_TIMER);
    const DWORD now = GetTickCount();
    if (!g_iconAdded || !g_showAlerts || !g_alerts.Pending())
        return;
    if (g_alerts.DelayMs(now) > 0) {
        ScheduleBalloon();
        return;
    }
    Balloon balloon;
    if (!g_alerts.Take(now, &balloon, g_charSize))
        return;
    NOTIFYICONDATAA data = IconData(NIF_INFO);
    lstrcpynA(data.szInfoTitle, balloon.title, sizeof data.szInfoTitle);
    lstrcpynA(data.szInfo, balloon.text, sizeof data.szInfo);
    data.uTimeout = BALLOON_TIMEOUT_MS;
    data.dwInfoFlags = balloon.warning ? NIIF_WARNING : NIIF_INFO;
    g_notifyIcon(NIM_MODIFY, &data);
    if (balloon.hostDown && !MainWindowInFront()) {
        FLASHWINFO flash = {};
        flash.cbSize = sizeof flash;
        flash.hwnd = g_mainWindow;
        flash.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;  // until the window is activated
        FlashWindowEx(&flash);
        g_flashing = true;
    }
    ScheduleBalloon();  // what waited behind a lost connection
}

void BringMainWindowToFront() {
    if (IsIconic(g_mainWindow))
        ShowWindow(g_mainWindow, SW_RESTORE);
    SetForegroundWindow(g_mainWindow);
}

void ShowIconMenu() {
    HMENU menu = LoadMenuA(InstanceOf(g_trayWindow), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    if (menu == nullptr)
        return;
    HMENU popup = GetSubMenu(menu, 0);
    CheckMenuItem(popup, IDM_TRAY_SHOW_ALERTS,
                  MF_BYCOMMAND | (g_showAlerts ? MF_CHECKED : MF_UNCHECKED));
    SetMenuDefaultItem(popup, IDM_TRAY_OPEN, FALSE);
    POINT at;
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if its owner is
    // the foreground window, and the posted message lets it go away for good.
    SetForegroundWindow(g_trayWindow);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, g_trayWindow, nullptr);
    PostMessageA(g_trayWindow, WM_NULL, 0, 0);
    DestroyMenu(menu);
}

void DiscardAlerts() {
    g_alerts.Discard();
    g_balloonPending = false;
    KillTimer(g_trayWindow, BALLOON_TIMER);
}

void StopFlash() {
    if (!g_flashing)
        return;
    g_flashing = false;
    FLASHWINFO flash = {};
    flash.cbSize = sizeof flash;
    flash.hwnd = g_mainWindow;
    flash.dwFlags = FLASHW_STOP;
    FlashWindowEx(&flash);
}

// The three pictures at the small icon size of `dpi`; the icon files carry
// frames from 16 to 64 pixels, and the nearest one is taken.
void LoadIcons(UINT dpi) {
    const int size = SmallIconSize(dpi);
    HINSTANCE instance = InstanceOf(g_mainWindow);
    const int ids[3] = {IDI_TRAY_DISCONNECTED, IDI_TRAY_ALL_UP, IDI_TRAY_SOME_DOWN};
    for (int i = 0; i < 3; ++i)
        g_icons[i] = static_cast<HICON>(
            LoadImageA(instance, MAKEINTRESOURCEA(ids[i]), IMAGE_ICON, size, size, 0));
}

void DestroyIcons(HICON (&icons)[3]) {
    for (HICON& icon : icons) {
        if (icon != nullptr)
            DestroyIcon(icon);
        icon = nullptr;
    }
}

LRESULT OnMenuCommand(WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDM_TRAY_OPEN: BringMainWindowToFront(); break;
    case IDM_TRAY_SHOW_ALERTS:
        g_showAlerts = !g_showAlerts;
        if (!g_showAlerts)
            DiscardAlerts();
        break;
    case IDM_TRAY_QUIT:
        // As the "Quit" item of the main menu.
        PostMessageA(g_mainWindow, WM_COMMAND, MAKEWPARAM(IDM_QUIT, 0), 0);
        break;
    default: break;
    }
    return 0;
}

LRESULT OnIconMessage(LPARAM lParam) {
    switch (LOWORD(lParam)) {
    case WM_LBUTTONUP:
    case NIN_BALLOONUSERCLICK: BringMainWindowToFront(); break;
    case WM_RBUTTONUP: ShowIconMenu(); break;
    default: break;
    }
    return 0;
}

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TRAY_ICON: return OnIconMessage(lParam);
    case WM_COMMAND: return OnMenuCommand(wParam);
    case WM_TIMER:
        if (wParam == ICON_REDRAW_TIMER)
            Redraw();
        else if (wParam == BALLOON_TIMER)
            ShowBalloon();
        return 0;
    default:
        if (message == g_taskbarCreated && g_taskbarCreated != 0) {
            AddIcon();  // the new shell knows no icons
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

bool CreateTrayWindow() {
    HINSTANCE instance = InstanceOf(g_mainWindow);
    WNDCLASSEXA wcex = {};
    wcex.cbSize = sizeof wcex;
    wcex.lpfnWndProc = TrayWindowProc;
    wcex.hInstance = instance;
    wcex.lpszClassName = QX_TRAY_WINDOW_CLASS;
    RegisterClassExA(&wcex);  // already registered when the main window is made again
    // A hidden top-level window: message-only windows miss broadcasts.
    g_trayWindow = CreateWindowExA(0, QX_TRAY_WINDOW_CLASS, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                   nullptr, instance, nullptr);
    return g_trayWindow != nullptr;
}

}  // namespace

void SetNotifyIconCall(NotifyIconCall call) {
    g_notifyIcon = call != nullptr ? call : Shell_NotifyIconA;
}

void StartTrayIcon(HWND mainWindow) {
    g_mainWindow = mainWindow;
    g_charSize = GetACP() == CP_UTF8 ? Utf8CharSize : DoubleByteCharSize;
    g_showAlerts = true;
    if (!CreateTrayWindow())
        return;
    g_taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    LoadIcons(WindowDpi(g_mainWindow));
    AddIcon();
}

void StopTrayIcon() {
    if (g_iconMayExist) {
        NOTIFYICONDATAA data = IconData(0);
        g_notifyIcon(NIM_DELETE, &data);
    }
    g_iconAdded = g_iconMayExist = g_flashing = false;
    if (g_trayWindow != nullptr)
        DestroyWindow(g_trayWindow);  // its timers go with it
    g_trayWindow = nullptr;
    g_redrawPending = g_balloonPending = false;
    DestroyIcons(g_icons);
    g_alerts = AlertGatherer();
    g_mainWindow = nullptr;
}

void TrayItemsChanged() {
    NoteRedraw();
}

void TrayItemChanged(const TestItem& item, uint32_t oldStarted, uint32_t oldUp, bool statusNotice) {
    NoteRedraw();
    if (!statusNotice || !g_iconAdded || !g_showAlerts)
        return;
    const Transition transition = StatusTransition(oldStarted, oldUp, item.up);
    if (transition == Transition::None)
        return;
    char name[NAME_FIELD + 1];
    CopyFieldText(name, item.config.name);
    g_alerts.NoteTransition(item.itemId, name, transition, GetTickCount());
    ScheduleBalloon();
}

void TrayDpiChanged(UINT dpi) {
    if (g_trayWindow == nullptr)
        return;
    HICON previous[3];
    std::memcpy(previous, g_icons, sizeof previous);
    LoadIcons(dpi);
    if (g_iconAdded) {  // else the next add takes the new pictures
        NOTIFYICONDATAA data = IconData(NIF_ICON);
        data.hIcon = g_icons[static_cast<int>(g_shownImage)];
        g_notifyIcon(NIM_MODIFY, &data);
    }
    DestroyIcons(previous);  // the shell shows the new picture now
}

void TrayConnectionChanged(bool lost) {
    NoteRedraw();
    // What was gathered belongs to the connection that ended (or, when a new
    // one is established, to the one before): a balloon for it would come
    // after the user has seen the connection go.
    DiscardAlerts();
    StopFlash();
    if (!lost || !g_iconAdded || !g_showAlerts)
        return;
    char ip[sizeof g_clientConfig.serverIp + 1];
    CopyFieldText(ip, g_clientConfig.serverIp);
    g_alerts.NoteConnectionLost(ip, g_clientConfig.serverPort, GetTickCount());
    ScheduleBalloon();
}

bool TrayAlertsShown() {
    return g_showAlerts;
}
