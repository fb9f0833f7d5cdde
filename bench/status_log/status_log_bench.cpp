// Logs 30000 lines into the real panel's status log and then 30000 more, and
// prints the time each batch took. The main window is created as at start-up
// but never shown, so painting is not part of the figure.
#include <windows.h>

#include <cstdio>

#include "app/app.h"
#include "app/main_window.h"
#include "net/socket.h"
#include "panel/status_log.h"

namespace {

double LogBatch(int first, int count) {
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    char text[64];
    for (int i = first; i < first + count; ++i) {
        snprintf(text, sizeof text, "Benchmark line %d of the status log", i);
        LogStatus(text);
    }
    QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (StartApplication(instance, SW_HIDE) == nullptr)
        return 1;
    const double first = LogBatch(0, 30000);
    const double next = LogBatch(30000, 30000);
    printf("status_log_first_30000: %.0f ms\n", first);
    printf("status_log_next_30000: %.0f ms\n", next);
    fflush(stdout);
    DestroyWindow(g_mainWindow);
    SocketCleanup();
    return 0;
}
