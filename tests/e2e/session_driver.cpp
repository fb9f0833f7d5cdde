// The shipped quorvex.exe, driven from another process as a user would: the
// connect dialog's fields and OK button, then the list views read across
// processes (list-view messages carry pointers, so the buffers live in the
// client's memory), against the reference server.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "client_process.h"
#include "core/mirror/server_mirror.h"
#include "core/wire/wire.h"
#include "refserver.h"
#include "res/resource.h"

namespace {

std::string g_exe;  // Windows path of quorvex.exe

// Reads list-view cells of another process through a buffer allocated there.
class RemoteList {
public:
    RemoteList(HWND list, HANDLE process) : list_(list), process_(process) {
        remote_ =
            static_cast<char*>(VirtualAllocEx(process, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteList() {
        if (remote_)
            VirtualFreeEx(process_, remote_, 0, MEM_RELEASE);
    }
    int Rows() const { return static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0)); }
    // The cell's text through a buffer of `size` bytes (at most 1024). The
    // buffer and what follows it are filled with a pattern first; `intact`
    // tells whether the bytes after the buffer kept it.
    std::string Cell(int row, int column, int size = 1024, bool* intact = nullptr) const {
        char text[1024 + 64];
        std::memset(text, 0x5A, sizeof text);
        WriteProcessMemory(process_, remote_ + sizeof(LVITEMA), text, sizeof text, nullptr);
        LVITEMA item = {};
        item.iSubItem = column;
        item.pszText = remote_ + sizeof(LVITEMA);
        item.cchTextMax = size;
        WriteProcessMemory(process_, remote_, &item, sizeof item, nullptr);
        SendMessageA(list_, LVM_GETITEMTEXTA, static_cast<WPARAM>(row),
                     reinterpret_cast<LPARAM>(remote_));
        ReadProcessMemory(process_, remote_ + sizeof(LVITEMA), text, sizeof text, nullptr);
        if (intact != nullptr)
            *intact = std::all_of(text + size, text + size + 64, [](char c) { return c == 0x5A; });
        return std::string(text, strnlen(text, static_cast<size_t>(size)));
    }

private:
    HWND list_;
    HANDLE process_;
    char* remote_ = nullptr;
};

TEST(ShippedProgram, ConnectsMirrorsTheServerAndExitsCleanly) {
    RefServer server;
    ASSERT_TRUE(server.Start(
        "record client.hex\n"
        "serve off\n"
        "wait-request 7\n"
        "send-pkt code=0 id=1 name=web host=10.0.0.1 type=1 port=80 started=1 up=1\n"
        "send-pkt code=0 id=2 name=db host=10.0.0.2 type=1 port=5432 started=1 up=0\n"
        "send-pkt code=8 date=07/12/2026 time=12:00:00 evName=db evHost=10.0.0.2 evText=Down\n"
        "wait-request 8\n"
        "mark acked\n"
        "wait-request 7\n"
        "send-pkt code=6 id=1 up=0 text=\"Down (timeout)\"\n"
        "send-pkt kind=1 code=3 id=2 text=\"Test item 2 started\"\n"
        "mark changed\n"))
        << server.Error();

    // The program runs in a directory of its own, so it writes a fresh quorvex.ini.
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(StartClientProcess(g_exe, WinPath(server.UnixPath("")), server.Port(), &pi));
    HWND mainWindow = FindWindowA(QX_MAIN_WINDOW_CLASS, "Quorvex Client");
    ASSERT_NE(mainWindow, nullptr);

    HWND items = PanelControl(mainWindow, 1026);
    HWND events = PanelControl(mainWindow, 1028);
    ASSERT_NE(items, nullptr);
    RemoteList itemRows(items, pi.hProcess), eventRows(events, pi.hProcess);
    ASSERT_TRUE(
        WaitFor([&] { return server.Output().find("mark: acked") != std::string::npos; }, 20000));
    ASSERT_TRUE(WaitFor([&] { return itemRows.Rows() == 2 && eventRows.Rows() == 1; }, 5000));
    EXPECT_EQ(itemRows.Cell(0, 0), "web");
    EXPECT_EQ(itemRows.Cell(0, ITEM_STATUS_COLUMN), "Up");
    EXPECT_EQ(itemRows.Cell(1, 3), "5432");
    EXPECT_EQ(itemRows.Cell(1, ITEM_STATUS_COLUMN), "Down");
    EXPECT_EQ(eventRows.Cell(0, 2), "db");
    EXPECT_EQ(eventRows.Cell(0, EVENT_TEXT_COLUMN), "Down");
    EXPECT_EQ(GetWindowTextLengthA(PanelControl(mainWindow, 1036)), 10);  // "Disconnect"

    const std::vector<std::string> frames = server.RecordedFrames();
    ASSERT_EQ(frames.size(), 4u);
    EXPECT_EQ(frames[3].substr(0, 24), "515802800000000008000000");

    EXPECT_EQ(server.ReadFile("quorvex.ini"),
              "SERVER_PORT=" + std::to_string(server.Port()) + "\r\nSERVER_IP=127.0.0.1\r\n");

    // Reload Events lets the script go on: a status notice with the server's
    // own text, and the answer to a Start.
    PostMessageA(PanelControl(mainWindow, 1051), BM_CLICK, 0, 0);
    ASSERT_TRUE(
        WaitFor([&] { return server.Output().find("mark: changed") != std::string::npos; }, 20000));
    ASSERT_TRUE(WaitFor([&] { return itemRows.Cell(1, ITEM_STATUS_COLUMN) == "Started"; }, 5000));
    EXPECT_EQ(itemRows.Cell(0, ITEM_STATUS_COLUMN), "Down (timeout)");
    EXPECT_EQ(itemRows.Cell(0, 1), "10.0.0.1");
    EXPECT_EQ(itemRows.Cell(0, 2), "TCP");
    bool intact = false;
    EXPECT_EQ(itemRows.Cell(0, 4, 5, &intact), "Down") << "cut to the reader's buffer";
    EXPECT_TRUE(intact) << "nothing written past the reader's buffer";

    EXPECT_EQ(StopClientProcess(&pi), 0);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: qx_session_driver QUORVEX_EXE\n");
        return 2;
    }
    g_exe = argv[1][0] == '/' ? WinPath(argv[1]) : argv[1];
    return RUN_ALL_TESTS();
}
