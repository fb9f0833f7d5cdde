// The notification-area icon driven by the real dispatcher and connection
// events in the real main window; only the one call to the shell is
// replaced, to see what the client asks of it.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app_harness.h"
#include "core/rules/alert_rules.h"
#include "core/session/session.h"
#include "link/server_connection.h"
#include "net/socket.h"
#include "res/resource.h"
#include "server_records.h"
#include "ui/common/popup_menu.h"
#include "ui/tray/alert_choices.h"
#include "ui/tray/tray_icon.h"

namespace {

struct ShellCall {
    DWORD message;
    NOTIFYICONDATAA data;
    bool quitPosted;  // a WM_QUIT was already waiting
    DWORD tick;
};
std::vector<ShellCall> g_calls;
bool g_noShell;  // the shell refuses every call, as where there is no notification area

BOOL WINAPI RecordShellCall(DWORD message, PNOTIFYICONDATAA data) {
    MSG quit;
    const bool quitPosted = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
    ShellCall call = {message, {}, quitPosted, GetTickCount()};
    std::memcpy(&call.data, data,
                data->cbSize < sizeof call.data ? data->cbSize : sizeof call.data);
    g_calls.push_back(call);
    return g_noShell ? FALSE : TRUE;
}

std::vector<ShellCall> Balloons() {
    std::vector<ShellCall> found;
    for (const ShellCall& c : g_calls)
        if (c.message == NIM_MODIFY && (c.data.uFlags & NIF_INFO))
            found.push_back(c);
    return found;
}

bool WaitForBalloons(size_t n, DWORD ms) {
    return PumpMessages(ms, [n] { return Balloons().size() >= n; });
}

// The tooltip of the last icon change, and the colour inside its octagon.
const ShellCall* LastIconChange() {
    for (auto it = g_calls.rbegin(); it != g_calls.rend(); ++it)
        if (it->data.uFlags & NIF_TIP)
            return &*it;
    return nullptr;
}

COLORREF IconFill(HICON icon) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info))
        return CLR_INVALID;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, info.hbmColor);
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    const COLORREF colour = GetPixel(dc, bitmap.bmWidth / 4, bitmap.bmHeight / 4);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return colour;
}

bool TipIs(const char* tip) {
    const ShellCall* last = LastIconChange();
    return last != nullptr && std::strcmp(last->data.szTip, tip) == 0;
}

void Announce(uint32_t id, const char* name, uint32_t started, uint32_t up) {
    Deliver(Item(id, name, started, up));
}

void Status(uint32_t id, uint32_t up) {
    Deliver(StatusNotice(id, up, up ? "Up (1 ms)" : "Down: refused"));
}

class AlertsTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_calls.clear();
        g_noShell = false;
        RegDeleteKeyA(HKEY_CURRENT_USER, QX_CHOICES_KEY);  // the choices' defaults
        SetNotifyIconCall(RecordShellCall);
        ASSERT_NE(StartMainWindow(), nullptr);
        PumpMessages(2000, [] { return FindThreadWindow("Connect to Quorvex Server") != nullptr; });
        if (HWND dialog = FindThreadWindow("Connect to Quorvex Server"))
            SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        g_connectionState = CONN_CONNECTED;
    }
    void TearDown() override {
        StopMainWindow();
        SetNotifyIconCall(nullptr);
        SetPopupMenuCall(nullptr);
        RegDeleteKeyA(HKEY_CURRENT_USER, QX_CHOICES_KEY);
    }
};

