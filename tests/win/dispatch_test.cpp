// What the server's messages do to the lists, the status log and the
// settings copy, in the real main window; frames the client sends back are
// captured by the fake transport.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app_harness.h"
#include "capture.h"
#include "core/mirror/record_memory.h"
#include "core/mirror/server_lists.h"
#include "core/mirror/server_mirror.h"
#include "core/session/client_config.h"
#include "core/session/frame_io.h"
#include "core/session/server_messages.h"
#include "core/session/server_settings.h"
#include "core/session/session.h"
#include "link/server_connection.h"
#include "list_reader.h"
#include "net/socket.h"
#include "res/resource.h"
#include "server_records.h"
#include "ui/common/main_messages.h"
#include "ui/panel/monitor_panel.h"
#include "ui/panel/panel_windows.h"
#include "ui/panel/retired_lists.h"

namespace {

std::string Status(int row) {
    return CellText(g_itemsList, row, ITEM_STATUS_COLUMN);
}

// The Status cells the items list asked the panel for, as "row:text": what
// a paint (or a read) of the list showed.
std::vector<std::string> g_asked;
WNDPROC g_panelProc;

LRESULT CALLBACK WatchCellsProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = CallWindowProcA(g_panelProc, window, message, wParam, lParam);
    auto info = reinterpret_cast<const NMLVDISPINFOA*>(lParam);
    if (message == WM_NOTIFY && info->hdr.hwndFrom == g_itemsList &&
        info->hdr.code == LVN_GETDISPINFOA && (info->item.mask & LVIF_TEXT) &&
        info->item.iSubItem == ITEM_STATUS_COLUMN)
        g_asked.push_back(std::to_string(info->item.iItem) + ":" + info->item.pszText);
    return result;
}

bool Asked(const std::string& cell) {
    return std::find(g_asked.begin(), g_asked.end(), cell) != g_asked.end();
}

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(StartMainWindow(), nullptr);
        PumpMessages(200, [] { return FindThreadWindow("Connect to Quorvex Server") != nullptr; });
        if (HWND dialog = FindThreadWindow("Connect to Quorvex Server"))
            SendMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        g_connectionState = CONN_CONNECTED;
        UseCapture(false);
    }
    void TearDown() override {
        SetMemoryRefusal(nullptr);
        StopMainWindow();
    }
};

// Running out of memory, one use at a time.
RecordMemoryUse g_refusedUse;
bool RefuseUse(RecordMemoryUse use, size_t) {
    return use == g_refusedUse;
}

// The server's end of a real connection on loopback, so that frames reach
// the client as receives do. Its socket is a plain blocking one.
class ServerPeer {
public:
    ServerPeer() : config_(g_clientConfig) {
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in sa = {};
        sa.sin_family = AF_INET;
        sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int size = sizeof sa;
        bind(listener_, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
        listen(listener_, 1);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&sa), &size);
        g_clientConfig = ClientConfig{ntohs(sa.sin_port), "127.0.0.1"};
        g_connectionState = CONN_DISCONNECTED;
        ConnectToServer();
        peer_ = accept(listener_, nullptr, nullptr);
        connected_ = PumpMessages(5000, [] { return g_connectionState == CONN_CONNECTED; });
    }
    ~ServerPeer() {
        closesocket(peer_);
        closesocket(listener_);
        g_clientConfig = config_;
    }
    bool Connected() const { return connected_; }
    // The Pkts framed back to back in one send.
    void Send(const std::vector<Pkt>& pkts) {
        std::vector<char> bytes;
        for (const Pkt& p : pkts) {
            const char header[4] = {0x51, 0x58, 0x02, static_cast<char>(0x80)};
            bytes.insert(bytes.end(), header, header + 4);
            bytes.insert(bytes.end(), reinterpret_cast<const char*>(&p),
                         reinterpret_cast<const char*>(&p) + sizeof p);
        }
        send(peer_, bytes.data(), static_cast<int>(bytes.size()), 0);
    }

