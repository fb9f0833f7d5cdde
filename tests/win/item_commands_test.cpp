// The item commands against the real main window and panel, with the frames
// they send captured: the menu and the buttons reaching them, the refusals,
// the selection rule, the delete confirmation, the byte layout of what goes
// out, Reload Events.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <functional>
#include <string>

#include "app/main_window.h"
#include "app_harness.h"
#include "core/mirror/server_mirror.h"
#include "core/session/server_settings.h"
#include "core/session/session.h"
#include "dialog_harness.h"
#include "res/resource.h"
#include "ui/dialogs/about_dialog.h"
#include "ui/dialogs/item_dialog.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/panel/event_depth.h"
#include "ui/panel/item_commands.h"
#include "ui/panel/monitor_panel.h"
#include "ui/panel/panel_windows.h"

namespace {

const char REFUSAL[] = "Cannot perform this action, no connection to Quorvex Server";

using Commands = DialogTest;

// The six commands that fall under the single dialog rule, by menu id.
const int kRuledMenuCommands[] = {IDM_NEW_ITEM,   IDM_EDIT_ITEM, IDM_DELETE_ITEM,
                                  IDM_START_TEST, IDM_STOP_TEST, IDM_SETTINGS};

TEST_F(Commands, EveryCommandLogsTheRefusalWhileNotConnected) {
    AddItem(1, "web");
    SelectRow(0);
    AddEvent("Up");
    for (uint32_t state : {CONN_DISCONNECTED, CONN_CONNECTING}) {
        g_connectionState = state;
        for (int id : kRuledMenuCommands) {
            const int before = LogLineCount();
            MenuCommand(id);
            EXPECT_EQ(LogLineCount(), before + 1) << "menu " << id << " state " << state;
            EXPECT_EQ(LastLogLine(), REFUSAL);
        }
        PanelCommand(IDC_PANEL_RELOAD_EVENTS);
        EXPECT_EQ(LastLogLine(), REFUSAL);
        EXPECT_EQ(RowCount(g_eventsList), 1) << "the events list stays as it was";
    }
    EXPECT_TRUE(g_capture.sentFrames.empty());
    EXPECT_FALSE(ItemSettingsOrAboutOpen());
}

TEST_F(Commands, WithTheAboutBoxOpenOnlyReloadEventsIsHeard) {
    AddItem(1, "web");
    SelectRow(0);
    MenuCommand(IDM_ABOUT);
    ASSERT_NE(AboutBoxWindow(), nullptr);

    for (uint32_t state : {CONN_DISCONNECTED, CONN_CONNECTED}) {
        g_connectionState = state;
        const int before = LogLineCount();
        for (int id : kRuledMenuCommands)
            MenuCommand(id);
        EXPECT_EQ(LogLineCount(), before) << "silently ignored, state " << state;
        EXPECT_TRUE(g_capture.sentFrames.empty());
        EXPECT_EQ(ItemDialogWindow(), nullptr);
        EXPECT_EQ(SettingsDialogWindow(), nullptr);
    }

    PanelCommand(IDC_PANEL_RELOAD_EVENTS);
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    EXPECT_EQ(g_capture.sentFrames[0], FrameOf(MakeRequest(CODE_EVENTS, 0, SelectedEventDepth())));
}

TEST_F(Commands, ARowMustBeBothSelectedAndFocused) {
    AddItem(5, "a");
    AddItem(6, "b");
    MarkRow(1, true, false);
    MarkRow(0, false, true);
    MenuCommand(IDM_START_TEST);
    MenuCommand(IDM_STOP_TEST);
    MenuCommand(IDM_EDIT_ITEM);
    MenuCommand(IDM_DELETE_ITEM);  // would block in its box if it asked
    EXPECT_TRUE(g_capture.sentFrames.empty());
    EXPECT_EQ(ItemDialogWindow(), nullptr);

    MarkRow(1, true, true);
    MenuCommand(IDM_START_TEST);
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    EXPECT_EQ(g_capture.sentFrames[0], FrameOf(MakeRequest(CODE_ITEM_START, 6)));
}

TEST_F(Commands, StartIsByteExact) {
    AddItem(0x01020304, "x");
    SelectRow(0);
    MenuCommand(IDM_START_TEST);
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    Bytes expected = {0x51, 0x58, 0x02, 0x80, 0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0};
    expected.insert(expected.end(), 128, 0);
    expected.insert(expected.end(), {4, 3, 2, 1});
    expected.insert(expected.end(), 496, 0);
    EXPECT_EQ(g_capture.sentFrames[0], expected);
}

BOOL CALLBACK FindShown(HWND window, LPARAM found) {
    if (window == g_mainWindow || !IsWindowVisible(window))
        return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

// What the user meets after a command: the question it asks (answered No),
// the dialog it opens (closed again), the status line it writes, the
// request it sends, or the main window gone.
std::string Outcome(const std::function<void()>& command) {
    const size_t frames = g_capture.sentFrames.size();
    const int lines = LogLineCount();
    Answering(IDNO, command);
    HWND dialog = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindShown, reinterpret_cast<LPARAM>(&dialog));
    if (g_box.seen)
        return "asks \"" + g_box.text + "\"";
    if (!IsWindow(g_mainWindow))
        return "closes the main window";
    if (dialog != nullptr) {
        std::string seen = "opens \"" + WindowText(dialog) + "\"";
        if (HWND heading = GetDlgItem(dialog, IDC_ITEM_HEADING))
            seen += " saying \"" + WindowText(heading) + "\"";
        if (!Click(dialog, "Cancel"))
            Click(dialog, "OK");
        return seen;
    }
    if (LogLineCount() != lines)
        return "logs \"" + LastLogLine() + "\"";
    if (g_capture.sentFrames.size() != frames) {
        Pkt sent;
        std::memcpy(&sent, g_capture.sentFrames.back().data() + 4, sizeof sent);
        return "sends request " + std::to_string(sent.code) + " for item " +
               std::to_string(sent.itemId);
    }
    return "nothing";
}

void PressButton(const char* text) {
    EXPECT_TRUE(Click(g_monitorPanel, text)) << "no button " << text;
}

// The main menu walked by its texts, and the panel's buttons by theirs:
// each reaches its command.
TEST_F(Commands, EveryMenuItemAndButtonReachesItsCommand) {
    ASSERT_EQ(GetFileAttributesA("QuorvexManual.pdf"), INVALID_FILE_ATTRIBUTES)
        << "here User Manual must find no manual to open";
    AddItem(1, "web")->started = 1;  // Start is sent whatever the item's state, and again
    SelectRow(0);
    HMENU menu = GetMenu(g_mainWindow);
    EXPECT_EQ(MenuTexts(menu), "Tools | About");
    EXPECT_EQ(MenuTexts(GetSubMenu(menu, 0)),
              "New Item | Edit Item | Delete Item | Start Test | Stop Test | Settings | - | Quit");
    EXPECT_EQ(MenuTexts(GetSubMenu(menu, 1)), "About Quorvex | User Manual");
    const std::string item = "Test Item Configuration\" saying \"";
    const struct {
        const char* popup;
        const char* text;
        std::string outcome;
        bool onPanel;
    } commands[] = {
        {"Tools", "New Item", "opens \"" + item + "Please fill in details for new test item\"",
         true},
        {"Tools", "Edit Item", "opens \"" + item + "Please edit details of test item\"", true},
        {"Tools", "Delete Item", "asks \"Delete item: web ?\"", true},
        {"Tools", "Start Test", "sends request " + std::to_string(CODE_ITEM_START) + " for item 1",
         true},
        {"Tools", "Stop Test", "sends request " + std::to_string(CODE_ITEM_STOP) + " for item 1",
         true},
        {"Tools", "Settings", "opens \"Quorvex Server Configuration\"", true},
        {"About", "About Quorvex", "opens \"About Quorvex\"", false},
        {"About", "User Manual", "nothing", false},
        {"Tools", "Quit", "closes the main window", false},
    };
    RECT row = {LVIR_BOUNDS, 0, 0, 0};  // and a double-click on a row is Edit Item too
    SendMessageA(g_itemsList, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
    const LPARAM at = MAKELPARAM(row.left + 4, row.top + 2);
    EXPECT_EQ(Outcome([at] { SendMessageA(g_itemsList, WM_LBUTTONDBLCLK, 0, at); }),
              commands[1].outcome);
    for (const auto& c : commands) {
        const UINT id = MenuItemId(menu, c.popup, c.text);
        EXPECT_EQ(Outcome([id] { MenuCommand(static_cast<int>(id)); }), c.outcome) << c.text;
        if (c.onPanel) {
            EXPECT_EQ(Outcome([&] { PressButton(c.text); }), c.outcome) << "button " << c.text;
        }
    }
}

TEST_F(Commands, DeleteAsksWithTheNameAndYesSendsTheDelete) {
    AddItem(12, "Mail server");
    SelectRow(0);
    DeleteAnswering(IDYES);
    ASSERT_TRUE(g_box.seen);
    EXPECT_EQ(g_box.text, "Delete item: Mail server ?");
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    EXPECT_EQ(g_capture.sentFrames[0], FrameOf(MakeRequest(CODE_ITEM_DELETE, 12)));
    EXPECT_EQ(RowCount(g_itemsList), 1) << "the row waits for the server's answer";
}

TEST_F(Commands, DeleteOfAnUnnamedItemStillAsksAndNoSendsNothing) {
    AddItem(3, "");
    SelectRow(0);
    DeleteAnswering(IDNO);
    ASSERT_TRUE(g_box.seen);
    EXPECT_EQ(g_box.text, "Delete item:  ?");
    EXPECT_TRUE(g_capture.sentFrames.empty());
}

TEST_F(Commands, DeleteSendsTheRememberedIdWhenTheRowWentWhileAsking) {
    AddItem(99, "going");
    SelectRow(0);
    // The connection ends (or the server's answer arrives) while the box is up.
    DeleteAnswering(IDYES, [] { ClearItemRows(); });
    ASSERT_TRUE(g_box.seen);
    EXPECT_EQ(RowCount(g_itemsList), 0);
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    EXPECT_EQ(g_capture.sentFrames[0], FrameOf(MakeRequest(CODE_ITEM_DELETE, 99)));
}

TEST_F(Commands, ReloadEventsEmptiesTheListAndSendsTheDepth) {
    HWND depth = GetDlgItem(g_monitorPanel, IDC_PANEL_DEPTH);
    const struct {
        int selection;
        uint32_t param;
    } cases[] = {{0, 0}, {1, 1}, {2, 2}, {-1, 2}};
    for (const auto& c : cases) {
        AddEvent("Up");
        AddEvent("Down");
        SendMessageA(depth, CB_SETCURSEL, static_cast<WPARAM>(c.selection), 0);
        UseCapture(false);
        PanelCommand(IDC_PANEL_RELOAD_EVENTS);
        EXPECT_EQ(RowCount(g_eventsList), 0);
        ASSERT_EQ(g_capture.sentFrames.size(), 1u);
        EXPECT_EQ(g_capture.sentFrames[0], FrameOf(MakeRequest(CODE_EVENTS, 0, c.param)))
            << "selection " << c.selection;
    }
}

TEST_F(Commands, SettingsWaitForTheServersSettings) {
    ForgetServerSettings();
    MenuCommand(IDM_SETTINGS);
    EXPECT_EQ(LastLogLine(), "Quorvex Server, configuration unavailable");
    EXPECT_EQ(SettingsDialogWindow(), nullptr);
    StoreServerSettings(Cfg{});
    MenuCommand(IDM_SETTINGS);
    EXPECT_NE(SettingsDialogWindow(), nullptr);
    EXPECT_TRUE(g_capture.sentFrames.empty());
}

// With the About box open: WithTheAboutBoxOpenOnlyReloadEventsIsHeard.
TEST_F(Commands, OnlyOneOfTheThreeDialogsOpensAtATime) {
    AddItem(1, "a");
    SelectRow(0);
    for (int first : {IDM_NEW_ITEM, IDM_SETTINGS}) {
        MenuCommand(first);
        const HWND open = first == IDM_NEW_ITEM ? ItemDialogWindow() : SettingsDialogWindow();
        ASSERT_NE(open, nullptr);
        const HWND dialogs[] = {ItemDialogWindow(), SettingsDialogWindow(), AboutBoxWindow()};
        for (int id : {IDM_NEW_ITEM, IDM_EDIT_ITEM, IDM_SETTINGS, IDM_ABOUT})
            MenuCommand(id);
        EXPECT_EQ(ItemDialogWindow(), dialogs[0]) << first;
        EXPECT_EQ(SettingsDialogWindow(), dialogs[1]) << first;
        EXPECT_EQ(AboutBoxWindow(), dialogs[2]) << first;
        if (first == IDM_NEW_ITEM) {
            EXPECT_EQ(WindowText(GetDlgItem(open, IDC_ITEM_HEADING)),
                      "Please fill in details for new test item")
                << "a refused Edit leaves the open dialog as it was";
        }
        SendMessageA(open, WM_COMMAND, IDCANCEL, 0);
    }
}

}  // namespace
