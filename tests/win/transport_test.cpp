// The server transport on a real connection whose reader stalls: a frame is
// queued whole or dropped whole, and a closed connection drops it quietly.
// The real monitor panel is open, so its status log shows what the transport
// reports.
#include <string>

#include "core/session/session.h"
#include "core/session/status_report.h"
#include "link/server_connection.h"
#include "link/server_transport.h"
#include "list_reader.h"
#include "net_harness.h"
#include "res/resource.h"
#include "ui/common/window_ops.h"
#include "ui/panel/monitor_panel.h"
#include "ui/panel/panel_windows.h"
#include "ui/panel/status_log.h"

namespace {

class TransportTest : public NetTest {
protected:
    void SetUp() override {
        NetTest::SetUp();
        g_monitorPanel = OpenModelessDialog(GetModuleHandleA(nullptr), window_, MonitorPanelProc,
                                            IDD_MONITOR_PANEL);
        ASSERT_NE(g_monitorPanel, nullptr);
        SetStatusReporter(LogStatus);  // as the program registers it at start-up
        logLinesBefore_ = LogLineCount();
    }
    void TearDown() override {
        DestroyWindow(g_monitorPanel);
        g_monitorPanel = nullptr;
        NetTest::TearDown();
    }
    int NewLogLines() const { return LogLineCount() - logLinesBefore_; }

    int logLinesBefore_ = 0;
};

TEST_F(TransportTest, FrameIsQueuedWholeOrDroppedWhole) {
    SOCKET peer;
    g_serverConnection = ConnectPair(&peer);
    // Fill the queue up to 600 bytes of room without letting the pump run.
    std::vector<uint8_t> fill;
    FillStream(fill, 0, 262143 - 600);
    uint32_t queued = 0;
    ASSERT_EQ(SocketQueueSend(g_serverConnection, fill.data(), static_cast<int32_t>(fill.size()),
                              &queued),
              SOCK_OK);
    ASSERT_EQ(SocketQueueRoom(g_serverConnection), 600u);

    std::vector<uint8_t> frame;
    FillStream(frame, fill.size(), 644);
    EXPECT_NE(ServerTransportSend(frame.data(), frame.size()), SOCK_OK);
    EXPECT_EQ(SocketQueueRoom(g_serverConnection), 600u);  // nothing of it queued
    ASSERT_EQ(NewLogLines(), 1);
    EXPECT_EQ(LastLogLine(), "Send queue full, command not sent");

    // A frame that fits goes in whole.
    std::vector<uint8_t> small;
    FillStream(small, fill.size(), 600);
    EXPECT_EQ(ServerTransportSend(small.data(), small.size()), SOCK_OK);
    EXPECT_EQ(SocketQueueRoom(g_serverConnection), 0u);

    // The reader resumes: the stream is the fill followed by the small frame
    // only, and the byte queued next comes right behind them.
    std::vector<uint8_t> got;
    ASSERT_TRUE(PumpUntilReceived(peer, got, 262143, 20000));
    ASSERT_TRUE(PumpUntilNextByte(g_serverConnection, peer, got, 262143));
    EXPECT_EQ(got.size(), 262144u);
    EXPECT_EQ(FirstStreamMismatch(got, 0), -1);
    EXPECT_EQ(NewLogLines(), 1);
}

TEST_F(TransportTest, ClosedConnectionDropsSilently) {
    SOCKET peer;
    g_serverConnection = ConnectPair(&peer);
    ASSERT_EQ(SocketClose(g_serverConnection), SOCK_OK);
    const uint8_t frame[644] = {0x51, 0x58, 0x02, 0x80};
    EXPECT_EQ(ServerTransportSend(frame, sizeof frame), SOCK_NOT_OPEN);
    EXPECT_EQ(NewLogLines(), 0);
}

}  // namespace