private:
    ClientConfig config_;
    SOCKET listener_;
    SOCKET peer_;
    bool connected_ = false;
};

TEST_F(DispatchTest, ItemNoticesAppendRowsWithStatusFromTheFlags) {
    Deliver(Item(1, "up", 1, 1));
    Deliver(Item(2, "down", 1, 0, TEST_ICMP_PING, 0));
    Deliver(Item(3, "stopped", 0, 1, 7, 65535));
    ASSERT_EQ(RowCount(g_itemsList), 3);
    EXPECT_EQ(CellText(g_itemsList, 0, 0), "up");
    EXPECT_EQ(CellText(g_itemsList, 0, 1), "10.0.0.1");
    EXPECT_EQ(CellText(g_itemsList, 0, 2), "TCP");
    EXPECT_EQ(CellText(g_itemsList, 0, 3), "80");
    EXPECT_EQ(Status(0), "Up");
    EXPECT_EQ(CellText(g_itemsList, 1, 2), "ICMP Ping");
    EXPECT_EQ(Status(1), "Down");
    EXPECT_EQ(CellText(g_itemsList, 2, 2), "Unknown");
    EXPECT_EQ(CellText(g_itemsList, 2, 3), "65535");
    EXPECT_EQ(Status(2), "Stopped");
    auto* item = reinterpret_cast<TestItem*>(RowParam(g_itemsList, 2));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->itemId, 3u);
    EXPECT_EQ(item->up, 1u);
    EXPECT_TRUE(g_capture.sentFrames.empty());
}

TEST_F(DispatchTest, StatusNoticeChangesOneCellUntilTheNextEdit) {
    Deliver(Item(4, "web", 0, 0));
    const int logLines = LogLineCount();
    Deliver(StatusNotice(4, 1, "Up (3 ms)"));
    EXPECT_EQ(Status(0), "Up (3 ms)");
    EXPECT_EQ(CellText(g_itemsList, 0, 0), "web");
    auto* item = reinterpret_cast<TestItem*>(RowParam(g_itemsList, 0));
    EXPECT_EQ(item->started, 1u);
    EXPECT_EQ(item->up, 1u);
    EXPECT_EQ(LogLineCount(), logLines);  // notices are not logged

    Pkt edit = Response(CODE_ITEM_EDIT, 4, 0, "Test item 4 updated");
    edit.config = item->config;
    std::strcpy(edit.config.name, "web2");
    Deliver(edit);
    EXPECT_EQ(CellText(g_itemsList, 0, 0), "web2");
    EXPECT_EQ(Status(0), "Up");
    EXPECT_EQ(LastLogLine(), "Test item 4 updated");

    // A notice for an unknown item leaves no trace.
    Deliver(StatusNotice(99, 0, "x"));
    EXPECT_EQ(Status(0), "Up");
}

TEST_F(DispatchTest, StartStopAndFailedResponses) {
    Deliver(Item(5, "a", 0, 0));
    Deliver(Response(CODE_ITEM_START, 5, 0, "Test item 5 started"));
    EXPECT_EQ(Status(0), "Started");
    auto* item = reinterpret_cast<TestItem*>(RowParam(g_itemsList, 0));
    EXPECT_EQ(item->started, 0u);  // keeps its stopped colours until the first status
    EXPECT_EQ(LastLogLine(), "Test item 5 started");

    item->started = 1;
    item->up = 1;
    Deliver(Response(CODE_ITEM_STOP, 5, 0, "stopped"));
    EXPECT_EQ(Status(0), "Stopped");
    EXPECT_EQ(item->started, 0u);
    EXPECT_EQ(item->up, 0u);

    Deliver(Response(CODE_ITEM_START, 5, 1, "refused"));
    EXPECT_EQ(Status(0), "Stopped");
    EXPECT_EQ(LastLogLine(), "refused");
}

