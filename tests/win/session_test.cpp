// Whole sessions: the real main window in this process, real Winsock, and
// the reference server over loopback TCP. The server's `record` step gives
// the exact frames the client sent.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "app_harness.h"
#include "core/mirror/server_mirror.h"
#include "core/session/server_settings.h"
#include "core/session/session.h"
#include "list_reader.h"
#include "refserver.h"
#include "res/resource.h"
#include "session_fixture.h"
#include "ui/panel/monitor_panel.h"
#include "ui/panel/panel_windows.h"

namespace {

std::string ButtonText(int id) {
    return WindowText(GetDlgItem(g_monitorPanel, id));
}

using SessionTest = ServerSession;

TEST_F(SessionTest, FirstStartWritesTheConfigFileAndSyncArrivesByteForByte) {
    StartServer("record client.hex\n");
    ASSERT_NE(StartMainWindow(), nullptr);
    std::ifstream ini("quorvex.ini", std::ios::binary);
    std::stringstream text;
    text << ini.rdbuf();
    EXPECT_EQ(text.str(), "SERVER_PORT=2111\r\nSERVER_IP=127.0.0.1\r\n");
    HWND dialog = WaitForConnectDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(dialog, IDC_CONNECT_ADDRESS)), "127.0.0.1");
    DWORD shown = 0;
    EXPECT_EQ(SendDlgItemMessageA(dialog, IDC_CONNECT_ADDRESS, IPM_GETADDRESS, 0,
                                  reinterpret_cast<LPARAM>(&shown)),
              4);
    EXPECT_EQ(shown, static_cast<DWORD>(MAKEIPADDRESS(127, 0, 0, 1)));
    EXPECT_EQ(GetDlgItemInt(dialog, IDC_CONNECT_PORT, nullptr, FALSE), 2111u);

    ConnectAndWait();
    EXPECT_TRUE(LogContains("Connecting to Quorvex Server ..."));
    EXPECT_TRUE(LogContains("Connection to server established"));
    EXPECT_EQ(ButtonText(IDC_PANEL_CONNECT), "Disconnect");

    const std::vector<std::string> frames = WaitForFrames(3);
    ASSERT_EQ(frames.size(), 3u);
    Cfg cfg = {};
    cfg.code = CODE_SETTINGS_GET;
    EXPECT_EQ(frames[0], FrameHex(&cfg, sizeof cfg));
    Pkt pkt = {};
    pkt.code = CODE_ITEM_LIST;
    EXPECT_EQ(frames[1], FrameHex(&pkt, sizeof pkt));
    pkt.code = CODE_EVENTS;
    pkt.param = 1;  // "This Month"
    EXPECT_EQ(frames[2], FrameHex(&pkt, sizeof pkt));
    // The server's settings answer arrived on this connection.
    EXPECT_TRUE(PumpMessages(5000, [] { return ServerSettingsAvailable(); }));
    EXPECT_EQ(ServerSettings().kind, 1u);
    EXPECT_EQ(ServerSettings().code, 9u);

    // The confirmed port is written back when the dialog closes.
    std::ifstream again("quorvex.ini", std::ios::binary);
    std::stringstream written;
    written << again.rdbuf();
    EXPECT_EQ(written.str(),
              "SERVER_PORT=" + std::to_string(server.Port()) + "\r\nSERVER_IP=127.0.0.1\r\n");
}

