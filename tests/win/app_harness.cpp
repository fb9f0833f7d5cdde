// Test harness for the real main window; see app_harness.h.
#include "app_harness.h"

#include <algorithm>
#include <cstdlib>
#include <iterator>

#include "app/main_window.h"
#include "core/mirror/record_memory.h"
#include "core/session/session.h"
#include "net/socket.h"
#include "ui/panel/panel_windows.h"

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
    const char* className;
    HWND found;
};

BOOL CALLBACK MatchTitle(HWND window, LPARAM lParam) {
    auto find = reinterpret_cast<FindByTitle*>(lParam);
    if (WindowText(window) == find->title &&
        (find->className == nullptr || ClassName(window) == find->className)) {
        find->found = window;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

HWND FindThreadWindow(const char* title, const char* className) {
    FindByTitle find = {title, className, nullptr};
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

namespace {

// The children, grandchildren and so on that are shown by their own style
// and their parents' (the tests' main window itself stays hidden).
std::vector<HWND> ShownDescendants(HWND parent) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (GetWindowLongA(child, GWL_STYLE) & WS_VISIBLE) {
            found.push_back(child);
            for (HWND grandchild : ShownDescendants(child))
                found.push_back(grandchild);
        }
    }
    return found;
}

}  // namespace

std::vector<std::string> ShownTexts(HWND window) {
    std::vector<std::string> texts;
    for (HWND control : ShownDescendants(window)) {
        const std::string cls = ClassName(control);
        if ((cls == "Static" || cls == "Button") && !WindowText(control).empty())
            texts.push_back(WindowText(control));
    }
    std::sort(texts.begin(), texts.end());
    texts.insert(texts.begin(), WindowText(window));
    return texts;
}

std::string FieldKind(HWND field) {
    const std::string cls = ClassName(field);
    if (cls == "SysIPAddress32")
        return "address";
    if (cls == "ComboBox")
        return FindWindowExA(field, nullptr, "Edit", nullptr) ? "typed choice" : "choice";
    if (cls == "Button") {
        const LONG type = GetWindowLongA(field, GWL_STYLE) & BS_TYPEMASK;
        if (type != BS_CHECKBOX && type != BS_AUTOCHECKBOX)
            return "button";
        const LRESULT before = SendMessageA(field, BM_GETCHECK, 0, 0);
        SendMessageA(field, BM_CLICK, 0, 0);
        const bool ticks = SendMessageA(field, BM_GETCHECK, 0, 0) != before;
        SendMessageA(field, BM_SETCHECK, before, 0);
        return ticks ? "check box" : "check box that does not tick";
    }
    if (cls != "Edit")
        return cls;
    // A letter, a digit, and more text than the box is wide.
    const std::string before = WindowText(field);
    const std::string typed = "a1" + std::string(40, 'W');
    SetWindowTextA(field, "");
    for (char c : typed)
        SendMessageA(field, WM_CHAR, static_cast<unsigned char>(c), 0);
    const std::string taken = WindowText(field);
    SetWindowTextA(field, before.c_str());
    if (taken == typed)
        return SendMessageA(field, EM_GETPASSWORDCHAR, 0, 0) ? "hidden text" : "text";
    return taken == "1" ? "digits" : "takes only \"" + taken + "\"";
}

std::string DefaultButton(HWND dialog) {
    const LRESULT id = SendMessageA(dialog, DM_GETDEFID, 0, 0);
    return HIWORD(id) == DC_HASDEFID ? WindowText(GetDlgItem(dialog, LOWORD(id))) : "";
}

bool Click(HWND window, const std::string& text) {
    for (HWND control : ShownDescendants(window)) {
        if (ClassName(control) != "Button" || WindowText(control) != text ||
            !IsWindowEnabled(control))
            continue;
        SendMessageA(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
        return true;
    }
    return false;
}

std::string MenuTexts(HMENU popup) {
    std::string texts;
    for (int i = 0; i < GetMenuItemCount(popup); ++i) {
        char text[64] = "";
        GetMenuStringA(popup, i, text, sizeof text, MF_BYPOSITION);
        texts += (i ? " | " : "") + std::string(text[0] ? text : "-");  // a separator has none
    }
    return texts;
}

UINT MenuItemId(HMENU menu, const char* popup, const char* item) {
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        char text[64] = "";
        GetMenuStringA(menu, i, text, sizeof text, MF_BYPOSITION);
        HMENU sub = GetSubMenu(menu, i);
        if (sub == nullptr || std::string(text) != popup)
            continue;
        for (int j = 0; j < GetMenuItemCount(sub); ++j) {
            GetMenuStringA(sub, j, text, sizeof text, MF_BYPOSITION);
            if (std::string(text) == item)
                return GetMenuItemID(sub, j);
        }
    }
    return 0;
}

namespace {

std::vector<void*> g_liveRecords;
int g_badFrees;

void* CountedAllocate(size_t bytes) {
    void* record = std::calloc(1, bytes);
    g_liveRecords.push_back(record);
    return record;
}

void CountedRelease(void* record) {
    auto it = std::find(g_liveRecords.rbegin(), g_liveRecords.rend(), record);
    if (it == g_liveRecords.rend()) {
        g_badFrees += record != nullptr;
        return;
    }
    g_liveRecords.erase(std::next(it).base());
    std::free(record);
}

const RecordHeap kCountedHeap = {CountedAllocate, CountedRelease};

}  // namespace

void CountRecords() {
    g_liveRecords.clear();
    g_badFrees = 0;
    SetRecordHeap(&kCountedHeap);
}

size_t LiveRecords() {
    return g_liveRecords.size();
}

int BadRecordFrees() {
    return g_badFrees;
}