TEST_F(DispatchTest, DeleteRemovesTheRowOnlyOnSuccess) {
    Deliver(Item(6, "a", 1, 1));
    Deliver(Item(7, "b", 1, 1));
    Deliver(Response(CODE_ITEM_DELETE, 6, 1, "cannot delete"));
    EXPECT_EQ(RowCount(g_itemsList), 2);
    EXPECT_EQ(LastLogLine(), "cannot delete");
    Deliver(Response(CODE_ITEM_DELETE, 6, 0, "Test item 6 deleted"));
    ASSERT_EQ(RowCount(g_itemsList), 1);
    EXPECT_EQ(CellText(g_itemsList, 0, 0), "b");
    EXPECT_EQ(LastLogLine(), "Test item 6 deleted");
    // The index follows the list: the remaining item is still found.
    Deliver(StatusNotice(7, 0, "still here"));
    EXPECT_EQ(Status(0), "still here");
}

TEST_F(DispatchTest, DuplicateIdsReachTheUpperRowFirst) {
    Deliver(Item(8, "upper", 1, 1));
    Deliver(Item(8, "lower", 1, 1));
    Deliver(StatusNotice(8, 0, "one"));
    EXPECT_EQ(Status(0), "one");
    EXPECT_EQ(Status(1), "Up");
    Deliver(Response(CODE_ITEM_DELETE, 8, 0, "deleted"));
    ASSERT_EQ(RowCount(g_itemsList), 1);
    EXPECT_EQ(CellText(g_itemsList, 0, 0), "lower");
    Deliver(StatusNotice(8, 0, "two"));
    EXPECT_EQ(Status(0), "two");
}

TEST_F(DispatchTest, AckNoticeIsEchoedByteForByteAndPlainEventsAreNot) {
    Pkt ack = Event(CODE_EVENT_ACK, "web", "Down");
    Deliver(ack);
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    ASSERT_EQ(g_capture.sentFrames[0].size(), 644u);
    EXPECT_EQ(0, std::memcmp(g_capture.sentFrames[0].data() + 4, &ack, sizeof ack));
    Deliver(Event(CODE_EVENTS, "db", "Up"));
    EXPECT_EQ(g_capture.sentFrames.size(), 1u);
    ASSERT_EQ(RowCount(g_eventsList), 2);
    EXPECT_EQ(CellText(g_eventsList, 0, 0), "07/12/2026");
    EXPECT_EQ(CellText(g_eventsList, 0, 1), "21:00:00");
    EXPECT_EQ(CellText(g_eventsList, 0, 2), "web");
    EXPECT_EQ(CellText(g_eventsList, 0, 3), "10.0.0.1");
    EXPECT_EQ(CellText(g_eventsList, 0, EVENT_TEXT_COLUMN), "Down");
    EXPECT_EQ(CellText(g_eventsList, 1, EVENT_TEXT_COLUMN), "Up");
    auto* copy = reinterpret_cast<EventRecord*>(RowParam(g_eventsList, 0));
    EXPECT_EQ(copy->unread[3], 0x77);  // the whole record is kept
}

TEST_F(DispatchTest, SettingsResponseIsStoredWhole) {
    Cfg cfg;
    std::memset(&cfg, 0, sizeof cfg);
    cfg.kind = KIND_RESPONSE;
    cfg.code = CODE_SETTINGS_GET;
    cfg.param = 42;
    cfg.guiPort = 2111;
    std::strcpy(cfg.smtpServer, "mail.example");
    ForgetServerSettings();
    const int logLines = LogLineCount();
    Deliver(&cfg, sizeof cfg);
    EXPECT_TRUE(ServerSettingsAvailable());
    const Cfg stored = ServerSettings();
    EXPECT_EQ(0, std::memcmp(&stored, &cfg, sizeof cfg));
    EXPECT_EQ(LogLineCount(), logLines);
}

