// Proves real Win32 runs under the test harness: a hidden window receives a
// posted private message through an ordinary message loop.
#include <gtest/gtest.h>
#include <windows.h>

namespace {

UINT g_seenMessage;
WPARAM g_seenWParam;

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_USER + 4) {
        g_seenMessage = msg;
        g_seenWParam = wParam;
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(MessageWindow, PostedMessageArrivesThroughTheLoop) {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QxTestWindow";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND hwnd = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    ASSERT_TRUE(PostMessageA(hwnd, WM_USER + 4, 42, 0));
    // A loop that cannot block past its limit: wait for input, then take it.
    MSG msg;
    bool quit = false;
    const DWORD start = GetTickCount();
    while (!quit && GetTickCount() - start < 5000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                quit = true;
            else
                DispatchMessageA(&msg);
        }
    }
    EXPECT_TRUE(quit) << "no WM_QUIT within 5 s";
    EXPECT_EQ(g_seenMessage, static_cast<UINT>(WM_USER + 4));
    EXPECT_EQ(g_seenWParam, 42u);
    DestroyWindow(hwnd);
}

}  // namespace
