// The reference server's flood mode against the shipped client, and against
// a minimal Win32 reader that only reads and echoes acknowledgements (the
// floor of this machine). Prints:
//   flood_client_ms, flood_floor_ms, flood_ratio      5,000 items + 50,000 events
//   bytes_per_row_...                                 memory of those rows, and of 1,000 items + 400,000 events
//   status_client_cpu                                 2,000 status notices/s over 10,000 items
//   alerts_on_client_cpu, alerts_off_client_cpu,      the same with a fifth of the items flapping,
//   alerts_cpu_rise                                   in turns with "Show Alerts" on and off
//   status_log_lines_per_s, events_rows_per_s         40,000 logged responses, then 40,000 events
// The client is the shipped program with its main window shown, as a user
// runs it, so every row is drawn and scrolled as it would be.
#include <winsock2.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "client_figures.h"
#include "client_process.h"
#include "core/wire/frame.h"
#include "core/wire/wire.h"
#include "refserver.h"
#include "res/resource.h"

namespace {

std::string g_exe;

double FenceMs(const RefServer& server) {
    return ServerMs(server, "fence-ack: ");
}

bool StartClient(const RefServer& server, PROCESS_INFORMATION* pi) {
    return StartClientProcess(g_exe, WinPath(server.UnixPath("")), server.Port(), pi);
}

void StopClient(PROCESS_INFORMATION* pi) {
    StopClientProcess(pi);
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
        FeedFrameReassembler(reassembler, reinterpret_cast<uint8_t*>(buffer), n, Floor::OnPayload,
                             &floor);
    }
    WaitFor([&] { return FenceMs(server) >= 0; }, 30000);
    closesocket(floor.s);
    return FenceMs(server);
}

// One shown client against one flood: the time to the fence's echo (-1 when
// it never came) and the client's memory then.
struct FloodRun {
    double ms = -1;
    ProcFigures figures;
};

// With `running`, the client is left running there for the caller to stop.
FloodRun RunClient(const std::string& flood, RefServer* server,
                   PROCESS_INFORMATION* running = nullptr) {
    FloodRun run;
    if (!server->Start("", {"--flood " + flood, "-q"})) {
        std::fprintf(stderr, "%s\n", server->Error().c_str());
        return run;
    }
    PROCESS_INFORMATION pi = {};
    if (!StartClient(*server, &pi)) {
        std::fprintf(stderr, "flood %s: the client did not start\n", flood.c_str());
        return run;
    }
    if (!WaitFor([&] { return FenceMs(*server) >= 0; }, 600000))
        std::fprintf(stderr, "flood %s: no fence echo; server said:\n%s\n", flood.c_str(),
                     server->Output().c_str());
    run.ms = FenceMs(*server);
    run.figures = ClientFigures(*server, g_exe);
    if (running != nullptr)
        *running = pi;
    else
        StopClient(&pi);
    return run;
}

// Memory the rows of a flood took, per row: resident memory once the fence
// is echoed, less that of a client that received no rows.
double BytesPerRow(const FloodRun& run, const FloodRun& empty, double rows) {
    if (run.figures.rssMb < 0 || empty.figures.rssMb < 0 || rows <= 0)
        return -1;
    return (run.figures.rssMb - empty.figures.rssMb) * 1024 * 1024 / rows;
}

std::string Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

// The client's CPU (percent of one core) over the next `ms` milliseconds.
double CpuPercent(const RefServer& server, DWORD ms) {
    const ProcFigures before = ClientFigures(server, g_exe);
    const DWORD t0 = GetTickCount();
    Sleep(ms);
    const ProcFigures after = ClientFigures(server, g_exe);
    if (before.cpuSeconds < 0 || after.cpuSeconds < 0)
        return -1;
    return 100.0 * (after.cpuSeconds - before.cpuSeconds) / ((GetTickCount() - t0) / 1000.0);
}

// "Show Alerts" in the notification icon's menu, as the user would pick it.
bool ToggleAlerts() {
    HWND tray = FindWindowA(QX_TRAY_WINDOW_CLASS, nullptr);
    return tray != nullptr && SendMessageTimeoutA(tray, WM_COMMAND, IDM_TRAY_SHOW_ALERTS, 0,
                                                  SMTO_NORMAL, 5000, nullptr) != 0;
}

// QX_BENCH_PARTS (default all): a comma-separated choice of flood, status,
// alerts, log and memory.
bool Part(const char* name) {
    const std::string parts = "," + Env("QX_BENCH_PARTS", "flood,status,alerts,log,memory") + ",";
    return parts.find("," + std::string(name) + ",") != std::string::npos;
}

int Number(const char* name, int fallback) {
    return std::atoi(Env(name, std::to_string(fallback).c_str()).c_str());
}

