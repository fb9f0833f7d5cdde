// A fixture for whole sessions in-process: the real main window in a working
// directory of its own (so quorvex.ini starts missing), the reference server,
// and the steps every session test takes to connect.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "refserver.h"

class ServerSession : public ::testing::Test {
protected:
    RefServer server;
    std::string workDir;

    void SetUp() override;
    void TearDown() override;

    void StartServer(const std::string& script, const std::vector<std::string>& extra = {});
    HWND WaitForConnectDialog();
    // Starts the client if needed and confirms the connect dialog with `port`.
    void Connect(uint16_t port);
    // Connect to the server and wait until the connection has been
    // established (a quick server may have ended it again by then).
    void ConnectAndWait();
    std::vector<std::string> WaitForFrames(size_t count);
    bool WaitForOutput(const std::string& line);
};
