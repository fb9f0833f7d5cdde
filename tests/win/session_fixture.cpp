#include "session_fixture.h"

#include "app/main_window.h"
#include "app_harness.h"
#include "core/session/client_config.h"
#include "core/session/session.h"
#include "list_reader.h"
#include "res/resource.h"

void ServerSession::SetUp() {
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    workDir = std::string(temp) + "qx-session-" + std::to_string(GetCurrentProcessId()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name();
    CreateDirectoryA(workDir.c_str(), nullptr);
    DeleteFileA((workDir + "\\quorvex.ini").c_str());
    SetCurrentDirectoryA(workDir.c_str());
    g_clientConfig = ClientConfig{2111, "127.0.0.1"};  // as in a fresh process
}

void ServerSession::TearDown() {
    StopMainWindow();
    server.Stop();
    SetCurrentDirectoryA("..");
    DeleteFileA((workDir + "\\quorvex.ini").c_str());
    RemoveDirectoryA(workDir.c_str());
}

void ServerSession::StartServer(const std::string& script, const std::vector<std::string>& extra) {
    ASSERT_TRUE(server.Start(script, extra)) << server.Error();
}

HWND ServerSession::WaitForConnectDialog() {
    HWND dialog = nullptr;
    PumpMessages(
        5000, [&] { return (dialog = FindThreadWindow("Connect to Quorvex Server")) != nullptr; });
    return dialog;
}

void ServerSession::Connect(uint16_t port) {
    if (g_mainWindow == nullptr || !IsWindow(g_mainWindow)) {
        ASSERT_NE(StartMainWindow(), nullptr);
    }
    HWND dialog = WaitForConnectDialog();
    ASSERT_NE(dialog, nullptr);
    SetDlgItemInt(dialog, IDC_CONNECT_PORT, port, FALSE);
    ASSERT_TRUE(Click(dialog, "OK"));
}

void ServerSession::ConnectAndWait() {
    Connect(server.Port());
    ASSERT_TRUE(
        PumpMessages(10000, [] { return LogContains("Connection to server established"); }));
}

std::vector<std::string> ServerSession::WaitForFrames(size_t count) {
    std::vector<std::string> frames;
    PumpMessages(10000, [&] { return (frames = server.RecordedFrames()).size() >= count; });
    return frames;
}

bool ServerSession::WaitForOutput(const std::string& line) {
    return PumpMessages(10000, [&] { return server.Output().find(line) != std::string::npos; });
}
