// Temporary stand-in for the socket layer so the program links; replaced by
// the real layer.
#include "net/socket.h"

static bool g_started;

int SocketStartup(HWND) {
    if (g_started)
        return SOCK_ALREADY_STARTED;
    WSADATA data;
    if (WSAStartup(0x0202, &data) != 0)
        return SOCK_STARTUP_FAILED;
    g_started = true;
    return SOCK_OK;
}
void SocketCleanup() {
    if (g_started)
        WSACleanup();
    g_started = false;
}
void SocketDispatch(UINT, WPARAM, LPARAM) {}
int SocketQueueSend(int32_t, const void*, int32_t, uint32_t* queued) {
    if (queued)
        *queued = 0;
    return SOCK_NOT_OPEN;
}
uint32_t SocketQueueRoom(int32_t) { return 0; }
int SocketConnect(const char*, uint16_t, uint32_t, int32_t*, SocketCallback, char*) {
    return SOCK_CONNECT_FAILED;
}
int SocketClose(int32_t) { return SOCK_NOT_OPEN; }
