// The item commands and dialogs end to end: the real client in this process,
// real Winsock, the reference server over loopback TCP. The server's
// `record` step gives the exact frames the client sent; the lists show what
// the server answered.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "app_harness.h"
#include "core/mirror/server_mirror.h"
#include "core/session/server_settings.h"
#include "core/session/session.h"
#include "dialog_harness.h"
#include "list_reader.h"
#include "refserver.h"
#include "res/resource.h"
#include "session_fixture.h"
#include "ui/dialogs/item_dialog.h"
#include "ui/dialogs/settings_dialog.h"
#include "ui/dialogs/settings_pages.h"
#include "ui/panel/item_commands.h"
#include "ui/panel/monitor_panel.h"
#include "ui/panel/panel_windows.h"

namespace {

class DialogSession : public ServerSession {
protected:
    // Starts the server and the client, connects, and waits for the settings.
    void Connect(const std::vector<std::string>& extra = {}) {
        StartServer("record client.hex\n", extra);
        ServerSession::Connect(server.Port());
        ASSERT_TRUE(PumpMessages(10000, [] {
            return g_connectionState == CONN_CONNECTED && ServerSettingsAvailable();
        }));
    }

    bool WaitFor(const std::function<bool()>& done) { return PumpMessages(10000, done); }
};

TEST_F(DialogSession, NewEditStartStopAndDeleteAnItem) {
    Connect();
    const size_t sync = 3;

    MenuCommand(IDM_NEW_ITEM);
    HWND dialog = ItemDialogWindow();
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextA(dialog, IDC_ITEM_NAME, "loopback");
    SetDlgItemTextA(dialog, IDC_ITEM_HOST, "127.0.0.1");
    SendDlgItemMessageA(dialog, IDC_ITEM_TEST_TYPE, CB_SETCURSEL, TEST_TCP, 0);
    // Not the server's own port: its tester's connection would be a client
    // too, and would restart the recording.
    SetDlgItemInt(dialog, IDC_ITEM_PORT, 1, FALSE);
    ASSERT_TRUE(Click(dialog, "Save"));
    EXPECT_EQ(ItemDialogWindow(), nullptr);

    Pkt created = MakeRequest(CODE_ITEM_NEW);
    lstrcpynA(created.config.name, "loopback", 80);
    lstrcpynA(created.config.host, "127.0.0.1", 80);
    created.config.testType = TEST_TCP;
    created.config.port = 1;
    created.config.interval = 60;
    created.config.timeout = 3;
    created.config.retries = 3;
    std::vector<std::string> frames = WaitForFrames(sync + 1);
    ASSERT_EQ(frames.size(), sync + 1);
    EXPECT_EQ(frames[sync], FrameHex(&created, sizeof created));
    ASSERT_TRUE(WaitFor([] { return RowCount(g_itemsList) == 1; }))
        << "row from the server's notice";
    EXPECT_EQ(CellText(g_itemsList, 0, 0), "loopback");
    const uint32_t id = reinterpret_cast<TestItem*>(RowParam(g_itemsList, 0))->itemId;

    SelectRow(0);
    MenuCommand(IDM_EDIT_ITEM);
    dialog = ItemDialogWindow();
    ASSERT_NE(dialog, nullptr);
    SetDlgItemTextA(dialog, IDC_ITEM_NAME, "loopback port");
    ASSERT_TRUE(Click(dialog, "Save"));
    ASSERT_TRUE(WaitFor([] { return CellText(g_itemsList, 0, 0) == "loopback port"; }));
    Pkt edited = created;
    edited.code = CODE_ITEM_EDIT;
    edited.itemId = id;
    lstrcpynA(edited.config.name, "loopback port", 80);
    frames = WaitForFrames(sync + 2);
    ASSERT_EQ(frames.size(), sync + 2);
    EXPECT_EQ(frames[sync + 1], FrameHex(&edited, sizeof edited));

    MenuCommand(IDM_START_TEST);
    EXPECT_TRUE(
        WaitFor([&] { return LogContains("Test item " + std::to_string(id) + " started"); }));
    MenuCommand(IDM_STOP_TEST);
    EXPECT_TRUE(WaitFor([] { return CellText(g_itemsList, 0, ITEM_STATUS_COLUMN) == "Stopped"; }));

    DeleteAnswering(IDYES);
    EXPECT_TRUE(WaitFor([] { return RowCount(g_itemsList) == 0; }));
    // Event acknowledgements may come in between now that the item has run.
    Pkt deleted = MakeRequest(CODE_ITEM_DELETE, id);
    const std::string deleteHex = FrameHex(&deleted, sizeof deleted);
    EXPECT_TRUE(WaitFor([&] {
        frames = server.RecordedFrames();
        return std::find(frames.begin(), frames.end(), deleteHex) != frames.end();
    }));
}

TEST_F(DialogSession, AFailedDeleteLeavesTheRowAndIsLogged) {
    Connect();
    // A row the server does not know (as if it had been deleted elsewhere).
    TestItem* ghost = NewTestItem();
    ghost->itemId = 4242;
    lstrcpynA(ghost->config.name, "ghost", 80);
    AddItemRow(ghost, 0);
    SelectRow(0);
    DeleteAnswering(IDYES);
    EXPECT_TRUE(WaitFor([] { return LogContains("No test item with id 4242"); }));
    EXPECT_EQ(RowCount(g_itemsList), 1);
}

TEST_F(DialogSession, SettingsSaveReachesTheServerAndCancelSendsNothing) {
    Connect();
    const Cfg received = ServerSettings();

    MenuCommand(IDM_SETTINGS);
    HWND frame = SettingsDialogWindow();
    ASSERT_NE(frame, nullptr);
    SetDlgItemTextA(ShownSettingsPage(), IDC_GENERAL_GUI_PORT, "70000");
    HWND tree = GetDlgItem(frame, IDC_SETTINGS_TREE);
    HTREEITEM email =
        TreeView_GetNextSibling(tree, TreeView_GetChild(tree, TreeView_GetRoot(tree)));
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(email));
    SetDlgItemTextA(ShownSettingsPage(), IDC_EMAIL_SMTP_PORT, "99999");
    SetDlgItemTextA(ShownSettingsPage(), IDC_EMAIL_SMTP_SERVER, "mail.example.net");
    ASSERT_TRUE(Click(frame, "Save"));