TEST_F(DispatchTest, IgnoredMessagesChangeAndLogNothing) {
    Deliver(Item(9, "a", 1, 1));
    const int logLines = LogLineCount();
    Pkt odd = Item(10, "kind2", 1, 1);
    odd.kind = 2;
    Deliver(odd);
    Deliver(Notice(CODE_ITEM_START, 9));  // a notice with a response-only code
    Deliver(Response(CODE_ITEM_STATUS, 9, 0, "x"));
    Deliver(Response(CODE_EVENTS, 9, 0, "x"));
    EXPECT_EQ(RowCount(g_itemsList), 1);
    EXPECT_EQ(RowCount(g_eventsList), 0);
    EXPECT_EQ(Status(0), "Up");
    EXPECT_EQ(LogLineCount(), logLines);
    EXPECT_TRUE(g_capture.sentFrames.empty());
}

TEST_F(DispatchTest, EmptyResponseTextStillLogsALine) {
    const int logLines = LogLineCount();
    Deliver(Response(CODE_ITEM_NEW, 0, 0, ""));
    EXPECT_EQ(LogLineCount(), logLines + 1);
    EXPECT_EQ(LastLogLine(), "");
    EXPECT_EQ(RowCount(g_itemsList), 0);  // the row comes with the notice
}

TEST_F(DispatchTest, TextsWithoutNulStopAtTheirFieldEnd) {
    Pkt p = Item(11, "", 1, 0);
    std::memset(p.config.name, 'N', sizeof p.config.name);
    std::memset(p.config.host, 'H', sizeof p.config.host);
    Deliver(p);
    EXPECT_EQ(CellText(g_itemsList, 0, 0), std::string(80, 'N'));
    EXPECT_EQ(CellText(g_itemsList, 0, 1), std::string(80, 'H'));

    Pkt r = Response(CODE_ITEM_STOP, 999, 1, "");
    std::memset(r.text, '%', sizeof r.text);  // never used as a format either
    Deliver(r);
    EXPECT_EQ(LastLogLine(), std::string(128, '%'));

    Pkt e = Event(CODE_EVENTS, "", "");
    std::memset(&e.event, 'E', sizeof e.event);
    Deliver(e);
    EXPECT_EQ(CellText(g_eventsList, 0, 0), std::string(16, 'E'));
    EXPECT_EQ(CellText(g_eventsList, 0, 3), std::string(86, 'E'));
    EXPECT_EQ(CellText(g_eventsList, 0, EVENT_TEXT_COLUMN), std::string(82, 'E'));
}

TEST_F(DispatchTest, ShortPayloadsReadAsZeroFilledRecords) {
    Pkt p = Item(12, "short", 1, 1);
    Deliver(&p, 12);  // header only: the item's fields read as zero
    ASSERT_EQ(RowCount(g_itemsList), 1);
    EXPECT_EQ(CellText(g_itemsList, 0, 0), "");
    EXPECT_EQ(Status(0), "Stopped");
    Pkt ack = Event(CODE_EVENT_ACK, "x", "Down");
    Deliver(&ack, 100);
    ASSERT_EQ(g_capture.sentFrames.size(), 1u);
    EXPECT_EQ(g_capture.sentFrames[0].size(), 644u);  // the echo is always a whole Pkt
    Deliver(&ack, 0);
    EXPECT_EQ(RowCount(g_eventsList), 1);
}

TEST_F(DispatchTest, AChangedRowShowsItsNewTextOnTheNextReadAndTheNextPaint) {
    ShowWindow(g_mainWindow, SW_SHOWNOACTIVATE);
    g_panelProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
        g_monitorPanel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchCellsProc)));
    Deliver(Item(30, "web", 1, 1));
    Deliver(Item(31, "db", 1, 1));
    ASSERT_TRUE(PumpMessages(2000, [] { return Asked("1:Up"); })) << "the list is painted";

    ServerPeer server;
    ASSERT_TRUE(server.Connected());
    g_asked.clear();
    server.Send({StatusNotice(31, 0, "Down (timeout)")});
    EXPECT_TRUE(PumpMessages(2000, [] { return Asked("1:Down (timeout)"); }))
        << "the changed row is painted again with its new text";
    EXPECT_EQ(Status(1), "Down (timeout)");
    SetWindowLongPtrA(g_monitorPanel, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_panelProc));
}