TEST_F(SessionTest, ItemsStatusesAndAcknowledgementsFromTheServer) {
    StartServer(
        "record client.hex\n"
        "serve off\n"
        "wait-request 7\n"
        "send-pkt code=0 id=1 name=web host=10.0.0.1 type=1 port=80 started=1 up=1\n"
        "send-pkt code=0 id=2 name=db host=10.0.0.2 type=0 started=1 up=0\n"
        "send-pkt code=0 id=3 name=idle host=10.0.0.3 type=1 port=22\n"
        "send-pkt code=6 id=2 up=1 text=\"Up (2 ms)\"\n"
        "send-pkt code=7 date=01/12/2026 time=10:00:00 evName=web evHost=10.0.0.1 evText=Up\n"
        "send-pkt code=8 date=02/12/2026 time=11:00:00 evName=db evHost=10.0.0.2 evText=Down\n"
        "wait-request 8\n"
        "mark acked\n");
    ConnectAndWait();
    ASSERT_TRUE(WaitForOutput("mark: acked"));
    ASSERT_EQ(RowCount(g_itemsList), 3);
    EXPECT_EQ(CellText(g_itemsList, 0, ITEM_STATUS_COLUMN), "Up");
    EXPECT_EQ(CellText(g_itemsList, 1, ITEM_STATUS_COLUMN), "Up (2 ms)");
    EXPECT_EQ(CellText(g_itemsList, 1, 2), "ICMP Ping");
    EXPECT_EQ(CellText(g_itemsList, 2, ITEM_STATUS_COLUMN), "Stopped");
    EXPECT_EQ(CellText(g_itemsList, 2, 3), "22");
    ASSERT_EQ(RowCount(g_eventsList), 2);
    EXPECT_EQ(CellText(g_eventsList, 1, EVENT_TEXT_COLUMN), "Down");

    // The ack notice came back unchanged, the plain event did not: the next
    // frame is the request of Reload Events.
    ASSERT_TRUE(Click(g_monitorPanel, "Reload Events"));
    const std::vector<std::string> frames = WaitForFrames(5);
    ASSERT_EQ(frames.size(), 5u);
    Pkt ack = {};
    ack.code = CODE_EVENT_ACK;
    std::strcpy(ack.event.date, "02/12/2026");
    std::strcpy(ack.event.time, "11:00:00");
    std::strcpy(ack.event.itemName, "db");
    std::strcpy(ack.event.host, "10.0.0.2");
    std::strcpy(ack.event.text, "Down");
    EXPECT_EQ(frames[3], FrameHex(&ack, sizeof ack));
    EXPECT_EQ(frames[4], frames[2]) << "the events request of the sync";
}

TEST_F(SessionTest, TheAddressTypedInTheDialogIsUsedAndRemembered) {
    StartServer("");
    ASSERT_NE(StartMainWindow(), nullptr);
    HWND dialog = WaitForConnectDialog();
    ASSERT_NE(dialog, nullptr);
    // Nothing listens on 127.0.0.2: the attempt fails, and the file keeps the address.
    SendDlgItemMessageA(dialog, IDC_CONNECT_ADDRESS, IPM_SETADDRESS, 0,
                        MAKEIPADDRESS(127, 0, 0, 2));
    SetDlgItemInt(dialog, IDC_CONNECT_PORT, server.Port(), FALSE);
    ASSERT_TRUE(Click(dialog, "OK"));
    ASSERT_TRUE(PumpMessages(10000, [] { return LastLogLine() == "Server connection closed"; }));
    std::ifstream ini("quorvex.ini", std::ios::binary);
    std::stringstream text;
    text << ini.rdbuf();
    EXPECT_EQ(text.str(),
              "SERVER_PORT=" + std::to_string(server.Port()) + "\r\nSERVER_IP=127.0.0.2\r\n");
    dialog = WaitForConnectDialog();
    ASSERT_NE(dialog, nullptr);
    DWORD shown = 0;
    SendDlgItemMessageA(dialog, IDC_CONNECT_ADDRESS, IPM_GETADDRESS, 0,
                        reinterpret_cast<LPARAM>(&shown));
    EXPECT_EQ(shown, static_cast<DWORD>(MAKEIPADDRESS(127, 0, 0, 2)));
}

TEST_F(SessionTest, ServerCloseEmptiesTheListsAndReopensTheDialog) {
    StartServer(
        "serve off\n"
        "wait-request 7\n"
        "send-pkt code=0 id=1 name=web host=h type=1 port=80 started=1 up=1\n"
        "send-pkt code=8 evText=Up\n"
        "wait-request 8\n"  // the client has its rows when it acknowledges
        "close\n");
    ConnectAndWait();
    ASSERT_TRUE(PumpMessages(10000, [] { return g_connectionState == CONN_DISCONNECTED; }));
    EXPECT_EQ(RowCount(g_itemsList), 0);
    EXPECT_EQ(RowCount(g_eventsList), 0);
    EXPECT_EQ(LastLogLine(), "Server connection closed");
    EXPECT_EQ(ButtonText(IDC_PANEL_CONNECT), "Connect");
    EXPECT_NE(WaitForConnectDialog(), nullptr);
}

TEST_F(SessionTest, DisconnectButtonClosesAndReopensTheDialog) {
    StartServer("serve off\nwait-request 7\nsend-pkt code=0 id=1 name=web host=h type=1 port=80\n");
    ConnectAndWait();
    ASSERT_TRUE(PumpMessages(5000, [] { return RowCount(g_itemsList) == 1; }));
    ASSERT_TRUE(Click(g_monitorPanel, "Disconnect"));
    EXPECT_EQ(g_connectionState, static_cast<uint32_t>(CONN_DISCONNECTED));
    EXPECT_EQ(RowCount(g_itemsList), 0);
    EXPECT_EQ(LastLogLine(), "Server connection closed");
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(g_monitorPanel, IDC_PANEL_CONNECT)));
    EXPECT_NE(WaitForConnectDialog(), nullptr);
    EXPECT_TRUE(WaitForOutput("client-closed"));
}