    std::vector<std::string> frames = WaitForFrames(4);
    ASSERT_EQ(frames.size(), 4u);
    Cfg expected = received;
    expected.kind = KIND_REQUEST;
    expected.code = CODE_SETTINGS_SET;
    expected.guiPort = 4464;
    expected.smtpPort = 34463;
    std::memcpy(expected.smtpServer, "mail.example.net", 17);
    EXPECT_EQ(frames[3], FrameHex(&expected, sizeof expected));

    // Cancel: nothing goes out, so the next frame the server sees is the reload.
    MenuCommand(IDM_SETTINGS);
    ASSERT_NE(SettingsDialogWindow(), nullptr);
    SetDlgItemTextA(ShownSettingsPage(), IDC_GENERAL_GUI_PORT, "2112");
    ASSERT_TRUE(Click(SettingsDialogWindow(), "Cancel"));
    EXPECT_EQ(ServerSettings().guiPort, 2112);
    SendDlgItemMessageA(g_monitorPanel, IDC_PANEL_DEPTH, CB_SETCURSEL, 0, 0);
    ASSERT_TRUE(Click(g_monitorPanel, "Reload Events"));
    frames = WaitForFrames(5);
    ASSERT_EQ(frames.size(), 5u);
    Pkt reload = MakeRequest(CODE_EVENTS, 0, 0);
    EXPECT_EQ(frames[4], FrameHex(&reload, sizeof reload));
}

TEST_F(DialogSession, ReloadEmptiesTheEventsAndTheServerRefillsThem) {
    Connect({"--demo"});
    ASSERT_TRUE(WaitFor([] { return RowCount(g_eventsList) > 0; }));
    SendDlgItemMessageA(g_monitorPanel, IDC_PANEL_DEPTH, CB_SETCURSEL, 2, 0);
    ASSERT_TRUE(Click(g_monitorPanel, "Reload Events"));
    EXPECT_EQ(RowCount(g_eventsList), 0) << "emptied at once";
    EXPECT_TRUE(WaitFor([] { return RowCount(g_eventsList) >= 3; }))
        << "the demo's older events come back";
}

}  // namespace