TEST_F(DispatchTest, FramesInOneReceiveAreAllApplied) {
    ShowWindow(g_mainWindow, SW_SHOWNOACTIVATE);
    for (int i = 0; i < 30; ++i) {
        Deliver(Event(CODE_EVENTS, "old", "Down"));
        Deliver(Item(100 + i, "old", 1, 1));
    }
    ServerPeer server;
    ASSERT_TRUE(server.Connected());
    server.Send({Item(13, "a", 1, 1), Item(14, "b", 1, 0), Event(CODE_EVENTS, "a", "Up")});
    ASSERT_TRUE(PumpMessages(2000, [] { return RowCount(g_eventsList) == 31; }));
    EXPECT_EQ(RowCount(g_itemsList), 32);
    EXPECT_EQ(Status(30), "Up");
    EXPECT_EQ(Status(31), "Down");
    EXPECT_EQ(CellText(g_eventsList, 30, EVENT_TEXT_COLUMN), "Up");
    EXPECT_TRUE(PumpMessages(2000, [] {
        return SendMessageA(g_eventsList, LVM_GETTOPINDEX, 0, 0) +
                   SendMessageA(g_eventsList, LVM_GETCOUNTPERPAGE, 0, 0) >=
               31;
    })) << "the new event is scrolled into view once the list draws again";
    EXPECT_EQ(SendMessageA(g_itemsList, LVM_GETTOPINDEX, 0, 0), 0) << "new items are not";

    // Data while not connected never reaches the reassembler: the receive
    // buffer still holds the frames above.
    g_connectionState = CONN_CONNECTING;
    ServerSocketCallback(1, SOCK_EVENT_DATA, 3 * 644, 0, 0);
    EXPECT_EQ(RowCount(g_itemsList), 32);
    EXPECT_EQ(RowCount(g_eventsList), 31);
}

TEST_F(DispatchTest, LinesLoggedInAReceiveKeepTheirOrderAndTheNewestComesIntoView) {
    HWND log = GetDlgItem(g_monitorPanel, IDC_PANEL_STATUS_LOG);
    ServerPeer server;
    ASSERT_TRUE(server.Connected());
    const int before = LogLineCount();
    char text[32];
    for (int round = 0; round < 3; ++round) {
        // Receives close together: the later ones wait for the redraw timer.
        std::vector<Pkt> pkts;
        for (int i = 0; i < 3; ++i) {
            std::snprintf(text, sizeof text, "answer %d", round * 3 + i);
            pkts.push_back(Response(CODE_ITEM_DELETE, 99, 1, text));
        }
        server.Send(pkts);
    }
    ASSERT_TRUE(PumpMessages(2000, [&] { return LogLineCount() >= before + 9; }));
    const int lines = LogLineCount();
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(CellText(log, lines - 9 + i, 1), "answer " + std::to_string(i));
    EXPECT_TRUE(PumpMessages(2000, [&] {
        const int top = static_cast<int>(SendMessageA(log, LVM_GETTOPINDEX, 0, 0));
        const int perPage = static_cast<int>(SendMessageA(log, LVM_GETCOUNTPERPAGE, 0, 0));
        return top > 0 && top + perPage >= lines;
    })) << "the newest line is scrolled into view once the log draws again";
}