TEST_F(AlertsTest, StatusChangesOfStartedItemsRaiseBalloonsAndTheIconGoesAtDestroy) {
    ASSERT_FALSE(g_calls.empty());
    const ShellCall added = g_calls[0];
    EXPECT_EQ(added.message, static_cast<DWORD>(NIM_ADD));
    EXPECT_EQ(added.data.cbSize, static_cast<DWORD>(NOTIFYICONDATAA_V2_SIZE));
    EXPECT_EQ(added.data.uFlags, static_cast<UINT>(NIF_MESSAGE | NIF_ICON | NIF_TIP));
    EXPECT_STREQ(added.data.szTip, "Quorvex Client");
    const COLORREF grey = IconFill(added.data.hIcon);
    EXPECT_EQ(GetRValue(grey), GetGValue(grey));

    // Announcements, a Start answer and an item's first status raise nothing.
    Announce(1, "web", 1, 1);
    Announce(2, "db", 0, 0);
    ASSERT_TRUE(PumpMessages(2000, [] { return TipIs("Quorvex Client: 1 up, 0 down, 1 stopped"); }))
        << LastIconChange()->data.szTip;
    const COLORREF green = IconFill(LastIconChange()->data.hIcon);
    EXPECT_GT(GetGValue(green), GetRValue(green));
    Deliver(Response(CODE_ITEM_START, 2, 0, "Test item 2 started"));
    Status(2, 1);
    Status(1, 1);  // no change
    Deliver(Event(CODE_EVENTS, "web", "Down"));

    Status(1, 0);
    ASSERT_TRUE(WaitForBalloons(1, 2000));
    ShellCall down = Balloons()[0];
    EXPECT_EQ(down.data.uFlags, static_cast<UINT>(NIF_INFO));
    EXPECT_STREQ(down.data.szInfoTitle, "Host down");
    EXPECT_STREQ(down.data.szInfo, "web");
    EXPECT_EQ(down.data.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));
    EXPECT_EQ(down.data.hWnd, added.data.hWnd);
    EXPECT_EQ(down.data.uID, added.data.uID);
    ASSERT_TRUE(
        PumpMessages(2000, [] { return TipIs("Quorvex Client: 1 up, 1 down, 0 stopped"); }));
    const COLORREF red = IconFill(LastIconChange()->data.hIcon);
    EXPECT_GT(GetRValue(red), GetGValue(red));

    // Up again: its own balloon, no sooner than the interval allows.
    const DWORD shownAt = GetTickCount();
    Status(1, 1);
    ASSERT_TRUE(WaitForBalloons(2, 8000));
    EXPECT_GE(GetTickCount() - shownAt, 4500u);
    ShellCall up = Balloons()[1];
    EXPECT_STREQ(up.data.szInfoTitle, "Host up again");
    EXPECT_STREQ(up.data.szInfo, "web");
    EXPECT_EQ(up.data.dwInfoFlags, static_cast<DWORD>(NIIF_INFO));
    EXPECT_EQ(Balloons().size(), 2u);

    // A Stop answer and a deletion change the counts too.
    Deliver(Response(CODE_ITEM_STOP, 2, 0, "Test item 2 stopped"));
    ASSERT_TRUE(
        PumpMessages(2000, [] { return TipIs("Quorvex Client: 1 up, 0 down, 1 stopped"); }));
    Deliver(Response(CODE_ITEM_DELETE, 1, 0, "Test item 1 deleted"));
    ASSERT_TRUE(
        PumpMessages(2000, [] { return TipIs("Quorvex Client: 0 up, 0 down, 1 stopped"); }));

    DestroyWindow(g_mainWindow);
    ASSERT_FALSE(g_calls.empty());
    const ShellCall removed = g_calls.back();
    EXPECT_EQ(removed.message, static_cast<DWORD>(NIM_DELETE));
    EXPECT_EQ(removed.data.hWnd, added.data.hWnd);
    EXPECT_EQ(removed.data.uID, added.data.uID);
    EXPECT_FALSE(removed.quitPosted);
    EXPECT_FALSE(IsWindow(added.data.hWnd));
}

TEST_F(AlertsTest, ShowAlertsAndOnlyALostConnectionAndQuitFromTheIconsMenu) {
    HWND trayWindow = g_calls.at(0).data.hWnd;
    Announce(1, "web", 1, 1);
    // Show Alerts off: the icon follows, no balloon comes; back on, the loss below has one.
    SendMessageA(trayWindow, WM_COMMAND, IDM_TRAY_SHOW_ALERTS, 0);
    Status(1, 0);
    ASSERT_TRUE(
        PumpMessages(2000, [] { return TipIs("Quorvex Client: 0 up, 1 down, 0 stopped"); }));
    EXPECT_FALSE(WaitForBalloons(1, 600));
    SendMessageA(trayWindow, WM_COMMAND, IDM_TRAY_SHOW_ALERTS, 0);

    // The user's Disconnect and a failed attempt are not losses.
    DisconnectFromServer();
    g_connectionState = CONN_CONNECTING;
    ServerSocketCallback(1, SOCK_EVENT_CONNECT_FAILED, 0, 0, 0);
    ASSERT_TRUE(PumpMessages(2000, [] { return TipIs("Quorvex Client"); }));
    EXPECT_FALSE(WaitForBalloons(1, 600));

    g_connectionState = CONN_CONNECTED;
    ServerSocketCallback(1, SOCK_EVENT_CLOSED, 0, 0, 0);
    ASSERT_TRUE(WaitForBalloons(1, 2000));
    EXPECT_STREQ(Balloons()[0].data.szInfoTitle, "Connection to the server lost");
    EXPECT_STREQ(Balloons()[0].data.szInfo, "Server 127.0.0.1, port 2111");
    EXPECT_EQ(Balloons()[0].data.dwInfoFlags, static_cast<DWORD>(NIIF_WARNING));

    // A restarted shell knows no icons: the icon is added again. An add the
    // shell refuses (it may only have timed out) is tried again with the
    // icon's next change, no sooner than a second later; and the icon, which
    // may exist after all, is removed at exit.
    const UINT taskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    SendMessageA(trayWindow, taskbarCreated, 0, 0);
    EXPECT_EQ(g_calls.back().message, static_cast<DWORD>(NIM_ADD));
    g_noShell = true;
    SendMessageA(trayWindow, taskbarCreated, 0, 0);
    const size_t refused = g_calls.size();
    g_connectionState = CONN_CONNECTED;
    Announce(2, "db", 1, 1);
    Status(2, 0);
    ASSERT_TRUE(PumpMessages(3000, [refused] { return g_calls.size() > refused; }));
    EXPECT_EQ(g_calls[refused].message, static_cast<DWORD>(NIM_ADD));
    EXPECT_GE(g_calls[refused].tick - g_calls[refused - 1].tick, 900u);

    // "Quit" in the icon's menu ends the program as Tools -> Quit does.
    SendMessageA(trayWindow, WM_COMMAND, IDM_TRAY_QUIT, 0);
    EXPECT_TRUE(PumpMessages(2000, [] { return !IsWindow(g_mainWindow); }));
    EXPECT_EQ(g_calls.back().message, static_cast<DWORD>(NIM_DELETE));
}

