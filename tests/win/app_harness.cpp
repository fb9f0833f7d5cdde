// Test harness for the real main window; see app_harness.h.
#include "app_harness.h"

#include "app/app.h"
#include "app/main_window.h"
#include "link/session.h"
#include "net/socket.h"

HWND StartMainWindow() {
    g_connectionState = CONN_DISCONNECTED;
    return StartApplication(GetModuleHandleA(nullptr), SW_HIDE);
}

void StopMainWindow() {
    // Dialogs owned by the main window go with it.
    if (g_mainWindow != nullptr && IsWindow(g_mainWindow))
        DestroyWindow(g_mainWindow);
    DispatchPending();
    g_mainWindow = nullptr;
    g_monitorPanel = nullptr;
    SocketCleanup();
    g_connectionState = CONN_DISCONNECTED;
}

bool PumpMessages(DWORD ms, const std::function<bool()>& done) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (done && done())
            return true;
        DispatchPending();
        if (done && done())
            return true;
        if (GetTickCount() - start >= ms)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

void DispatchPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

namespace {

struct FindByTitle {
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM lParam) {
    auto find = reinterpret_cast<FindByTitle*>(lParam);
    if (WindowText(window) == find->title) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindThreadWindow(const char* title) {
    FindByTitle find = {title, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), MatchTitle, reinterpret_cast<LPARAM>(&find));
    return find.found;
}

std::string WindowText(HWND window) {
    char text[512] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassName(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}
