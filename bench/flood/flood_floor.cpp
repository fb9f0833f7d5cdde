// flood_floor.exe PORT: the floor of the flood benchmark, a reader with no
// window to draw that does the client's network work and nothing else. It
// reads as the client's socket layer does: WSAAsyncSelect on a hidden window
// (FD_READ, FD_WRITE, FD_CLOSE), one receive of at most RECEIVE_CHUNK bytes
// per FD_READ, every record decoded, and each acknowledgement notice sent back
// with a send of its own as soon as it is decoded. So the client's time less
// the floor's is what the client's windows cost.
//
// It connects only when the benchmark posts WM_FLOOR_CONNECT, so its start-up
// is not part of its CPU figure; WM_CLOSE or the server's close ends it.
#include <winsock2.h>
#include <windows.h>

#include <cstdlib>
#include <vector>

#include "core/wire/frame.h"
#include "core/wire/wire.h"
#include "flood_floor.h"
#include "net/socket.h"

namespace {

constexpr UINT WM_FLOOR_SOCKET = WM_APP + 2;

SOCKET g_socket = INVALID_SOCKET;
uint16_t g_port;
FrameReassembler g_reassembler;
char g_buffer[RECEIVE_CHUNK];
// Bytes a refused or partial send left over: they go first at FD_WRITE, so no
// acknowledgement is ever lost or reordered.
std::vector<char> g_unsent;

void Flush() {
    while (!g_unsent.empty()) {
        const int n = send(g_socket, g_unsent.data(), static_cast<int>(g_unsent.size()), 0);
        if (n <= 0)
            return;  // WSAEWOULDBLOCK: FD_WRITE follows once there is room
        g_unsent.erase(g_unsent.begin(), g_unsent.begin() + n);
    }
}

void Echo(const uint8_t* frame, size_t length) {
    if (!g_unsent.empty()) {
        g_unsent.insert(g_unsent.end(), frame, frame + length);
        return;
    }
    const int n = send(g_socket, reinterpret_cast<const char*>(frame), static_cast<int>(length), 0);
    const size_t sent = n > 0 ? static_cast<size_t>(n) : 0;
    g_unsent.insert(g_unsent.end(), frame + sent, frame + length);
}

void OnPayload(void*, const uint8_t* payload, size_t length) {
    Pkt pkt;
    DecodeRecord(&pkt, sizeof pkt, payload, length);
    if (pkt.kind != KIND_REQUEST || pkt.code != CODE_EVENT_ACK)
        return;
    uint8_t frame[FRAME_BUFFER_SIZE];
    Echo(frame, BuildFrame(frame, sizeof frame, &pkt, sizeof pkt));
}

bool Connect(HWND window) {
    g_socket = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(g_port);
    addr.sin_addr.s_addr = inet_addr("127.0.0.1");
    if (g_socket == INVALID_SOCKET ||
        connect(g_socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        return false;
    return WSAAsyncSelect(g_socket, window, WM_FLOOR_SOCKET, FD_READ | FD_WRITE | FD_CLOSE) == 0;
}

void OnSocket(LPARAM lParam) {
    switch (WSAGETSELECTEVENT(lParam)) {
    case FD_READ: {
        const int n = recv(g_socket, g_buffer, sizeof g_buffer, 0);
        if (n > 0)
            FeedFrameReassembler(g_reassembler, reinterpret_cast<uint8_t*>(g_buffer),
                                 static_cast<size_t>(n), OnPayload, nullptr);
        break;
    }
    case FD_WRITE: Flush(); break;
    case FD_CLOSE: PostQuitMessage(0); break;
    default: break;
    }
}

LRESULT CALLBACK FloorProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_FLOOR_SOCKET: OnSocket(lParam); return 0;
    case WM_FLOOR_CONNECT:
        if (!Connect(window))
            PostQuitMessage(1);
        return 0;
    case WM_CLOSE: PostQuitMessage(0); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || (g_port = static_cast<uint16_t>(std::atoi(argv[1]))) == 0)
        return 2;
    WSADATA wsa;
    WSAStartup(0x0202, &wsa);
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FloorProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = QX_FLOOR_WINDOW_CLASS;
    // A top-level window that is never shown, so the benchmark finds it.
    if (RegisterClassA(&wc) == 0 ||
        CreateWindowA(QX_FLOOR_WINDOW_CLASS, "", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                      wc.hInstance, nullptr) == nullptr)
        return 1;
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0)
        DispatchMessageA(&msg);
    if (g_socket != INVALID_SOCKET)
        closesocket(g_socket);
    WSACleanup();
    return static_cast<int>(msg.wParam);
}