TEST_F(SessionTest, RefusedPortLogsConnectingThenClosed) {
    // A port that was just free: nothing listens there.
    StartServer("");
    const uint16_t port = server.Port();
    server.Stop();  // returns once the server has ended
    Connect(port);
    ASSERT_TRUE(PumpMessages(10000, [] { return LastLogLine() == "Server connection closed"; }));
    EXPECT_TRUE(LogContains("Connecting to Quorvex Server ..."));
    EXPECT_EQ(g_connectionState, static_cast<uint32_t>(CONN_DISCONNECTED));
    EXPECT_NE(WaitForConnectDialog(), nullptr);
}

TEST_F(SessionTest, ScriptedFaultsLeaveTheClientRunningWithTheRightRows) {
    StartServer(
        "serve off\n"
        "wait-request 7\n"
        "garbage 50\n"
        "split 2 3 300\n"
        "send-pkt code=0 id=1 name=split host=h type=1 port=80 started=1 up=1\n"
        "len 2049\n"
        "send-pkt code=0 id=99 name=oversize host=h\n"
        "short 12\n"
        "send-pkt code=0 id=98 name=short host=h\n"
        "fill-text Z\n"
        "send-pkt code=0 id=2 type=7 started=1\n"
        "send-pkt code=0 id=1 name=duplicate host=h type=1 port=81 started=1 up=1\n"
        "send-pkt code=6 id=1 up=0 text=\"Down: refused\"\n"
        "send-hex 51 58 00 00\n"
        "fill-text\n"
        "send-pkt kind=1 code=3 id=1 param=1\n"
        "send-pkt code=7 evText=last\n"
        "mark sent\n");
    ConnectAndWait();
    ASSERT_TRUE(WaitForOutput("mark: sent"));
    ASSERT_TRUE(PumpMessages(5000, [] { return RowCount(g_eventsList) == 1; }));
    // split (1), the oversize frame (scanned, its payload holds no magic: 0),
    // short (1, read as zeros), no-NUL with odd type (1), duplicate (1).
    ASSERT_EQ(RowCount(g_itemsList), 4);
    EXPECT_EQ(CellText(g_itemsList, 0, 0), "split");
    EXPECT_EQ(CellText(g_itemsList, 0, ITEM_STATUS_COLUMN),
              "Down: refused");  // the upper row of id 1
    EXPECT_EQ(CellText(g_itemsList, 1, 0), "");
    EXPECT_EQ(CellText(g_itemsList, 2, 0), std::string(80, 'Z'));
    EXPECT_EQ(CellText(g_itemsList, 2, 2), "Unknown");
    EXPECT_EQ(CellText(g_itemsList, 3, 0), "duplicate");
    EXPECT_EQ(CellText(g_itemsList, 3, ITEM_STATUS_COLUMN), "Up");
    EXPECT_EQ(LastLogLine().size(), 128u);  // the filled response text, cut at its field
    EXPECT_EQ(g_connectionState, static_cast<uint32_t>(CONN_CONNECTED));
}

TEST_F(SessionTest, AServerThatStopsReadingLosesNothing) {
    // The server stops reading while it pushes 300 ack notices; the client's
    // queue holds the echoes until the server reads again.
    std::string script = "record client.hex\nserve off\nwait-request 7\npause-read 2\n";
    for (int i = 0; i < 300; ++i)
        script += "send-pkt code=8 evText=n" + std::to_string(i) + "\n";
    for (int i = 0; i < 300; ++i)
        script += "wait-request 8 20000\n";
    script += "mark all-acked\n";
    StartServer(script);
    ConnectAndWait();
    ASSERT_TRUE(PumpMessages(
        30000, [&] { return server.Output().find("mark: all-acked") != std::string::npos; }));
    const std::vector<std::string> frames = server.RecordedFrames();
    ASSERT_EQ(frames.size(), 303u);
    for (int i = 0; i < 300; ++i) {
        Pkt ack = {};
        ack.code = CODE_EVENT_ACK;
        std::strcpy(ack.event.text, ("n" + std::to_string(i)).c_str());
        ASSERT_EQ(frames[3 + i], FrameHex(&ack, sizeof ack)) << i;
    }
    EXPECT_EQ(RowCount(g_eventsList), 300);
}

}  // namespace