TEST_F(DispatchTest, RecordsAndRowsThatCannotBeMadeAreDroppedWithTheirLine) {
    CountRecords();
    const int lines = LogLineCount();
    SetMemoryRefusal(RefuseUse);
    g_refusedUse = MEMORY_TEST_ITEM;
    Deliver(Item(20, "a", 1, 1));
    EXPECT_EQ(LastLogLine(), "Failed to allocated test item in client memory");
    // An item whose index entry (or row, below) cannot be made is dropped
    // whole: no row that messages could never find.
    g_refusedUse = MEMORY_ITEM_INDEX;
    Deliver(Item(21, "b", 1, 1));
    EXPECT_EQ(RowCount(g_itemsList), 0);
    EXPECT_EQ(LogLineCount(), lines + 2);
    EXPECT_EQ(LastLogLine(), "Failed to allocated test item in client memory");
    g_refusedUse = MEMORY_EVENT_COPY;
    Deliver(Event(CODE_EVENT_ACK, "a", "Down"));
    EXPECT_EQ(RowCount(g_eventsList), 0);
    EXPECT_EQ(LastLogLine(), "failed to allocate memory for event");
    // The events' table grows now and then: the event it cannot take
    // leaves the rows before it as they were.
    g_refusedUse = MEMORY_ALERT;
    Deliver(Event(CODE_EVENTS, "b", "Up"));
    g_refusedUse = MEMORY_EVENT_TABLE;
    int sent = 0;
    while (LogLineCount() == lines + 3 && ++sent < 300)
        Deliver(Event(CODE_EVENTS, "c", "Up"));
    EXPECT_EQ(LastLogLine(), "failed to allocate memory for event");
    ASSERT_EQ(RowCount(g_eventsList), sent);
    EXPECT_EQ(CellText(g_eventsList, 0, 2), "b");
    EXPECT_EQ(CellText(g_eventsList, sent - 1, 2), sent > 1 ? "c" : "b");

    SetMemoryRefusal(nullptr);
    RefuseRows(g_itemsList, true);
    RefuseRows(g_eventsList, true);
    Deliver(Item(22, "c", 1, 1));
    EXPECT_EQ(LastLogLine(), "Failed to allocated test item in client memory");
    Deliver(Event(CODE_EVENT_ACK, "a", "Down"));
    EXPECT_EQ(LastLogLine(), "failed to allocate memory for event");
    EXPECT_TRUE(g_capture.sentFrames.empty())
        << "no acknowledgement for an event that was not kept";
    EXPECT_EQ(LiveRecords(), static_cast<size_t>(sent)) << "nothing refused is kept";
    RefuseRows(g_eventsList, false);
    RefuseRows(g_itemsList, false);
    Deliver(Item(21, "b", 1, 1));
    Deliver(Item(22, "c", 1, 1));
    Deliver(StatusNotice(21, 1, "b up"));
    Deliver(StatusNotice(22, 1, "c up"));
    ASSERT_EQ(RowCount(g_itemsList), 2);
    EXPECT_EQ(Status(0) + ", " + Status(1), "b up, c up") << "the index finds the items again";
}

TEST_F(DispatchTest, ConnectionEndEmptiesBothListsAndReopensTheDialog) {
    Deliver(Item(14, "a", 1, 1));
    Deliver(Event(CODE_EVENTS, "a", "Up"));
    StoreServerSettings(Cfg{});
    ServerSocketCallback(1, SOCK_EVENT_CLOSED, 0, 0, 0);
    EXPECT_EQ(g_connectionState, static_cast<uint32_t>(CONN_DISCONNECTED));
    EXPECT_FALSE(ServerSettingsAvailable());
    EXPECT_EQ(RowCount(g_itemsList), 0);
    EXPECT_EQ(RowCount(g_eventsList), 0);
    EXPECT_EQ(LastLogLine(), "Server connection closed");
    HWND button = GetDlgItem(g_monitorPanel, IDC_PANEL_CONNECT);
    EXPECT_EQ(WindowText(button), "Connect");
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_TRUE(PumpMessages(
        2000, [] { return FindThreadWindow("Connect to Quorvex Server") != nullptr; }));
    // Lists emptied again on a second close: an events list alone is emptied too.
    Deliver(Event(CODE_EVENTS, "a", "Up"));
    ServerSocketCallback(1, SOCK_EVENT_CONNECT_FAILED, 0, 0, 0);
    EXPECT_EQ(RowCount(g_eventsList), 0);
}