void Print(const char* format, double value) {
    std::printf(format, value);
    std::fflush(stdout);
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

    // The memory of a client that received no rows, to tell what rows take.
    FloodRun empty;
    if (Part("flood") || Part("memory")) {
        RefServer server;
        empty = RunClient("items=0,events=0", &server);
        Print("empty_client_memory: %.1f MB\n", empty.figures.rssMb);
    }

    // The client drains a flood of items and events; a minimal reader
    // drains the same stream.
    if (Part("flood")) {
        const int items = Number("QX_FLOOD_ITEMS", 5000), events = Number("QX_FLOOD_EVENTS", 50000);
        const std::string flood =
            "items=" + std::to_string(items) + ",events=" + std::to_string(events);
        FloodRun full;
        {
            RefServer server;
            full = RunClient(flood, &server);
        }
        const double floorMs = RunFloor(flood);
        Print("flood_client_ms: %.0f ms\n", full.ms);
        Print("flood_floor_ms: %.0f ms\n", floorMs);
        Print("flood_ratio: %.2f x\n", floorMs > 0 ? full.ms / floorMs : -1);
        Print("flood_client_peak_memory: %.1f MB\n", full.figures.peakMb);
        Print("flood_client_memory: %.1f MB\n", full.figures.rssMb);
        std::printf("bytes_per_row_%dk_items_%dk_events: ", items / 1000, events / 1000);
        Print("%.0f B\n", BytesPerRow(full, empty, items + events));
    }

    // Status notices at 2,000 a second over 10,000 items, for 10 s.
    if (Part("status")) {
        double statusCpu = -1, memBefore = -1, memAfter = -1;
        RefServer server;
        PROCESS_INFORMATION pi = {};
        if (RunClient("items=10000,events=0,status-rate=2000", &server, &pi).ms >= 0) {
            Sleep(1000);
            const ProcFigures before = ClientFigures(server, g_exe);
            const DWORD t0 = GetTickCount();
            Sleep(10000);
            const ProcFigures after = ClientFigures(server, g_exe);
            statusCpu =
                100.0 * (after.cpuSeconds - before.cpuSeconds) / ((GetTickCount() - t0) / 1000.0);
            memBefore = before.rssMb;
            memAfter = after.rssMb;
        }
        if (pi.hProcess != nullptr)
            StopClient(&pi);
        Print("status_client_cpu: %.1f %%\n", statusCpu);
        Print("status_memory_growth_10s: %.2f MB\n", memAfter - memBefore);
        Print("status_client_memory: %.1f MB\n", memAfter);
    }

    // The same rate with a fifth of the items flapping (a change every 5 s
    // each, 400 a second in all), in turns with alerts on and off.
    if (Part("alerts")) {
        double on = -1, off = -1;
        RefServer server;
        PROCESS_INFORMATION pi = {};
        if (RunClient("items=10000,events=0,status-rate=2000,flapping=20", &server, &pi).ms >= 0) {
            Sleep(1000);
            double sum[2] = {0, 0};
            bool ok = true;
            for (int turn = 0; turn < 6 && ok; ++turn) {
                const double cpu = CpuPercent(server, 8000);
                sum[turn % 2] += cpu;
                ok = cpu >= 0 && ToggleAlerts();  // on, off, on, off, on, off
            }
            if (ok) {
                on = sum[0] / 3;
                off = sum[1] / 3;
            } else {
                std::fprintf(stderr, "alerts: no figures (no notification icon window?)\n");
            }
        }
        if (pi.hProcess != nullptr)
            StopClient(&pi);
        Print("alerts_on_client_cpu: %.1f %%\n", on);
        Print("alerts_off_client_cpu: %.1f %%\n", off);
        Print("alerts_cpu_rise: %.1f %%\n", off > 0 ? 100.0 * (on - off) / off : -1);
    }

    // Logged responses, then events, in one stream: each phase is timed
    // between the echoes of the acknowledged marks around it. More lines
    // than the log holds, so the oldest are being removed too.
    if (Part("log")) {
        const int lines = Number("QX_LOG_LINES", 40000), events = Number("QX_LOG_EVENTS", 40000);
        double linesPerS = -1, eventsPerS = -1;
        RefServer server;
        if (RunClient("responses=" + std::to_string(lines) + ",events=" + std::to_string(events),
                      &server)
                .ms >= 0) {
            const double start = ServerMs(server, "mark-ack: start ");
            const double logged = ServerMs(server, "mark-ack: responses ");
            const double fence = FenceMs(server);
            if (start >= 0 && logged > start)
                linesPerS = lines / ((logged - start) / 1000.0);
            if (logged >= 0 && fence > logged)
                eventsPerS = events / ((fence - logged) / 1000.0);
        }
        Print("status_log_lines_per_s: %.0f lines/s\n", linesPerS);
        Print("events_rows_per_s: %.0f rows/s\n", eventsPerS);
    }

    // Memory with many more events than items.
    if (Part("memory")) {
        const int items = Number("QX_BIG_ITEMS", 1000), events = Number("QX_BIG_EVENTS", 400000);
        FloodRun big;
        {
            RefServer server;
            big = RunClient("items=" + std::to_string(items) + ",events=" + std::to_string(events),
                            &server);
        }
        Print("big_flood_client_ms: %.0f ms\n", big.ms);
        Print("big_client_peak_memory: %.1f MB\n", big.figures.peakMb);
        Print("big_client_memory: %.1f MB\n", big.figures.rssMb);
        std::printf("bytes_per_row_%dk_items_%dk_events: ", items / 1000, events / 1000);
        Print("%.0f B\n", BytesPerRow(big, empty, items + events));
    }
    return 0;
}
