// Benchmark of the socket layer under load: pushes 16 MiB through
// SocketQueueSend to a reader on loopback and reports the rate and the CPU
// time of the thread that runs the message loop (the client's GUI thread);
// then stops the reader for 10 s and reports that thread's CPU use while the
// queue cannot drain. The reader is a separate thread with a plain blocking
// socket, so its own CPU is not counted. Every byte is checked on arrival.
#include <cstdio>
#include <cstring>
#include <vector>

#include "net/socket.h"

namespace {

constexpr uint64_t TOTAL = 16u << 20;
constexpr UINT WM_READER_DONE = WM_APP + 1;
constexpr DWORD STALL_MS = 10000;

uint8_t StreamByte(uint64_t i) {
    return static_cast<uint8_t>((i * 7) ^ (i >> 7) ^ (i >> 15));
}

HWND g_window;
SOCKET g_listener = INVALID_SOCKET;
volatile LONG g_stall;           // reader pauses while nonzero
volatile LONG64 g_readerBytes;   // bytes the reader has checked
volatile LONG64 g_readerTarget;  // reader posts WM_READER_DONE on reaching it
volatile LONG g_readerError;
bool g_connected;
bool g_connectFailed;
char g_recvBuffer[RECEIVE_CHUNK];

int OnSocket(uint32_t, uint32_t event, uint32_t, uint32_t, uint32_t) {
    if (event == SOCK_EVENT_CONNECTED)
        g_connected = true;
    if (event == SOCK_EVENT_CONNECT_FAILED || event == SOCK_EVENT_CLOSED)
        g_connectFailed = true;
    return 0;
}

LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_SOCKET_EVENT || msg == WM_SOCKET_SEND) {
        SocketDispatch(msg, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

DWORD WINAPI Reader(void*) {
    SOCKET s = accept(g_listener, nullptr, nullptr);
    if (s == INVALID_SOCKET) {
        g_readerError = 1;
        return 1;
    }
    std::vector<char> buf(65536);
    uint64_t at = 0;
    LONG64 postedFor = -1;
    for (;;) {
        if (g_stall) {
            Sleep(5);
            continue;
        }
        const int n = recv(s, buf.data(), static_cast<int>(buf.size()), 0);
        if (n <= 0)
            break;
        for (int i = 0; i < n; ++i)
            if (static_cast<uint8_t>(buf[i]) != StreamByte(at + i))
                g_readerError = 2;
        at += static_cast<uint64_t>(n);
        InterlockedExchange64(&g_readerBytes, static_cast<LONG64>(at));
        const LONG64 target = g_readerTarget;
        if (postedFor != target && static_cast<LONG64>(at) >= target) {
            postedFor = target;
            PostMessageA(g_window, WM_READER_DONE, 0, 0);
        }
    }
    closesocket(s);
    return 0;
}

double ThreadCpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto toU64 = [](const FILETIME& f) {
        return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    return static_cast<double>(toU64(kernel) + toU64(user)) / 1e7;
}

double Now() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

struct Producer {
    int32_t index;
    uint64_t next;  // next stream byte to queue
    uint64_t limit;
    std::vector<uint8_t> chunk;

    // Queues as much of the stream as fits, as a client's sender would.
    void TopUp() {
        const uint32_t room = SocketQueueRoom(index);
        if (next >= limit || room == 0)
            return;
        const uint32_t n = static_cast<uint32_t>(room < limit - next ? room : limit - next);
        chunk.resize(n);
        for (uint32_t i = 0; i < n; ++i)
            chunk[i] = StreamByte(next + i);
        uint32_t queued = 0;
        SocketQueueSend(index, chunk.data(), static_cast<int32_t>(n), &queued);
        next += queued;
    }
};

// The client's message loop: dispatch, refill, sleep until the next message.
// Returns when WM_READER_DONE arrives or after `maxMs`.
bool RunLoop(Producer& producer, DWORD maxMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_READER_DONE)
                return true;
            DispatchMessageA(&msg);
            if (GetTickCount() - start >= maxMs)
                return false;  // a queue that never empties must not hold the loop
        }
        producer.TopUp();
        const DWORD elapsed = GetTickCount() - start;
        if (elapsed >= maxMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, maxMs - elapsed, QS_ALLINPUT);
    }
}

}  // namespace

