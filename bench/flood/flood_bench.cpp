// The reference server's flood mode against the shipped client, and against
// a minimal Win32 reader that only reads and echoes acknowledgements (the
// floor of this machine). Prints:
//   flood_client_ms, flood_floor_ms, flood_ratio      5,000 items + 50,000 events
//   status_client_cpu                                 2,000 status notices/s over 10,000 items
//   alerts_on_client_cpu, alerts_off_client_cpu       the same with a fifth of the items flapping,
//   alerts_cpu_rise                                   with "Show Alerts" on and off
//   client_peak_memory_mb, client_memory_after_mb
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "link/frame.h"
#include "link/wire.h"
#include "res/resource.h"
#include "client_process.h"
#include "refserver.h"

namespace {

std::string g_exe;

double FenceMs(const RefServer& server) {
    const std::string out = server.Output();
    const size_t at = out.find("fence-ack: ");
    return at == std::string::npos ? -1 : std::atof(out.c_str() + at + 11);
}

// The client as Linux sees it (Wine's own figures for another process are
// not reliable): CPU seconds and memory from /proc of the quorvex.exe process.
struct ProcFigures {
    double cpuSeconds = -1;
    double rssMb = -1;
    double peakMb = -1;
};

ProcFigures ClientFigures(const RefServer& server) {
    static int n;
    const std::string name = "proc" + std::to_string(++n);
    const std::string path = server.UnixPath(name);
    // Our client is the one quorvex.exe of this Wine prefix (others may run
    // in other prefixes on a shared machine; with two of ours about, the
    // figures would be ambiguous and are left out).
    RunUnix("set -- $(for p in $(pgrep -x quorvex.exe); do tr '\\0' '\\n' < /proc/$p/environ 2>/dev/null |"
            " grep -qxF \"WINEPREFIX=$WINEPREFIX\" && echo $p; done);"
            " [ $# -eq 1 ] && { cat /proc/$1/stat; grep -E 'VmRSS|VmHWM' /proc/$1/status; } > " +
            path + ".tmp && mv " + path + ".tmp " + path);
    ProcFigures f;
    if (!WaitFor([&] { return GetFileAttributesA(WinPath(path).c_str()) != INVALID_FILE_ATTRIBUTES; }, 5000))
        return f;
    const std::string text = server.ReadFile(name);
    // utime and stime are fields 14 and 15, counted after the command's closing parenthesis.
    const size_t close = text.rfind(')');
    if (close != std::string::npos) {
        unsigned long utime = 0, stime = 0;
        if (std::sscanf(text.c_str() + close + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime,
                        &stime) == 2)
            f.cpuSeconds = (utime + stime) / 100.0;
    }
    const size_t hwm = text.find("VmHWM:"), rss = text.find("VmRSS:");
    if (hwm != std::string::npos)
        f.peakMb = std::atof(text.c_str() + hwm + 6) / 1024.0;
    if (rss != std::string::npos)
        f.rssMb = std::atof(text.c_str() + rss + 6) / 1024.0;
    return f;
}

bool StartClient(const RefServer& server, PROCESS_INFORMATION* pi) {
    return StartClientProcess(g_exe, WinPath(server.UnixPath("")), server.Port(), pi);
}

void StopClient(PROCESS_INFORMATION* pi) {
    StopClientProcess(pi);
}

// The client's CPU (percent of one core) over the next `ms` milliseconds.
double CpuPercent(const RefServer& server, DWORD ms) {
    const ProcFigures before = ClientFigures(server);
    const DWORD t0 = GetTickCount();
    Sleep(ms);
    const ProcFigures after = ClientFigures(server);
    if (before.cpuSeconds < 0 || after.cpuSeconds < 0)
        return -1;
    return 100.0 * (after.cpuSeconds - before.cpuSeconds) / ((GetTickCount() - t0) / 1000.0);
}

// "Show Alerts" in the notification icon's menu, as the user would pick it.
bool ToggleAlerts() {
    HWND tray = FindWindowA(QX_TRAY_WINDOW_CLASS, nullptr);
    return tray != nullptr && SendMessageTimeoutA(tray, WM_COMMAND, IDM_TRAY_SHOW_ALERTS, 0, SMTO_NORMAL, 5000,
                                                  nullptr) != 0;
}

// The floor: read frames as fast as Winsock delivers them and echo each
// acknowledgement notice, nothing else.
struct Floor {
    SOCKET s;
    bool fenceSeen = false;
    static void OnPayload(void* context, const uint8_t* payload, size_t length) {
        auto* self = static_cast<Floor*>(context);
        Pkt pkt;
        DecodeRecord(&pkt, sizeof pkt, payload, length);
        if (pkt.kind != KIND_REQUEST || pkt.code != CODE_EVENT_ACK)
            return;
        uint8_t frame[FRAME_BUFFER_SIZE];
        const size_t n = BuildFrame(frame, sizeof frame, &pkt, sizeof pkt);
        send(self->s, reinterpret_cast<const char*>(frame), static_cast<int>(n), 0);
        if (std::strcmp(pkt.event.itemName, "flood-fence") == 0)
            self->fenceSeen = true;
    }
};

double RunFloor(const std::string& flood) {
    RefServer server;
    if (!server.Start("", {"--flood " + flood, "-q"}))
        return -1;
    Floor floor;
    floor.s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(server.Port());
    addr.sin_addr.s_addr = inet_addr("127.0.0.1");
    if (connect(floor.s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
        return -1;
    static FrameReassembler reassembler;
    char buffer[2048];
    while (!floor.fenceSeen) {
        const int n = recv(floor.s, buffer, sizeof buffer, 0);
        if (n <= 0)
            break;
        FeedFrameReassembler(reassembler, reinterpret_cast<uint8_t*>(buffer), n, Floor::OnPayload, &floor);
    }
    WaitFor([&] { return FenceMs(server) >= 0; }, 30000);
    closesocket(floor.s);
    return FenceMs(server);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: flood_bench QUORVEX_EXE\n");
        return 2;
    }
    g_exe = argv[1][0] == '/' ? WinPath(argv[1]) : argv[1];
    WSADATA wsa;
    WSAStartup(0x0202, &wsa);
    const char* env = std::getenv("QX_FLOOD");
    const std::string flood = env ? env : "items=5000,events=50000";

    // 1. The client drains the flood.
    double clientMs = -1, peakMb = -1;
    {
        RefServer server;
        if (!server.Start("", {"--flood " + flood, "-q"})) {
            std::fprintf(stderr, "%s\n", server.Error().c_str());
            return 1;
        }
        PROCESS_INFORMATION pi = {};
        if (!StartClient(server, &pi)) {
            std::fprintf(stderr, "flood: the client did not start\n");
        } else {
            if (!WaitFor([&] { return FenceMs(server) >= 0; }, 600000))
                std::fprintf(stderr, "flood: no fence echo; server said:\n%s\n", server.Output().c_str());
            clientMs = FenceMs(server);
            peakMb = ClientFigures(server).peakMb;
            StopClient(&pi);
        }
    }
    // 2. The floor on the same stream.
    const double floorMs = RunFloor(flood);

    // 3. Status notices at 2,000 a second over 10,000 items, for 10 s.
    double statusCpu = -1, memBefore = -1, memAfter = -1;
    {
        RefServer server;
        if (server.Start("", {"--flood items=10000,events=0,status-rate=2000", "-q"})) {
            PROCESS_INFORMATION pi = {};
            if (StartClient(server, &pi) && WaitFor([&] { return FenceMs(server) >= 0; }, 600000)) {
                Sleep(1000);
                const ProcFigures before = ClientFigures(server);
                const DWORD t0 = GetTickCount();
                Sleep(10000);
                const ProcFigures after = ClientFigures(server);
                statusCpu = 100.0 * (after.cpuSeconds - before.cpuSeconds) / ((GetTickCount() - t0) / 1000.0);
                memBefore = before.rssMb;
                memAfter = after.rssMb;
            }
            StopClient(&pi);
        }
    }

    // 4. The same rate with a fifth of the items flapping (a change every
    //    5 s each, 400 a second in all), in turns with alerts on and off.
    double alertsOn = -1, alertsOff = -1;
    {
        RefServer server;
        if (server.Start("", {"--flood items=10000,events=0,status-rate=2000,flapping=20", "-q"})) {
            PROCESS_INFORMATION pi = {};
            if (StartClient(server, &pi) && WaitFor([&] { return FenceMs(server) >= 0; }, 600000)) {
                Sleep(1000);
                double sum[2] = {0, 0};
                bool ok = true;
                for (int turn = 0; turn < 4 && ok; ++turn) {
                    const double cpu = CpuPercent(server, 8000);
                    sum[turn % 2] += cpu;
                    ok = cpu >= 0 && ToggleAlerts();  // on, off, on, off
                }
                if (ok) {
                    alertsOn = sum[0] / 2;
                    alertsOff = sum[1] / 2;
                } else {
                    std::fprintf(stderr, "flood: the alerts run gave no figures (no notification icon window?)\n");
                }
            }
            StopClient(&pi);
        }
    }

    std::printf("flood_client_ms: %.0f ms\n", clientMs);
    std::printf("flood_floor_ms: %.0f ms\n", floorMs);
    std::printf("flood_ratio: %.2f x\n", floorMs > 0 ? clientMs / floorMs : -1);
    std::printf("flood_client_peak_memory: %.1f MB\n", peakMb);
    std::printf("status_client_cpu: %.1f %%\n", statusCpu);
    std::printf("status_memory_growth_10s: %.2f MB\n", memAfter - memBefore);
    std::printf("status_client_memory: %.1f MB\n", memAfter);
    std::printf("alerts_on_client_cpu: %.1f %%\n", alertsOn);
    std::printf("alerts_off_client_cpu: %.1f %%\n", alertsOff);
    std::printf("alerts_cpu_rise: %.1f %%\n", alertsOff > 0 ? 100.0 * (alertsOn - alertsOff) / alertsOff : -1);
    return 0;
}
