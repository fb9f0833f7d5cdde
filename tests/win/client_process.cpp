#include "client_process.h"

#include <cstring>

#include "res/resource.h"

bool WaitFor(const std::function<bool()>& done, DWORD ms, DWORD everyMs) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(everyMs);
    }
    return true;
}

HWND WaitForFilledConnectDialog(DWORD ms) {
    HWND dialog = nullptr;
    if (!WaitFor(
            [&] { return (dialog = FindWindowA(nullptr, "Connect to Quorvex Server")) != nullptr; },
            ms))
        return nullptr;
    WaitFor(
        [&] {
            char ip[32] = "";
            GetDlgItemTextA(dialog, IDC_CONNECT_ADDRESS, ip, sizeof ip);
            return ip[0] != '\0' && std::strcmp(ip, "0.0.0.0") != 0 &&
                   GetDlgItemInt(dialog, IDC_CONNECT_PORT, nullptr, FALSE) != 0;
        },
        10000);
    return dialog;
}

HWND PanelControl(HWND mainWindow, int id) {
    HWND panel = FindWindowExA(mainWindow, nullptr, nullptr, nullptr);
    while (panel != nullptr && GetDlgItem(panel, id) == nullptr)
        panel = FindWindowExA(mainWindow, panel, nullptr, nullptr);
    return panel ? GetDlgItem(panel, id) : nullptr;
}

bool StartClientProcess(const std::string& exe, const std::string& dir, uint16_t port,
                        PROCESS_INFORMATION* pi, const std::function<void()>& beforeOk) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string cmd = "\"" + exe + "\"";
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(), &si,
                        pi))
        return false;
    HWND dialog = WaitForFilledConnectDialog(30000);
    if (dialog == nullptr)
        return false;
    SetDlgItemTextA(dialog, IDC_CONNECT_PORT, std::to_string(port).c_str());
    if (beforeOk)
        beforeOk();
    PostMessageA(dialog, WM_COMMAND, IDC_CONNECT_OK, 0);
    return true;
}

long WaitForProcess(PROCESS_INFORMATION* pi, DWORD ms) {
    long code = -1;
    if (WaitForSingleObject(pi->hProcess, ms) == WAIT_OBJECT_0) {
        DWORD exitCode = 0;
        GetExitCodeProcess(pi->hProcess, &exitCode);
        code = static_cast<long>(exitCode);
    } else {
        TerminateProcess(pi->hProcess, 1);
    }
    CloseHandle(pi->hThread);
    CloseHandle(pi->hProcess);
    return code;
}

long StopClientProcess(PROCESS_INFORMATION* pi) {
    if (HWND main = FindWindowA(QX_MAIN_WINDOW_CLASS, "Quorvex Client"))
        PostMessageA(main, WM_CLOSE, 0, 0);
    return WaitForProcess(pi, 20000);
}
