// Entry point of Quorvex Client: one copy per session, the shared GDI
// objects, the main window and the message loop; the socket layer is shut
// down after the loop.
#include <cstdlib>
#include <cstring>

#include "app/main_window.h"
#include "net/socket.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    // A second copy leaves at once and silently; the first is not told.
    HANDLE mutex = CreateMutexA(nullptr, TRUE, "QuorvexReenterCheck");
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        if (mutex != nullptr)
            ReleaseMutex(mutex);
        return 0;
    }

    // Held until exit as a check that the process has memory to work with.
    void* workingBlock = malloc(20000);
    if (workingBlock == nullptr) {
        MessageBoxA(nullptr, "Out of memory", nullptr, MB_OK);
        return 0;
    }
    memset(workingBlock, 0, 20000);

    if (StartApplication(instance, show) == nullptr) {
        free(workingBlock);
        MessageBoxA(nullptr, "Failed to create application window!", nullptr, MB_OK);
        return 0;
    }

    // The program has no accelerator resource: the table is always null, and
    // the loop makes no IsDialogMessageA call, so dialogs get no keyboard
    // navigation.
    HACCEL accelerators = LoadAcceleratorsA(instance, nullptr);
    MSG msg;
    for (;;) {
        ResumeReadsAfterInput();  // a receive put off for input and painting
        if (!GetMessageA(&msg, nullptr, 0, 0))
            break;
        if (!TranslateAcceleratorA(msg.hwnd, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }

    free(workingBlock);
    SocketCleanup();
    if (mutex != nullptr)
        ReleaseMutex(mutex);
    return static_cast<int>(msg.wParam);
}