// A list too large to empty in place looks empty at once; the events of a
// reconnect show in it while the old rows are taken down behind it, and
// every old record is freed exactly once.
TEST_F(DispatchTest, ALargeListLooksEmptyAtOnceAndKeepsTheRowsThatFollow) {
    CountRecords();
    const int rows = EMPTY_IN_PLACE_ROWS + 500;
    for (int i = 0; i < rows; ++i)
        Deliver(Event(CODE_EVENTS, "old", "Down"));
    ASSERT_EQ(RowCount(g_eventsList), rows);
    ServerSocketCallback(1, SOCK_EVENT_CLOSED, 0, 0, 0);
    HWND events = GetDlgItem(g_monitorPanel, IDC_PANEL_EVENTS);
    EXPECT_EQ(RowCount(events), 0);
    EXPECT_EQ(LiveRecords(), 0u);
    g_connectionState = CONN_CONNECTED;
    Deliver(Event(CODE_EVENTS, "new", "Up"));
    Deliver(Event(CODE_EVENTS, "newer", "Up"));
    ServerSocketCallback(1, SOCK_EVENT_CLOSED, 0, 0, 0);  // a second end, small this time
    Deliver(Event(CODE_EVENTS, "newest", "Up"));
    EXPECT_TRUE(PumpMessages(20000, [] { return RetiredListsLeft() == 0; }));
    EXPECT_EQ(GetDlgItem(g_monitorPanel, IDC_PANEL_EVENTS), g_eventsList);
    ASSERT_EQ(RowCount(g_eventsList), 1);
    EXPECT_EQ(CellText(g_eventsList, 0, 2), "newest");
    EXPECT_TRUE(GetWindowLongPtrA(g_eventsList, GWL_STYLE) & WS_VISIBLE);
    EXPECT_EQ(LiveRecords(), 1u);
    EXPECT_EQ(BadRecordFrees(), 0);
    int lists = 0;
    for (HWND w = GetWindow(g_monitorPanel, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        lists += ClassName(w) == "SysListView32";
    EXPECT_EQ(lists, 3) << "the old list is gone";
}

TEST_F(DispatchTest, ConnectedEventOnlyWhileConnecting) {
    g_connectionState = CONN_DISCONNECTED;
    ServerSocketCallback(1, SOCK_EVENT_CONNECTED, 0, 0, 0);
    EXPECT_EQ(g_connectionState, static_cast<uint32_t>(CONN_DISCONNECTED));
    g_connectionState = CONN_CONNECTING;
    ServerSocketCallback(1, SOCK_EVENT_CONNECTED, 0, 0, 0);
    EXPECT_EQ(g_connectionState, static_cast<uint32_t>(CONN_CONNECTED));
    EXPECT_EQ(LastLogLine(), "Connection to server established");
    HWND button = GetDlgItem(g_monitorPanel, IDC_PANEL_CONNECT);
    EXPECT_EQ(WindowText(button), "Disconnect");
    EXPECT_TRUE(IsWindowEnabled(button));
    // WM_START_SYNC runs the synchronisation sequence: settings, items, events of "This Month".
    EXPECT_TRUE(PumpMessages(2000, [] { return g_capture.sentFrames.size() >= 3; }));
    ASSERT_EQ(g_capture.sentFrames.size(), 3u);
    EXPECT_EQ(g_capture.sentFrames[0].size(), 424u);
    EXPECT_EQ(g_capture.sentFrames[1][8], CODE_ITEM_LIST);
    EXPECT_EQ(g_capture.sentFrames[2][8], CODE_EVENTS);
    EXPECT_EQ(g_capture.sentFrames[2][12], 1);
}

}  // namespace