// Two hosts go down, the second while the first one's balloon is on show,
// so it waits for the next one; the user disconnects. Then a connection is
// lost, and the next one established before its balloon is due. Neither
// waiting balloon comes: the test waits for that absence until each would
// have been due (the pacing interval, then the gathering delay), plus a
// margin.
TEST_F(AlertsTest, NothingGatheredOutlivesItsConnection) {
    Announce(1, "web", 1, 1);
    Announce(2, "db", 1, 1);
    Status(1, 0);
    ASSERT_TRUE(WaitForBalloons(1, 2000));
    const DWORD shownAt = GetTickCount();
    Status(2, 0);
    DisconnectFromServer();
    EXPECT_FALSE(WaitForBalloons(2, ALERT_INTERVAL_MS + 700 - (GetTickCount() - shownAt)))
        << Balloons().back().data.szInfo;

    g_connectionState = CONN_CONNECTING;
    ServerSocketCallback(1, SOCK_EVENT_CONNECTED, 0, 0, 0);
    ServerSocketCallback(1, SOCK_EVENT_CLOSED, 0, 0, 0);
    g_connectionState = CONN_CONNECTING;
    ServerSocketCallback(1, SOCK_EVENT_CONNECTED, 0, 0, 0);
    EXPECT_FALSE(WaitForBalloons(2, ALERT_GATHER_MS + 700)) << Balloons().back().data.szInfoTitle;
}

// The icon's menu as it opens: the check marks of the two choices, and one
// item chosen.
std::string g_checks;
UINT g_trayChoice;

UINT ReadTrayMenu(HMENU popup, HWND, POINT) {
    g_checks.clear();
    for (UINT id : {IDM_TRAY_SHOW_ALERTS, IDM_TRAY_SOUND_ON_DOWN})
        g_checks += (GetMenuState(popup, id, MF_BYCOMMAND) & MF_CHECKED) ? "on " : "off ";
    return g_trayChoice;
}

std::string OpenTrayMenu(UINT choice) {
    g_trayChoice = choice;
    g_checks = "not shown";
    SendMessageA(FindWindowA(QX_TRAY_WINDOW_CLASS, nullptr), WM_APP + 1, 0, WM_RBUTTONUP);
    DispatchPending();
    return g_checks;
}

TEST_F(AlertsTest, TheChoicesOutliveARestartAndAMalformedValueGivesTheDefault) {
    SetPopupMenuCall(ReadTrayMenu);
    EXPECT_EQ(OpenTrayMenu(IDM_TRAY_SOUND_ON_DOWN), "on off ");
    EXPECT_EQ(OpenTrayMenu(IDM_TRAY_SHOW_ALERTS), "on on ");
    StopMainWindow();
    ASSERT_NE(StartMainWindow(), nullptr);
    EXPECT_EQ(OpenTrayMenu(0), "off on ");

    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, QX_CHOICES_KEY, 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    const DWORD seven = 7, one = 1;  // a DWORD neither 0 nor 1; a 1 of the wrong type
    RegSetValueExA(key, QX_SHOW_ALERTS_VALUE, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seven),
                   sizeof seven);
    RegSetValueExA(key, QX_SOUND_ON_DOWN_VALUE, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&one),
                   sizeof one);
    RegCloseKey(key);
    StopMainWindow();
    ASSERT_NE(StartMainWindow(), nullptr);
    EXPECT_EQ(OpenTrayMenu(0), "on off ");
}

}  // namespace
