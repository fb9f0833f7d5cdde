// The real main window in-process: its frame, the panel, the notification
// icon's menu, the private messages, a change of DPI, a trace file that
// cannot be opened, and CenterWindow. The main menu is walked in
// item_commands_test.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>

#include "app/main_window.h"
#include "app_harness.h"
#include "core/session/session.h"
#include "list_reader.h"
#include "res/resource.h"
#include "ui/common/dpi.h"
#include "ui/common/main_messages.h"
#include "ui/common/window_ops.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/item_dialog.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/panel/item_commands.h"
#include "ui/panel/monitor_panel.h"
#include "ui/panel/panel_windows.h"
#include "ui/tray/alert_choices.h"
#include "ui/tray/tray_icon.h"

namespace {

class MainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        window = StartMainWindow();
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { StopMainWindow(); }
    HWND ConnectDialog() { return FindThreadWindow("Connect to Quorvex Server"); }
    HWND window = nullptr;
};

TEST_F(MainWindow, IsTheFixedSizeFrameNamedQuorvexClientCentredOnTheDesktop) {
    EXPECT_EQ(ClassName(window), " ");
    EXPECT_EQ(WindowText(window), "Quorvex Client");
    EXPECT_EQ(g_mainWindow, window);
    RECT desktop, rect;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 712);
    EXPECT_EQ(rect.bottom - rect.top, 665);
    EXPECT_EQ(rect.left, desktop.left + (desktop.right - desktop.left - 712) / 2);
    EXPECT_EQ(rect.top, desktop.top + (desktop.bottom - desktop.top - 665) / 2);
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_TRUE(style & WS_MINIMIZEBOX);
    EXPECT_FALSE(style & WS_THICKFRAME) << "the window must not be resizable";
    EXPECT_FALSE(style & WS_MAXIMIZEBOX);
    EXPECT_EQ(GetParent(window), nullptr);
}

// Moved to a monitor at 150 %: the window takes the rectangle that the
// system suggests, and the panel's columns and button images follow.
TEST_F(MainWindow, FollowsAChangeOfDpi) {
    RECT suggested = {40, 30, 40 + 1068, 30 + 1010};
    SendMessageA(window, WM_DPICHANGED, MAKEWPARAM(144, 144), reinterpret_cast<LPARAM>(&suggested));
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, 40);
    EXPECT_EQ(rect.top, 30);
    EXPECT_EQ(rect.right - rect.left, 1068);
    EXPECT_EQ(rect.bottom - rect.top, 1010);
    EXPECT_EQ(SendMessageA(g_itemsList, LVM_GETCOLUMNWIDTH, 1, 0), 345);
    BUTTON_IMAGELIST images = {};
    SendDlgItemMessageA(g_monitorPanel, IDC_PANEL_SETTINGS, BCM_GETIMAGELIST, 0,
                        reinterpret_cast<LPARAM>(&images));
    int cx = 0, cy = 0;
    ImageList_GetIconSize(images.himl, &cx, &cy);
    EXPECT_EQ(cx, SmallIconSize(144));
    EXPECT_EQ(ImageList_GetImageCount(images.himl), 1);
}

// The notification icon's menu, walked by its texts.
TEST_F(MainWindow, NotificationIconMenuBringsTheWindowBackSwitchesAlertsOffAndQuits) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_TRAY_MENU));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(MenuTexts(GetSubMenu(menu, 0)),
              "Open Quorvex Client | Show Alerts | Sound on Down | - | Quit");
    HWND tray = FindThreadWindow("", QX_TRAY_WINDOW_CLASS);
    ASSERT_NE(tray, nullptr);
    auto choose = [&](const char* text) {
        SendMessageA(tray, WM_COMMAND, MenuItemId(menu, "", text), 0);
    };
    ShowWindow(window, SW_SHOWMINNOACTIVE);
    choose("Open Quorvex Client");
    EXPECT_FALSE(IsIconic(window));
    choose("Show Alerts");
    EXPECT_FALSE(ReadAlertChoices().showAlerts) << "on at start, off once chosen";
    choose("Quit");
    EXPECT_TRUE(PumpMessages(2000, [&] { return !IsWindow(window); }));
    DestroyMenu(menu);
}

TEST_F(MainWindow, HoldsThePanelAtTheOriginOfItsClientArea) {
    ASSERT_NE(g_monitorPanel, nullptr);
    EXPECT_EQ(GetParent(g_monitorPanel), window);
    EXPECT_TRUE(GetWindowLongA(g_monitorPanel, GWL_STYLE) & WS_CHILD);
    EXPECT_FALSE(GetWindowLongA(g_monitorPanel, GWL_STYLE) & WS_CAPTION);
    RECT rect;
    GetWindowRect(g_monitorPanel, &rect);
    POINT origin = {rect.left, rect.top};
    ScreenToClient(window, &origin);
    EXPECT_EQ(origin.x, 0);
    EXPECT_EQ(origin.y, 0);
    EXPECT_EQ(ShownTexts(g_monitorPanel),
              (std::vector<std::string>{"", "Connect", "Delete Item", "Edit Item",
                                        "Event View Depth", "New Item", "Reload Events", "Settings",
                                        "Start Test", "Stop Test"}));
    EXPECT_EQ(FieldKind(GetDlgItem(g_monitorPanel, IDC_PANEL_DEPTH)), "choice");
}

