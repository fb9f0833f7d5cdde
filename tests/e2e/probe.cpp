// Looks for the running client from outside: finds the "Quorvex Client"
// main windows of quorvex.exe processes on a desktop, prints how many there
// are and the first one's rectangle, and can post it WM_CLOSE or "Quit".
//   qx_probe DESKTOP find          -> "count left top width height", exit 0 if found
//   qx_probe DESKTOP close|quit    -> posts to the first one, exit 0 if found
//   qx_probe DESKTOP shell         -> "taskbar left top width height" and, for a
//                                     balloon on show, "balloon left top width height"
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

bool ProcessIs(HWND window, const char* exe) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (process == nullptr)
        return false;
    char path[MAX_PATH] = "";
    DWORD size = sizeof path;
    const BOOL ok = QueryFullProcessImageNameA(process, 0, path, &size);
    CloseHandle(process);
    const char* name = strrchr(path, '\\');
    name = name ? name + 1 : path;
    return ok && lstrcmpiA(name, exe) == 0;
}

bool IsClientProcess(HWND window) {
    return ProcessIs(window, "quorvex.exe");
}

void PrintRect(const char* what, HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    printf("%s %ld %ld %ld %ld\n", what, rect.left, rect.top, rect.right - rect.left,
           rect.bottom - rect.top);
}

// The shell's taskbar and the balloons it shows are windows of explorer.exe.
BOOL CALLBACK PrintShell(HWND window, LPARAM found) {
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    if (!IsWindowVisible(window) || !ProcessIs(window, "explorer.exe"))
        return TRUE;
    if (strcmp(className, "Shell_TrayWnd") == 0) {
        PrintRect("taskbar", window);
        *reinterpret_cast<bool*>(found) = true;
    } else if (strcmp(className, "tooltips_class32") == 0) {
        PrintRect("balloon", window);
    }
    return TRUE;
}

BOOL CALLBACK Collect(HWND window, LPARAM lParam) {
    char className[16] = "", title[64] = "";
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (strcmp(className, " ") == 0 && strcmp(title, "Quorvex Client") == 0 &&
        IsClientProcess(window))
        reinterpret_cast<std::vector<HWND>*>(lParam)->push_back(window);
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        fprintf(stderr, "usage: qx_probe DESKTOP find|close|quit|shell\n");
        return 2;
    }
    HDESK desktop = OpenDesktopA(argv[1], 0, FALSE, DESKTOP_READOBJECTS | DESKTOP_ENUMERATE);
    if (desktop == nullptr) {
        printf("0\n");
        return 1;
    }
    if (strcmp(argv[2], "shell") == 0) {
        bool taskbar = false;
        EnumDesktopWindows(desktop, PrintShell, reinterpret_cast<LPARAM>(&taskbar));
        CloseDesktop(desktop);
        return taskbar ? 0 : 1;
    }
    std::vector<HWND> windows;
    EnumDesktopWindows(desktop, Collect, reinterpret_cast<LPARAM>(&windows));
    CloseDesktop(desktop);
    if (windows.empty()) {
        printf("0\n");
        return 1;
    }
    HWND window = windows.front();
    if (strcmp(argv[2], "close") == 0)
        PostMessageA(window, WM_CLOSE, 0, 0);
    else if (strcmp(argv[2], "quit") == 0)
        PostMessageA(window, WM_COMMAND, 40007, 0);
    RECT rect;
    GetWindowRect(window, &rect);
    printf("%u %ld %ld %ld %ld\n", static_cast<unsigned>(windows.size()), rect.left, rect.top,
           rect.right - rect.left, rect.bottom - rect.top);
    return 0;
}
