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

#include <mmsystem.h>

#include <cstring>

#include "core/mirror/server_mirror.h"
#include "core/rules/alert_rules.h"
#include "core/session/client_config.h"
#include "core/session/session.h"
#include "res/resource.h"
#include "ui/common/dpi.h"
#include "ui/common/popup_menu.h"
#include "ui/common/window_ops.h"
#include "ui/tray/alert_choices.h"

namespace {

constexpr UINT WM_TRAY_ICON = WM_APP + 1;  // the icon's mouse and balloon messages
constexpr UINT TRAY_ICON_ID = 1;
// The timers of the icon's own window.
constexpr UINT_PTR ICON_REDRAW_TIMER = 1;
constexpr UINT_PTR BALLOON_TIMER = 2;
constexpr UINT ICON_REDRAW_DELAY_MS = 250;
constexpr UINT BALLOON_TIMEOUT_MS = 10000;
constexpr DWORD ADD_RETRY_MS = 1000;

// Everything the icon holds between messages, for the life of the main
// window it stands for.
struct NotificationIcon {
    NotifyIconCall notify = Shell_NotifyIconA;  // the shell, or a test's stand-in
    HWND owner;   // the main window: brought back, flashed and told to quit
    HWND window;  // the icon's own hidden window
    UINT taskbarCreated;
    bool added;     // the shell said yes: the icon is there
    bool mayExist;  // an add was tried: a refusal may have been a timeout
    DWORD lastAddTry;
    AlertChoices choices = {true, false};
    bool redrawPending;
    bool balloonPending;
    bool flashing;  // the taskbar button flashes for a host down
    HICON icons[3];
    TrayImage shownImage;
    char shownTip[128];
    AlertGatherer alerts;
    CharSizeFn charSize = SingleByteCharSize;
};
NotificationIcon g_icon;

// A lead byte with nothing after it counts as two, so cutting leaves it out.
size_t DoubleByteCharSize(const char* s, size_t) {
    return IsDBCSLeadByte(static_cast<BYTE>(*s)) ? 2 : 1;
}

// Alerts are gathered for a balloon, a sound, or both.
bool Alerting() {
    return g_icon.added && (g_icon.choices.showAlerts || g_icon.choices.soundOnDown);
}

bool Connected() {
    return g_connectionState == CONN_CONNECTED;
}

NOTIFYICONDATAA IconData(UINT flags) {
    NOTIFYICONDATAA data;
    ZeroMemory(&data, sizeof data);
    // The Windows 2000 layout: tooltip of 128, balloons; later fields unused.
    data.cbSize = NOTIFYICONDATAA_V2_SIZE;
    data.hWnd = g_icon.window;
    data.uID = TRAY_ICON_ID;
    data.uFlags = flags;
    return data;
}

void FillPictureAndTip(NOTIFYICONDATAA* data) {
    const ItemCounts& counts = MirrorItemCounts();
    g_icon.shownImage = TrayImageFor(Connected(), counts);
    FormatTrayTip(g_icon.shownTip, sizeof g_icon.shownTip, Connected(), counts);
    data->hIcon = g_icon.icons[static_cast<int>(g_icon.shownImage)];
    lstrcpynA(data->szTip, g_icon.shownTip, sizeof data->szTip);
}

void AddIcon() {
    NOTIFYICONDATAA data = IconData(NIF_MESSAGE | NIF_ICON | NIF_TIP);
    data.uCallbackMessage = WM_TRAY_ICON;
    FillPictureAndTip(&data);
    g_icon.mayExist = true;
    g_icon.lastAddTry = GetTickCount();
    // A shell that announces itself again, or one whose answer to an earlier
    // add timed out, may already hold the icon.
    g_icon.added =
        g_icon.notify(NIM_ADD, &data) != FALSE || g_icon.notify(NIM_MODIFY, &data) != FALSE;
}

void NoteRedraw();

void Redraw() {
    g_icon.redrawPending = false;
    KillTimer(g_icon.window, ICON_REDRAW_TIMER);
    if (!g_icon.added) {
        if (GetTickCount() - g_icon.lastAddTry < ADD_RETRY_MS)
            NoteRedraw();  // tried again when the second is up
        else
            AddIcon();
        return;
    }
    const ItemCounts& counts = MirrorItemCounts();
    char tip[sizeof g_icon.shownTip];
    FormatTrayTip(tip, sizeof tip, Connected(), counts);
    if (TrayImageFor(Connected(), counts) == g_icon.shownImage &&
        std::strcmp(tip, g_icon.shownTip) == 0)
        return;
    NOTIFYICONDATAA data = IconData(NIF_ICON | NIF_TIP);
    FillPictureAndTip(&data);
    g_icon.notify(NIM_MODIFY, &data);
}

// Called for every change; the icon itself is redrawn (or added again) by
// the timer.
void NoteRedraw() {
    if (g_icon.redrawPending || g_icon.window == nullptr)
        return;
    UINT delay = ICON_REDRAW_DELAY_MS;
    const DWORD sinceAdd = GetTickCount() - g_icon.lastAddTry;
    if (!g_icon.added && sinceAdd + ICON_REDRAW_DELAY_MS < ADD_RETRY_MS)
        delay = ADD_RETRY_MS - sinceAdd;
    g_icon.redrawPending = SetTimer(g_icon.window, ICON_REDRAW_TIMER, delay, nullptr) != 0;
}

void ScheduleBalloon() {
    if (g_icon.balloonPending || !g_icon.alerts.Pending())
        return;
    const UINT delay = g_icon.alerts.DelayMs(GetTickCount());
    g_icon.balloonPending =
        SetTimer(g_icon.window, BALLOON_TIMER,
                 delay > USER_TIMER_MINIMUM ? delay : USER_TIMER_MINIMUM, nullptr) != 0;
}

bool MainWindowInFront() {
    HWND front = GetForegroundWindow();
    return front != nullptr && GetAncestor(front, GA_ROOTOWNER) == g_icon.owner;
}

void ShowBalloon() {
    g_icon.balloonPending = false;
    KillTimer(g_icon.window, BALLOON_TIMER);
    const DWORD now = GetTickCount();
    if (!Alerting() || !g_icon.alerts.Pending())
        return;
    if (g_icon.alerts.DelayMs(now) > 0) {
        ScheduleBalloon();
        return;
    }
    Balloon balloon;
    if (!g_icon.alerts.Take(now, &balloon, g_icon.charSize))
        return;
    // A host down (or flapping) and a lost connection: one sound per balloon.
    if (g_icon.choices.soundOnDown && balloon.warning)
        PlaySoundA(MAKEINTRESOURCEA(IDW_DOWN_SOUND), InstanceOf(g_icon.window),
                   SND_RESOURCE | SND_ASYNC | SND_NODEFAULT);
    if (!g_icon.choices.showAlerts) {
        ScheduleBalloon();
        return;
    }
    NOTIFYICONDATAA data = IconData(NIF_INFO);
    lstrcpynA(data.szInfoTitle, balloon.title, sizeof data.szInfoTitle);
    lstrcpynA(data.szInfo, balloon.text, sizeof data.szInfo);
    data.uTimeout = BALLOON_TIMEOUT_MS;
    data.dwInfoFlags = balloon.warning ? NIIF_WARNING : NIIF_INFO;
    g_icon.notify(NIM_MODIFY, &data);
    if (balloon.hostDown && !MainWindowInFront()) {
        FLASHWINFO flash = {};
        flash.cbSize = sizeof flash;
        flash.hwnd = g_icon.owner;
        flash.dwFlags = FLASHW_TRAY | FLASHW_TIMERNOFG;  // until the window is activated
        FlashWindowEx(&flash);
        g_icon.flashing = true;
    }
    ScheduleBalloon();  // what waited behind a lost connection
}

void BringMainWindowToFront() {
    if (IsIconic(g_icon.owner))
        ShowWindow(g_icon.owner, SW_RESTORE);
    SetForegroundWindow(g_icon.owner);
}

void ShowIconMenu() {
    HMENU menu = LoadMenuA(InstanceOf(g_icon.window), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    if (menu == nullptr)
        return;
    HMENU popup = GetSubMenu(menu, 0);
    CheckMenuItem(popup, IDM_TRAY_SHOW_ALERTS,
                  MF_BYCOMMAND | (g_icon.choices.showAlerts ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(popup, IDM_TRAY_SOUND_ON_DOWN,
                  MF_BYCOMMAND | (g_icon.choices.soundOnDown ? MF_CHECKED : MF_UNCHECKED));
    SetMenuDefaultItem(popup, IDM_TRAY_OPEN, FALSE);
    POINT at;
    GetCursorPos(&at);
    // The menu closes when the user clicks elsewhere only if its owner is
    // the foreground window, and the posted message lets it go away for good.
    SetForegroundWindow(g_icon.window);
    const UINT command = ShowPopupMenu(popup, g_icon.window, at);
    PostMessageA(g_icon.window, WM_NULL, 0, 0);
    DestroyMenu(menu);
    if (command != 0)
        PostMessageA(g_icon.window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
}

void DiscardAlerts() {
    g_icon.alerts.Discard();
    g_icon.balloonPending = false;
    KillTimer(g_icon.window, BALLOON_TIMER);
}

void StopFlash() {
    if (!g_icon.flashing)
        return;
    g_icon.flashing = false;
    FLASHWINFO flash = {};
    flash.cbSize = sizeof flash;
    flash.hwnd = g_icon.owner;
    flash.dwFlags = FLASHW_STOP;
    FlashWindowEx(&flash);
}

// The three pictures at the small icon size of `dpi`; the icon files carry
// frames from 16 to 64 pixels, and the nearest one is taken.
void LoadIcons(UINT dpi) {
    const int size = SmallIconSize(dpi);
    HINSTANCE instance = InstanceOf(g_icon.owner);
    const int ids[3] = {IDI_TRAY_DISCONNECTED, IDI_TRAY_ALL_UP, IDI_TRAY_SOME_DOWN};
    for (int i = 0; i < 3; ++i)
        g_icon.icons[i] = static_cast<HICON>(
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
    case IDM_TRAY_SOUND_ON_DOWN: {
        bool& choice = LOWORD(wParam) == IDM_TRAY_SHOW_ALERTS ? g_icon.choices.showAlerts
                                                              : g_icon.choices.soundOnDown;
        choice = !choice;
        SaveAlertChoices(g_icon.choices);
        if (!g_icon.choices.showAlerts && !g_icon.choices.soundOnDown)
            DiscardAlerts();
        break;
    }
    case IDM_TRAY_QUIT:
        // As the "Quit" item of the main menu.
        PostMessageA(g_icon.owner, WM_COMMAND, MAKEWPARAM(IDM_QUIT, 0), 0);
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
        if (message == g_icon.taskbarCreated && g_icon.taskbarCreated != 0) {
            AddIcon();  // the new shell knows no icons
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

// The icon watches the server mirror: its counts give the picture and the
// tooltip, and a status notice that changed a started item may alert.
void ItemChanged(const TestItem& item, const ItemChange& change) {
    NoteRedraw();
    if (!change.statusNotice || !Alerting())
        return;
    const Transition transition = StatusTransition(change.oldStarted, change.oldUp, item.up);
    if (transition == Transition::None)
        return;
    char name[NAME_FIELD + 1];
    CopyFieldText(name, item.config.name);
    g_icon.alerts.NoteTransition(item.itemId, name, transition, GetTickCount());
    ScheduleBalloon();
}

bool OnRowAppended(MirrorList list, size_t, const void*, bool) {
    if (list == MirrorList::Items)
        NoteRedraw();
    return true;
}

void OnRowChanged(MirrorList list, size_t row, const ItemChange& change) {
    const TestItem* item = MirrorItem(row);
    if (list == MirrorList::Items && item != nullptr)
        ItemChanged(*item, change);
}

void OnRowRemoved(MirrorList list, size_t) {
    if (list == MirrorList::Items)
        NoteRedraw();
}

void OnCleared(MirrorList list) {
    if (list == MirrorList::Items)
        NoteRedraw();
}

const MirrorView kWatcher = {OnRowAppended, OnRowChanged, OnRowRemoved, OnCleared};

bool CreateTrayWindow() {
    HINSTANCE instance = InstanceOf(g_icon.owner);
    WNDCLASSEXA wcex = {};
    wcex.cbSize = sizeof wcex;
    wcex.lpfnWndProc = TrayWindowProc;
    wcex.hInstance = instance;
    wcex.lpszClassName = QX_TRAY_WINDOW_CLASS;
    RegisterClassExA(&wcex);  // already registered when the main window is made again
    // A hidden top-level window: message-only windows miss broadcasts.
    g_icon.window = CreateWindowExA(0, QX_TRAY_WINDOW_CLASS, "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                    nullptr, instance, nullptr);
    return g_icon.window != nullptr;
}

}  // namespace

void SetNotifyIconCall(NotifyIconCall call) {
    g_icon.notify = call != nullptr ? call : Shell_NotifyIconA;
}

void StartTrayIcon(HWND mainWindow) {
    g_icon.owner = mainWindow;
    g_icon.charSize = GetACP() == CP_UTF8 ? Utf8CharSize : DoubleByteCharSize;
    g_icon.choices = ReadAlertChoices();
    if (!CreateTrayWindow())
        return;
    AddMirrorWatcher(&kWatcher);
    g_icon.taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    LoadIcons(WindowDpi(g_icon.owner));
    AddIcon();
}

void StopTrayIcon() {
    RemoveMirrorWatcher(&kWatcher);
    if (g_icon.mayExist) {
        NOTIFYICONDATAA data = IconData(0);
        g_icon.notify(NIM_DELETE, &data);
    }
    g_icon.added = g_icon.mayExist = g_icon.flashing = false;
    if (g_icon.window != nullptr)
        DestroyWindow(g_icon.window);  // its timers go with it
    g_icon.window = nullptr;
    g_icon.redrawPending = g_icon.balloonPending = false;
    DestroyIcons(g_icon.icons);
    g_icon.alerts = AlertGatherer();
    g_icon.owner = nullptr;
}

void TrayDpiChanged(UINT dpi) {
    if (g_icon.window == nullptr)
        return;
    HICON previous[3];
    std::memcpy(previous, g_icon.icons, sizeof previous);
    LoadIcons(dpi);
    if (g_icon.added) {  // else the next add takes the new pictures
        NOTIFYICONDATAA data = IconData(NIF_ICON);
        data.hIcon = g_icon.icons[static_cast<int>(g_icon.shownImage)];
        g_icon.notify(NIM_MODIFY, &data);
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
    if (!lost || !Alerting())
        return;
    char ip[sizeof g_clientConfig.serverIp + 1];
    CopyFieldText(ip, g_clientConfig.serverIp);
    g_icon.alerts.NoteConnectionLost(ip, g_clientConfig.serverPort, GetTickCount());
    ScheduleBalloon();
}