TEST_F(MainWindow, OpensTheConnectDialogOnceTheLoopRuns) {
    EXPECT_EQ(ConnectDialog(), nullptr) << "posted, not opened during creation";
    ASSERT_TRUE(PumpMessages(3000, [&] { return ConnectDialog() != nullptr; }));
    HWND dialog = ConnectDialog();
    EXPECT_EQ(GetWindow(dialog, GW_OWNER), window);
    EXPECT_EQ(ShownTexts(dialog), (std::vector<std::string>{"Connect to Quorvex Server", "Cancel",
                                                            "OK", "Port", "Server IP address:"}));
    EXPECT_EQ(FieldKind(GetDlgItem(dialog, IDC_CONNECT_ADDRESS)), "address");
    EXPECT_EQ(FieldKind(GetDlgItem(dialog, IDC_CONNECT_PORT)), "digits");
    EXPECT_EQ(DefaultButton(dialog), "OK");
    RECT cancel, ok;
    ASSERT_TRUE(GetWindowRect(FindWindowExA(dialog, nullptr, "Button", "Cancel"), &cancel));
    ASSERT_TRUE(GetWindowRect(FindWindowExA(dialog, nullptr, "Button", "OK"), &ok));
    EXPECT_LT(cancel.left, ok.left) << "Cancel stands to the left of OK";

    // Cancel gives the panel's Connect button back.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(g_monitorPanel, IDC_PANEL_CONNECT)));
    ASSERT_TRUE(Click(dialog, "Cancel"));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(g_monitorPanel, IDC_PANEL_CONNECT)));
}

TEST_F(MainWindow, ShowConnectDoesNothingUnlessDisconnected) {
    PumpMessages(3000, [&] { return ConnectDialog() != nullptr; });
    DestroyWindow(ConnectDialog());
    for (uint32_t state : {CONN_CONNECTING, CONN_CONNECTED}) {
        g_connectionState = state;
        PostMessageA(window, WM_SHOW_CONNECT, 0, 0);
        DispatchPending();
        EXPECT_EQ(ConnectDialog(), nullptr) << "state " << state;
    }
    g_connectionState = CONN_DISCONNECTED;
    PostMessageA(window, WM_SHOW_CONNECT, 0, 0);
    EXPECT_TRUE(PumpMessages(3000, [&] { return ConnectDialog() != nullptr; }));
}

TEST_F(MainWindow, ConnectButtonAsksForTheDialogOnlyWhileDisconnected) {
    ASSERT_TRUE(PumpMessages(3000, [&] { return ConnectDialog() != nullptr; }));
    ASSERT_TRUE(Click(ConnectDialog(), "Cancel"));
    HWND button = GetDlgItem(g_monitorPanel, IDC_PANEL_CONNECT);
    g_connectionState = CONN_CONNECTING;
    ASSERT_TRUE(Click(g_monitorPanel, "Connect"));
    EXPECT_TRUE(IsWindowEnabled(button)) << "nothing happens while connecting";
    g_connectionState = CONN_DISCONNECTED;
    ASSERT_TRUE(Click(g_monitorPanel, "Connect"));
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_TRUE(PumpMessages(3000, [&] { return ConnectDialog() != nullptr; }));
}

TEST_F(MainWindow, OnlyMenuCommandsAreRouted) {
    // Notification code 1 (an accelerator) must not quit; the menu's does.
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(IDM_QUIT, 1), 0);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(MainWindow, DestroyPostsQuitWithCodeZero) {
    DestroyWindow(window);
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 0u);
}

TEST_F(MainWindow, CloseDestroysWithoutAsking) {
    SendMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(window));
}

// The trace opens before the status log exists; the log says so once it does.
TEST(Trace, AFileThatCannotBeOpenedIsNamedInTheStatusLogOnce) {
    _putenv("QUORVEX_TRACE=C:\\no-such-folder\\trace.txt");
    ASSERT_NE(StartMainWindow(), nullptr);
    _putenv("QUORVEX_TRACE=");
    PumpMessages(3000, [] { return FindThreadWindow("Connect to Quorvex Server") != nullptr; });
    int lines = 0;
    for (int row = 0; row < RowCount(g_statusLog); ++row)
        lines += CellText(g_statusLog, row, 1) ==
                 "Cannot open the trace file C:\\no-such-folder\\trace.txt";
    EXPECT_EQ(lines, 1) << LastLogLine();
    StopMainWindow();
}

// CenterWindow halves the size difference with signed division; a window
// larger than its owner lands up and to the left of the owner's corner by
// half the difference, truncated towards zero.
TEST(CenterWindow, PlacesALargerWindowByTruncatedHalfDifferences) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QxCentreTest";
    RegisterClassA(&wc);
    HWND owner = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 100, 100, 100, 100, nullptr,
                                 nullptr, wc.hInstance, nullptr);
    HWND smaller = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 41, 21, owner, nullptr,
                                   wc.hInstance, nullptr);
    HWND larger = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 301, 201, owner, nullptr,
                                  wc.hInstance, nullptr);
    ASSERT_NE(larger, nullptr);
    CenterWindow(smaller);
    CenterWindow(larger);
    RECT rect;
    GetWindowRect(smaller, &rect);
    EXPECT_EQ(rect.left, 100 + 59 / 2);
    EXPECT_EQ(rect.top, 100 + 79 / 2);
    EXPECT_EQ(rect.right - rect.left, 41);
    GetWindowRect(larger, &rect);
    EXPECT_EQ(rect.left, 0);  // 100 + (-201 / 2) = 100 - 100
    EXPECT_EQ(rect.top, 50);  // 100 + (-101 / 2) = 100 - 50
    DestroyWindow(owner);
}

}  // namespace