int main() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "QxBenchWindow";
    RegisterClassA(&wc);
    g_window = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                               nullptr, wc.hInstance, nullptr);
    if (g_window == nullptr || SocketStartup(g_window) != SOCK_OK) {
        std::fprintf(stderr, "start-up failed\n");
        return 1;
    }

    g_listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in sa = {};
    sa.sin_family = AF_INET;
    sa.sin_addr.s_addr = inet_addr("127.0.0.1");
    bind(g_listener, reinterpret_cast<sockaddr*>(&sa), sizeof sa);
    listen(g_listener, 1);
    int len = sizeof sa;
    getsockname(g_listener, reinterpret_cast<sockaddr*>(&sa), &len);

    g_readerTarget = static_cast<LONG64>(TOTAL);
    HANDLE reader = CreateThread(nullptr, 0, Reader, nullptr, 0, nullptr);
    int32_t index = -1;
    SocketConnect("127.0.0.1", ntohs(sa.sin_port), 1, &index, OnSocket, g_recvBuffer);
    Producer producer{index, 0, 0, {}};
    const DWORD connectStart = GetTickCount();
    while (!g_connected && !g_connectFailed && GetTickCount() - connectStart < 5000)
        RunLoop(producer, 10);
    if (!g_connected) {
        std::fprintf(stderr, "connect failed\n");
        return 1;
    }

    // Throughput: 16 MiB from the first queued byte to the reader's last.
    producer.limit = TOTAL;
    const double cpu0 = ThreadCpuSeconds();
    const double t0 = Now();
    const bool done = RunLoop(producer, 120000);
    const double seconds = Now() - t0;
    const double cpu = ThreadCpuSeconds() - cpu0;
    if (!done || g_readerError) {
        std::fprintf(stderr, "throughput run failed (done %d, reader error %ld, %lld bytes)\n",
                     done, g_readerError, static_cast<long long>(g_readerBytes));
        return 1;
    }
    std::printf("socket_throughput: %.2f MB/s\n", static_cast<double>(TOTAL) / 1e6 / seconds);
    std::printf("socket_client_cpu: %.2f s\n", cpu);
    std::fflush(stdout);

    // Stall: the reader stops; the client keeps its queue full and its loop running.
    g_stall = 1;
    producer.limit = TOTAL + (64u << 20);
    RunLoop(producer, 2000);  // queue and kernel buffers fill up
    const double stallCpu0 = ThreadCpuSeconds();
    const double s0 = Now();
    RunLoop(producer, STALL_MS);
    const double stallSeconds = Now() - s0;
    double stallCpu = ThreadCpuSeconds() - stallCpu0;
    if (stallCpu < 0)
        stallCpu = 0;  // thread times under Wine can step back by a clock tick
    std::printf("socket_stall_cpu: %.2f %%\n", 100.0 * stallCpu / stallSeconds);
    std::fflush(stdout);

    // Resume: everything queued during the stall must still arrive intact.
    const uint64_t queuedTotal = producer.next;
    producer.limit = queuedTotal;
    g_readerTarget = static_cast<LONG64>(queuedTotal);
    g_stall = 0;
    const bool drained = RunLoop(producer, 60000);
    if (!drained || g_readerError || static_cast<uint64_t>(g_readerBytes) != queuedTotal) {
        std::fprintf(stderr, "stall run lost data (reader error %ld, %lld of %llu bytes)\n",
                     g_readerError, static_cast<long long>(g_readerBytes),
                     static_cast<unsigned long long>(queuedTotal));
        return 1;
    }
    std::printf("socket_stall_resumed_bytes: %llu bytes\n",
                static_cast<unsigned long long>(queuedTotal - TOTAL));

    SocketClose(index);
    WaitForSingleObject(reader, 5000);
    closesocket(g_listener);
    SocketCleanup();
    DestroyWindow(g_window);
    return 0;
}
