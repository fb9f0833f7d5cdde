// The reference server's flood mode against the shipped client, each run side
// by side with the floor (flood_floor.exe: the same network work with no
// window), QX_BENCH_RUNS times (default three). Per run N it prints:
//   flood_{client,floor}_ms.N, flood_ratio.N       sync of 5,000 items + 50,000 events
//   ..._cpu_ms.N, ..._feeder_cpu_ms.N, ..._acks_*  the reader's and the server's CPU, the
//                                                  acknowledgements the server checked
//   bytes_per_row_5k_items_50k_events.N            the memory those rows take
//   trace_{on,off}_client_ms.N, trace_cost.N       the same sync with QUORVEX_TRACE on and off
//   status_{client,floor}_cpu.N, status_ratio.N    2,000 status notices/s over 10,000 items
//   status_log_lines_per_s.N, events_rows_per_s.N  40,000 logged responses, then 40,000 events
//   bytes_per_row_1k_items_400k_events.N,          1,000 items + 400,000 events: memory, and
//   big_flood_us_per_row.N, us_per_row_rise.N      time per row against that of the sync
//   clear_client_ms.N, big_clear_client_ms.N       Disconnect pressed after either sync: until
//                                                  the emptied lists let the client answer
//   big_sync_click_{max,median}_ms.N,              during the 1,000 + 400,000 sync, a real click
//   big_sync_clicks.N                              on "Event View Depth" every 2 s (SendInput
//                                                  from here) until its drop-down list shows
//   big_sync_events_paints_per_s.N                 changes of the events list's picture on
//                                                  screen, read every 50 ms
//   big_clear_empty_on_screen_ms.N,                Disconnect after it: until the events list
//   big_clear_click_max_ms.N, big_clear_clicks.N,  shows no rows, the longest wait for a real
//   big_clear_memory_back_ms.N,                    click (one every 200 ms), until the memory
//   big_clear_memory_end.N,                        is back within 10 % of a fresh client's,
//   big_clear_anon_memory_end.N                    and the memory then (or after 120 s), all
//                                                  and the part that is no file's pages
//   big_export_client_ms.N, big_export_rows.N,     with the export part: "Export to CSV..." of
//   big_export_click_max_ms.N,                     the events list after such a sync (a client
//   big_export_clicks.N                            of its own), as a person picks it, from Save
//                                                  until the file is there,
//                                                  and the longest wait for a real click (one
//                                                  every 200 ms, for at least 2 s from Save)
//   log_quit_client_ms.N                           closing the client with 40,000 events and
//                                                  30,000 log lines, until the process ends
// and once: alerts_on/off_client_cpu (a fifth of the items flapping, "Show
// Alerts" on and off in turns) and the floor's spread over the runs.
// The client is the shipped program with its main window shown, as a user
// runs it, so every row is drawn and scrolled as it would be. The server is
// an optimised build that prepares its whole stream before it listens.
// What a person would see and feel is read from outside (outside_user.h):
// clicks go through the input queue, their answers and the lists' pictures
// are read from the wineserver and the screen, never from the client's thread.
#include <winsock2.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "client_figures.h"
#include "client_process.h"
#include "flood_floor.h"
#include "outside_user.h"
#include "refserver.h"
#include "res/resource.h"

namespace {

std::string g_exe;    // the client's Windows path
std::string g_floor;  // flood_floor.exe's

// The shipped client or the floor.
enum class Reader { Client, Floor };

const std::string& ExeOf(Reader reader) {
    return reader == Reader::Client ? g_exe : g_floor;
}

double FenceMs(const RefServer& server) {
    return ServerMs(server, "fence-ack: ");
}

// Starts the reader against `server`; `atRest` receives its figures (and the
// server's) just before it connects.
bool StartReader(Reader reader, const RefServer& server, PROCESS_INFORMATION* pi, Figures* atRest) {
    auto read = [&] { *atRest = ReadFigures(server, ExeOf(reader)); };
    if (reader == Reader::Client)
        return StartClientProcess(g_exe, WinPath(server.UnixPath("")), server.Port(), pi, read);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    std::string cmd = "\"" + g_floor + "\" " + std::to_string(server.Port());
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, pi))
        return false;
    HWND window = nullptr;
    if (!WaitFor([&] { return (window = FindWindowA(QX_FLOOR_WINDOW_CLASS, nullptr)) != nullptr; },
                 30000))
        return false;
    read();
    return PostMessageA(window, WM_FLOOR_CONNECT, 0, 0) != 0;
}

// Returns the client's quit time (WM_CLOSE to the end of its process), else -1.
double StopReader(Reader reader, PROCESS_INFORMATION* pi) {
    double quitMs = -1;
    if (pi->hProcess == nullptr)
        return quitMs;
    if (reader == Reader::Client) {
        const DWORD start = GetTickCount();
        if (StopClientProcess(pi) != -1)  // -1: killed after 20 s
            quitMs = GetTickCount() - start;
    } else {
        if (HWND window = FindWindowA(QX_FLOOR_WINDOW_CLASS, nullptr))
            PostMessageA(window, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(pi->hProcess, 20000) != WAIT_OBJECT_0)
            TerminateProcess(pi->hProcess, 1);
        CloseHandle(pi->hThread);
        CloseHandle(pi->hProcess);
    }
    *pi = {};
    return quitMs;
}

// One reader against one flood, timed from the server's accept to the
// fence's echo (-1 when it never came).
struct FloodRun {
    double ms = -1;
    double cpuMs = -1;            // the reader's CPU from just before it connected to the fence
    double feederCpuMs = -1;      // the server's over the same span,
    double wineserverCpuMs = -1;  // the wineserver's
    double displayCpuMs = -1;     // and the X server's
    double othersCpuMs = -1;      // the rest of the machine's (all cores)
    ProcFigures atFence;          // the reader once the fence is echoed
    long acksSent = -1;           // acknowledgements the server sent and got back unchanged,
    long acksVerified = -1;       // counted when the reader has gone
    double quitMs = -1;           // the client's: from WM_CLOSE to the end of its process
};

// The client's main window.
HWND ClientWindow() {
    return FindWindowA(QX_MAIN_WINDOW_CLASS, "Quorvex Client");
}

// Presses Disconnect in the client's panel and times how long the client
// takes to answer again: the emptying of both lists (the status log keeps
// its lines). -1 when it did not answer within ten minutes. `meanwhile`
// (if any) runs from the press on, given its tick count, while another
// thread waits for that answer.
double DisconnectMs(const std::function<void(DWORD pressed)>& meanwhile = nullptr) {
    HWND main = ClientWindow();
    HWND button = main ? PanelControl(main, IDC_PANEL_CONNECT) : nullptr;
    if (button == nullptr)
        return -1;
    const DWORD start = GetTickCount();
    PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(IDC_PANEL_CONNECT, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
    double ms = -1;
    std::thread answer([&] {
        DWORD_PTR result;
        if (SendMessageTimeoutA(main, WM_NULL, 0, 0, SMTO_NORMAL, 600000, &result))
            ms = GetTickCount() - start;
    });
    if (meanwhile)
        meanwhile(start);
    answer.join();
    return ms;
}

// How long a person waits at most for the answer to a click before it
// counts as never answered.
constexpr DWORD kClickLimitMs = 60000;

// Calls `sample` every `everyMs` milliseconds on a thread of its own, from
// construction to destruction.
class EveryFewMs {
public:
    EveryFewMs(DWORD everyMs, const std::function<void()>& sample)
        : thread_([this, everyMs, sample] {
              while (!stop_) {
                  sample();
                  Sleep(everyMs);
              }
          }) {}
    ~EveryFewMs() {
        stop_ = true;
        thread_.join();
    }

private:
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// The panel's controls that a person watches and clicks; null when the
// main window is not there.
struct PanelView {
    HWND depth = nullptr;   // the "Event View Depth" combo box
    HWND events = nullptr;  // the events list
    explicit PanelView(HWND main)
        : depth(main ? PanelControl(main, IDC_PANEL_DEPTH) : nullptr),
          events(main ? PanelControl(main, IDC_PANEL_EVENTS) : nullptr) {}
    bool Found() const { return depth != nullptr && events != nullptr; }
};

// What a person saw of the client during a sync: the answer time of a real
// click on "Event View Depth" (a click every 2 s, or as soon as the last
// one was answered when that took longer), and how often the picture of
// the events list changed on screen, per second.
struct SyncView {
    std::vector<double> clickMs;
    double paintsPerS = -1;
};

// Watches from the time the connect dialog has gone until `synced`. The
// screen is read every 50 ms, except while the combo's open drop-down list
// covers a part of the events list.
SyncView WatchSync(const std::function<bool()>& synced) {
    SyncView view;
    const PanelView panel(ClientWindow());
    if (!panel.Found() ||
        !WaitFor([] { return FindWindowA(nullptr, "Connect to Quorvex Server") == nullptr; },
                 30000))
        return view;
    const HWND dropDown = DropDownOf(panel.depth);
    if (dropDown == nullptr)
        return view;
    std::atomic<long> changes{0};
    const DWORD start = GetTickCount();
    {
        uint64_t last = 0;
        EveryFewMs sampler(50, [&] {
            const RECT rows = RowsOnScreen(panel.events);
            RECT list, overlap;
            if (IsWindowVisible(dropDown) && GetWindowRect(dropDown, &list) &&
                IntersectRect(&overlap, &rows, &list))
                return;
            const std::vector<uint32_t> pixels = ScreenPixels(rows);
            if (pixels.empty())
                return;
            const uint64_t sum = PictureSum(pixels);
            if (last != 0 && sum != last)
                ++changes;
            last = sum;
        });
        while (!synced()) {
            const DWORD clicked = GetTickCount();
            view.clickMs.push_back(ComboAnswerMs(panel.depth, kClickLimitMs));
            const DWORD took = GetTickCount() - clicked;
            if (took < 2000)
                WaitFor(synced, 2000 - took);
        }
    }
    const double seconds = (GetTickCount() - start) / 1000.0;
    view.paintsPerS = seconds > 0 ? changes / seconds : -1;
    return view;
}

// A real click on the combo box every 200 ms (or as soon as the last one
// was answered, when that took longer) while `goOn()`: the longest wait
// for an answer, and how many clicks.
void ClickEvery200Ms(HWND combo, const std::function<bool()>& goOn, double* longestMs,
                     int* clicks) {
    while (goOn()) {
        const DWORD clicked = GetTickCount();
        *longestMs = std::max(*longestMs, ComboAnswerMs(combo, kClickLimitMs));
        ++*clicks;
        const DWORD took = GetTickCount() - clicked;
        if (took < 200)
            Sleep(200 - took);
    }
}

// What a person saw of the client while Disconnect emptied its lists, each
// time from the press: until the events list showed no rows (its rows'
// area on screen all of one colour, read every 20 ms: the row count would
// have to be asked of the client's own thread), the longest wait for the
// answer to a real click on "Event View Depth" (one every 200 ms, until
// the list is empty and the memory back, at most 120 s), and until the
// client's resident memory was back within 10 % of a freshly connected
// client's (read every 500 ms).
struct EmptyingView {
    double emptyMs = -1;
    double longestClickMs = -1;
    int clicks = 0;
    double memoryMs = -1;
    double lastMb = -1;  // the resident memory at the last reading
    double lastAnonMb = -1;  // and its part that is no file's
};

EmptyingView WatchEmptying(const RefServer& server, double freshMb, DWORD pressed) {
    EmptyingView view;
    const PanelView panel(ClientWindow());
    if (!panel.Found() || DropDownOf(panel.depth) == nullptr)
        return view;
    std::atomic<double> emptyMs{-1}, memoryMs{-1}, lastMb{-1}, lastAnonMb{-1};
    auto since = [pressed] { return static_cast<double>(GetTickCount() - pressed); };
    {
        EveryFewMs screen(20, [&] {
            if (emptyMs < 0 && IsPlain(ScreenPixels(RowsOnScreen(panel.events))))
                emptyMs = since();
        });
        EveryFewMs memory(500, [&] {
            const ProcFigures now = ReadFigures(server, g_exe).process;
            const double mb = now.rssMb;
            lastMb = mb;
            lastAnonMb = now.anonMb;
            if (memoryMs < 0 && freshMb > 0 && mb >= 0 && mb <= 1.1 * freshMb)
                memoryMs = since();
        });
        ClickEvery200Ms(panel.depth,
                        [&] { return (emptyMs < 0 || memoryMs < 0) && since() < 120000; },
                        &view.longestClickMs, &view.clicks);
    }
    view.emptyMs = emptyMs;
    view.memoryMs = memoryMs;
    view.lastMb = lastMb;
    view.lastAnonMb = lastAnonMb;
    return view;
}

// What a person saw of "Export to CSV..." on the events list: a right-click
// on the list, the menu's last command (Up, Enter), the file's name put in
// the Save As dialog's name field and Save clicked. Timed from that click
// until the file is there under its name (the client writes a temporary
// file and moves it over the target when whole); meanwhile a real click on
// "Event View Depth" every 200 ms, from the dialog's going until the file
// is there and for at least 2 s after Save. The rows are the file's lines
// less the header.
struct ExportView {
    double ms = -1;
    long rows = -1;
    double longestClickMs = -1;
    int clicks = 0;
};

BOOL CALLBACK FirstShownEdit(HWND child, LPARAM found) {
    char name[16];
    if (GetClassNameA(child, name, sizeof name) && lstrcmpiA(name, "Edit") == 0 &&
        IsWindowVisible(child)) {
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
    }
    return TRUE;
}

// The first shown edit field among the dialog's windows: the file's name.
HWND NameFieldOf(HWND dialog) {
    HWND field = nullptr;
    EnumChildWindows(dialog, FirstShownEdit, reinterpret_cast<LPARAM>(&field));
    return field;
}

long LinesOf(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return -1;
    long lines = 0;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        lines += static_cast<long>(std::count(buffer, buffer + got, '\n'));
    std::fclose(file);
    return lines;
}

// The text of another process's edit field, asked with a limit.
std::string FieldText(HWND field) {
    char text[MAX_PATH] = "";
    DWORD_PTR result;
    if (!SendMessageTimeoutA(field, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_NORMAL, 5000, &result))
        return "";
    return text;
}

// Opens the list's Save As dialog as a person would, trying again as a
// person would when a click or a key was lost under Wine (the menu did not
// show, or stayed): the dialog, or null.
HWND OpenExportDialog(HWND list) {
    const DWORD thread = GetWindowThreadProcessId(list, nullptr);
    auto menu = [thread] { return ShownWindowOf(thread, "#32768"); };
    HWND dialog = nullptr;
    for (int attempt = 0; attempt < 3 && dialog == nullptr; ++attempt) {
        if (menu() == nullptr && (!RightClickCentre(list) || !WaitFor([&] { return menu(); }, 3000)))
            continue;
        PressKeys({VK_UP, VK_RETURN});
        WaitFor([&] { return (dialog = ShownWindowOf(thread, "#32770")) != nullptr; }, 5000);
        if (dialog == nullptr && menu() != nullptr)
            PressKeys({VK_ESCAPE});
    }
    return dialog;
}

ExportView WatchExport() {
    ExportView view;
    const PanelView panel(ClientWindow());
    if (!panel.Found() || DropDownOf(panel.depth) == nullptr)
        return view;
    char folder[MAX_PATH];
    if (GetTempPathA(sizeof folder, folder) == 0)
        return view;
    const std::string path = std::string(folder) + "quorvex-bench-export.csv";
    DeleteFileA(path.c_str());
    const HWND dialog = OpenExportDialog(panel.events);
    HWND field = nullptr, save = nullptr;
    // The dialog puts its suggested name in the field as it starts; the
    // bench's name goes in after it.
    if (dialog == nullptr ||
        !WaitFor([&] { return (field = NameFieldOf(dialog)) != nullptr && !FieldText(field).empty(); },
                 10000) ||
        (save = GetDlgItem(dialog, IDOK)) == nullptr) {
        std::printf("export: no Save As dialog\n");
        PressKeys({VK_ESCAPE});
        return view;
    }
    DWORD_PTR result;
    WaitFor(
        [&] {
            SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()),
                                SMTO_NORMAL, 5000, &result);
            return FieldText(field) == path;
        },
        5000, 100);
    auto open = [&] { return IsWindow(dialog) && IsWindowVisible(dialog); };
    auto there = [&] { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; };
    std::atomic<DWORD> saved{GetTickCount()};
    auto since = [&saved] { return static_cast<double>(GetTickCount() - saved); };
    std::atomic<double> ms{-1};
    {
        EveryFewMs file(10, [&] {
            if (ms < 0 && there())
                ms = since();
        });
        // Timed from the click that the dialog answered.
        for (int attempt = 0; attempt < 3 && open(); ++attempt) {
            saved = GetTickCount();
            ClickCentre(save);
            WaitFor([&] { return !open(); }, 3000);
        }
        if (open()) {
            std::printf("export: the Save As dialog stayed\n");
            PressKeys({VK_ESCAPE});
            return view;
        }
        ClickEvery200Ms(panel.depth,
                        [&] { return (ms < 0 || since() < 2000) && since() < 120000; },
                        &view.longestClickMs, &view.clicks);
    }
    view.ms = ms;
    const long lines = view.ms >= 0 ? LinesOf(path) : -1;
    view.rows = lines > 0 ? lines - 1 : -1;
    DeleteFileA(path.c_str());
    return view;
}

double CpuMs(const ProcFigures& from, const ProcFigures& to) {
    return from.cpuSeconds < 0 || to.cpuSeconds < 0 ? -1 : 1000 * (to.cpuSeconds - from.cpuSeconds);
}

// What the machine ran besides the reader, the feeder and the window system
// between two readings: the first suspect when a figure varies.
double OthersCpuMs(const Figures& from, const Figures& to) {
    double ours = 0;
    for (ProcFigures Figures::*who :
         {&Figures::process, &Figures::feeder, &Figures::wineserver, &Figures::display}) {
        const double ms = CpuMs(from.*who, to.*who);
        if (ms < 0)
            return -1;
        ours += ms;
    }
    if (from.machineBusySeconds < 0 || to.machineBusySeconds < 0)
        return -1;
    return 1000 * (to.machineBusySeconds - from.machineBusySeconds) - ours;
}

// With `running`, the reader is left running there for the caller to stop;
// else `whileRunning` (if any) runs once the fence is echoed and the figures read,
// before the reader is stopped. `duringSync` (if any) runs once the reader
// has started, given a test of whether the fence has been echoed.
FloodRun RunFlood(
    Reader reader, const std::string& flood, RefServer* server,
    PROCESS_INFORMATION* running = nullptr, const std::function<void()>& whileRunning = nullptr,
    const std::function<void(const std::function<bool()>& synced)>& duringSync = nullptr) {
    FloodRun run;
    if (!server->Start("", {"--flood " + flood, "-q"})) {
        std::fprintf(stderr, "%s\n", server->Error().c_str());
        return run;
    }
    PROCESS_INFORMATION pi = {};
    Figures atRest;
    if (!StartReader(reader, *server, &pi, &atRest)) {
        std::fprintf(stderr, "flood %s: the reader did not start\n", flood.c_str());
        StopReader(reader, &pi);
        return run;
    }
    if (duringSync)
        duringSync([&] { return FenceMs(*server) >= 0; });
    if (!WaitFor([&] { return FenceMs(*server) >= 0; }, 600000))
        std::fprintf(stderr, "flood %s: no fence echo; server said:\n%s\n", flood.c_str(),
                     server->Output().c_str());
    run.ms = FenceMs(*server);
    const Figures atFence = ReadFigures(*server, ExeOf(reader));
    run.atFence = atFence.process;
    run.cpuMs = CpuMs(atRest.process, atFence.process);
    run.feederCpuMs = CpuMs(atRest.feeder, atFence.feeder);
    run.wineserverCpuMs = CpuMs(atRest.wineserver, atFence.wineserver);
    run.displayCpuMs = CpuMs(atRest.display, atFence.display);
    run.othersCpuMs = OthersCpuMs(atRest, atFence);
    if (running != nullptr) {
        *running = pi;
        return run;
    }
    if (whileRunning)
        whileRunning();
    run.quitMs = StopReader(reader, &pi);
    WaitFor([&] { return ServerCount(*server, "acks: ", "sent=") >= 0; }, 20000);
    run.acksSent = ServerCount(*server, "acks: ", "sent=");
    run.acksVerified = ServerCount(*server, "acks: ", "verified=");
    return run;
}

std::string Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v ? v : fallback;
}

// QX_BENCH_PARTS (default all): a comma-separated choice of flood, trace,
// status, alerts, log, memory and export (within the memory part's runs).
bool Part(const char* name) {
    const std::string parts =
        "," + Env("QX_BENCH_PARTS", "flood,trace,status,alerts,log,memory,export") + ",";
    return parts.find("," + std::string(name) + ",") != std::string::npos;
}

int Number(const char* name, int fallback) {
    return std::atoi(Env(name, std::to_string(fallback).c_str()).c_str());
}

// "name.N: value unit", flushed at once.
void Print(const std::string& name, int run, const char* format, double value) {
    std::printf("%s", name.c_str());
    if (run > 0)
        std::printf(".%d", run);
    std::printf(": ");
    std::printf(format, value);
    std::printf("\n");
    std::fflush(stdout);
}

double Ratio(double a, double b) {
    return a >= 0 && b > 0 ? a / b : -1;
}

double Largest(const std::vector<double>& values) {
    return values.empty() ? -1 : *std::max_element(values.begin(), values.end());
}

double Median(std::vector<double> values) {
    if (values.empty())
        return -1;
    const size_t half = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + half, values.end());
    const double upper = values[half];
    if (values.size() % 2 == 1)
        return upper;
    return (upper + *std::max_element(values.begin(), values.begin() + half)) / 2;
}

// How far apart the runs of a figure are: (largest - smallest) / smallest.
double SpreadPercent(const std::vector<double>& runs) {
    if (runs.empty() || *std::min_element(runs.begin(), runs.end()) <= 0)
        return -1;
    const auto [low, high] = std::minmax_element(runs.begin(), runs.end());
    return 100.0 * (*high - *low) / *low;
}

void PrintFlood(const std::string& who, int run, const FloodRun& r) {
    Print("flood_" + who + "_ms", run, "%.0f ms", r.ms);
    Print("flood_" + who + "_cpu_ms", run, "%.0f ms", r.cpuMs);
    Print("flood_" + who + "_feeder_cpu_ms", run, "%.0f ms", r.feederCpuMs);
    Print("flood_" + who + "_wineserver_cpu_ms", run, "%.0f ms", r.wineserverCpuMs);
    Print("flood_" + who + "_x_cpu_ms", run, "%.0f ms", r.displayCpuMs);
    Print("flood_" + who + "_others_cpu_ms", run, "%.0f ms", r.othersCpuMs);
    Print("flood_" + who + "_acks_sent", run, "%.0f acks", r.acksSent);
    Print("flood_" + who + "_acks_verified", run, "%.0f acks", r.acksVerified);
}

// Memory a flood's rows took, per row: resident memory once the fence is
// echoed, less that of a connected client that received no rows, taken just
// before.
double BytesPerRow(const FloodRun& run, double emptyMb, double rows) {
    if (run.atFence.rssMb < 0 || emptyMb < 0 || rows <= 0)
        return -1;
    return (run.atFence.rssMb - emptyMb) * 1024 * 1024 / rows;
}

ProcFigures EmptyClient(int run) {
    RefServer server;
    const ProcFigures fresh = RunFlood(Reader::Client, "items=0,events=0", &server).atFence;
    Print("empty_client_memory", run, "%.1f MB", fresh.rssMb);
    Print("empty_client_anon_memory", run, "%.1f MB", fresh.anonMb);
    return fresh;
}

std::string FloodSpec(int items, int events) {
    return "items=" + std::to_string(items) + ",events=" + std::to_string(events);
}

// The sync with QUORVEX_TRACE pointed at `trace` (a Windows path); the size
// the trace reached, in MB, then it is deleted.
FloodRun TracedRun(const std::string& flood, const std::string& trace, double* traceMb) {
    SetEnvironmentVariableA("QUORVEX_TRACE", trace.c_str());
    FloodRun run;
    {
        RefServer server;
        run = RunFlood(Reader::Client, flood, &server);
    }
    SetEnvironmentVariableA("QUORVEX_TRACE", nullptr);
    WIN32_FILE_ATTRIBUTE_DATA data;
    *traceMb = GetFileAttributesExA(trace.c_str(), GetFileExInfoStandard, &data)
                   ? (static_cast<double>(data.nFileSizeHigh) * 4294967296.0 + data.nFileSizeLow) /
                         (1024 * 1024)
                   : -1;
    DeleteFileA(trace.c_str());
    return run;
}

// The sync of 5,000 items + 50,000 events: client, floor and, with the trace
// part, the client again with the trace on. Returns the client's times.
std::vector<double> SyncRuns(int runs) {
    const int items = Number("QX_FLOOD_ITEMS", 5000), events = Number("QX_FLOOD_EVENTS", 50000);
    const std::string flood = FloodSpec(items, events);
    const std::string rowsName = "bytes_per_row_" + std::to_string(items / 1000) + "k_items_" +
                                 std::to_string(events / 1000) + "k_events";
    const std::string trace = WinPath(Env("QX_BENCH_TRACE", "/tmp/qx-bench-trace.txt"));
    std::vector<double> clientMs, floorMs;
    for (int n = 1; n <= runs; ++n) {
        const double emptyMb = Part("flood") ? EmptyClient(n).rssMb : -1;
        FloodRun client;
        double clearMs = -1;
        {
            RefServer server;
            client = RunFlood(Reader::Client, flood, &server, nullptr,
                              [&] { clearMs = Part("flood") ? DisconnectMs() : -1; });
        }
        clientMs.push_back(client.ms);
        if (Part("flood")) {
            FloodRun floor;
            {
                RefServer server;
                floor = RunFlood(Reader::Floor, flood, &server);
            }
            floorMs.push_back(floor.ms);
            PrintFlood("client", n, client);
            PrintFlood("floor", n, floor);
            Print("flood_ratio", n, "%.2f x", Ratio(client.ms, floor.ms));
            Print("flood_client_peak_memory", n, "%.1f MB", client.atFence.peakMb);
            Print(rowsName, n, "%.0f B", BytesPerRow(client, emptyMb, items + events));
            Print("clear_client_ms", n, "%.0f ms", clearMs);
        }
        if (Part("trace")) {
            double traceMb = -1;
            const FloodRun traced = TracedRun(flood, trace, &traceMb);
            Print("trace_off_client_ms", n, "%.0f ms", client.ms);
            Print("trace_on_client_ms", n, "%.0f ms", traced.ms);
            Print("trace_on_feeder_cpu_ms", n, "%.0f ms", traced.feederCpuMs);
            Print("trace_file_size", n, "%.0f MB", traceMb);
            Print("trace_cost", n, "%+.1f %%", 100 * (Ratio(traced.ms, client.ms) - 1));
        }
    }
    if (Part("flood")) {
        Print("flood_floor_spread", 0, "%.0f %%", SpreadPercent(floorMs));
        Print("flood_client_spread", 0, "%.0f %%", SpreadPercent(clientMs));
    }
    return clientMs;
}

// 2,000 status notices a second over 10,000 items, for 10 s after the sync,
// read by the client and then by the floor.
void StatusRuns(int runs) {
    std::vector<double> floorCpu;
    for (int n = 1; n <= runs; ++n) {
        double cpu[2] = {-1, -1}, feederCpu[2] = {-1, -1}, wineserverCpu[2] = {-1, -1},
               displayCpu[2] = {-1, -1}, othersCpu[2] = {-1, -1}, growthMb = -1;
        for (Reader reader : {Reader::Client, Reader::Floor}) {
            const int k = reader == Reader::Client ? 0 : 1;
            RefServer server;
            PROCESS_INFORMATION pi = {};
            if (RunFlood(reader, "items=10000,events=0,status-rate=2000", &server, &pi).ms >= 0) {
                Sleep(1000);
                const Figures before = ReadFigures(server, ExeOf(reader));
                Sleep(10000);
                const Figures after = ReadFigures(server, ExeOf(reader));
                cpu[k] = CpuPercent(before, after);
                feederCpu[k] = CpuPercent(before, after, &Figures::feeder);
                wineserverCpu[k] = CpuPercent(before, after, &Figures::wineserver);
                displayCpu[k] = CpuPercent(before, after, &Figures::display);
                othersCpu[k] =
                    OthersCpuMs(before, after) / 10 / (after.atSeconds - before.atSeconds);
                if (reader == Reader::Client && before.process.rssMb >= 0 &&
                    after.process.rssMb >= 0)
                    growthMb = after.process.rssMb - before.process.rssMb;
            }
            StopReader(reader, &pi);
        }
        floorCpu.push_back(cpu[1]);
        for (int k = 0; k < 2; ++k) {
            const std::string who = k == 0 ? "status_client" : "status_floor";
            Print(who + "_cpu", n, "%.1f %%", cpu[k]);
            Print(who + "_feeder_cpu", n, "%.1f %%", feederCpu[k]);
            Print(who + "_wineserver_cpu", n, "%.1f %%", wineserverCpu[k]);
            Print(who + "_x_cpu", n, "%.1f %%", displayCpu[k]);
            Print(who + "_others_cpu", n, "%.1f %%", othersCpu[k]);
        }
        Print("status_ratio", n, "%.1f x", Ratio(cpu[0], cpu[1]));
        Print("status_memory_growth_10s", n, "%.2f MB", growthMb);
    }
    Print("status_floor_spread", 0, "%.0f %%", SpreadPercent(floorCpu));
}

// "Show Alerts" in the notification icon's menu, as the user would pick it.
bool ToggleAlerts() {
    HWND tray = FindWindowA(QX_TRAY_WINDOW_CLASS, nullptr);
    return tray != nullptr && SendMessageTimeoutA(tray, WM_COMMAND, IDM_TRAY_SHOW_ALERTS, 0,
                                                  SMTO_NORMAL, 5000, nullptr) != 0;
}

// The status rate with a fifth of the items flapping (a change every 5 s
// each, 400 a second in all), in turns with alerts on and off.
void AlertsRun() {
    double on = -1, off = -1;
    RefServer server;
    PROCESS_INFORMATION pi = {};
    if (RunFlood(Reader::Client, "items=10000,events=0,status-rate=2000,flapping=20", &server, &pi)
            .ms >= 0) {
        Sleep(1000);
        double sum[2] = {0, 0};
        bool ok = true;
        for (int turn = 0; turn < 6 && ok; ++turn) {
            const Figures before = ReadFigures(server, g_exe);
            Sleep(8000);
            const double cpu = CpuPercent(before, ReadFigures(server, g_exe));
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
    StopReader(Reader::Client, &pi);
    Print("alerts_on_client_cpu", 0, "%.1f %%", on);
    Print("alerts_off_client_cpu", 0, "%.1f %%", off);
    Print("alerts_cpu_rise", 0, "%.1f %%", off > 0 ? 100.0 * (on - off) / off : -1);
}

// Logged responses, then events, in one stream: each phase is timed between
// the echoes of the acknowledged marks around it. More lines than the log
// holds, so the oldest are being removed too.
void LogRuns(int runs) {
    const int lines = Number("QX_LOG_LINES", 40000), events = Number("QX_LOG_EVENTS", 40000);
    for (int n = 1; n <= runs; ++n) {
        double linesPerS = -1, eventsPerS = -1;
        RefServer server;
        const FloodRun run = RunFlood(
            Reader::Client,
            "responses=" + std::to_string(lines) + ",events=" + std::to_string(events), &server);
        if (run.ms >= 0) {
            const double start = ServerMs(server, "mark-ack: start ");
            const double logged = ServerMs(server, "mark-ack: responses ");
            if (start >= 0 && logged > start)
                linesPerS = lines / ((logged - start) / 1000.0);
            if (logged >= 0 && run.ms > logged)
                eventsPerS = events / ((run.ms - logged) / 1000.0);
        }
        Print("status_log_lines_per_s", n, "%.0f lines/s", linesPerS);
        Print("events_rows_per_s", n, "%.0f rows/s", eventsPerS);
        Print("log_client_cpu_ms", n, "%.0f ms", run.cpuMs);
        Print("log_feeder_cpu_ms", n, "%.0f ms", run.feederCpuMs);
        Print("log_quit_client_ms", n, "%.0f ms", run.quitMs);
    }
}

// Many more events than items: memory, and time per row against the sync's.
void MemoryRuns(int runs, const std::vector<double>& syncMs) {
    const int items = Number("QX_BIG_ITEMS", 1000), events = Number("QX_BIG_EVENTS", 400000);
    const double syncRows = Number("QX_FLOOD_ITEMS", 5000) + Number("QX_FLOOD_EVENTS", 50000);
    const std::string rowsName = "bytes_per_row_" + std::to_string(items / 1000) + "k_items_" +
                                 std::to_string(events / 1000) + "k_events";
    for (int n = 1; n <= runs; ++n) {
        const double emptyMb = EmptyClient(n).rssMb;
        FloodRun big;
        double clearMs = -1;
        SyncView sync;
        ExportView exported;
        EmptyingView emptying;
        {
            RefServer server;
            big = RunFlood(
                Reader::Client, FloodSpec(items, events), &server, nullptr,
                [&] {
                    clearMs = DisconnectMs(
                        [&](DWORD pressed) { emptying = WatchEmptying(server, emptyMb, pressed); });
                },
                [&](const std::function<bool()>& synced) { sync = WatchSync(synced); });
        }
        // The export has a client of its own: the Save As dialog's lasting
        // blocks (the shell's folders), made while the rows fill the heap,
        // would keep part of it resident after the Disconnect, which a
        // fresh client that never opened the dialog does not have to match.
        if (Part("export")) {
            RefServer server;
            RunFlood(Reader::Client, FloodSpec(items, events), &server, nullptr,
                     [&] { exported = WatchExport(); });
        }
        const double usPerRow = big.ms >= 0 ? 1000 * big.ms / (items + events) : -1;
        const double syncUsPerRow = n <= static_cast<int>(syncMs.size()) && syncMs[n - 1] >= 0
                                        ? 1000 * syncMs[n - 1] / syncRows
                                        : -1;
        Print("big_flood_client_ms", n, "%.0f ms", big.ms);
        Print("big_flood_feeder_cpu_ms", n, "%.0f ms", big.feederCpuMs);
        Print("big_client_peak_memory", n, "%.1f MB", big.atFence.peakMb);
        Print("big_client_memory", n, "%.1f MB", big.atFence.rssMb);
        Print(rowsName, n, "%.0f B", BytesPerRow(big, emptyMb, items + events));
        Print("big_flood_us_per_row", n, "%.1f us", usPerRow);
        Print("big_clear_client_ms", n, "%.0f ms", clearMs);
        Print("big_sync_clicks", n, "%.0f clicks", sync.clickMs.size());
        Print("big_sync_click_max_ms", n, "%.0f ms", Largest(sync.clickMs));
        Print("big_sync_click_median_ms", n, "%.0f ms", Median(sync.clickMs));
        Print("big_sync_events_paints_per_s", n, "%.1f /s", sync.paintsPerS);
        Print("big_clear_empty_on_screen_ms", n, "%.0f ms", emptying.emptyMs);
        Print("big_clear_clicks", n, "%.0f clicks", emptying.clicks);
        Print("big_clear_click_max_ms", n, "%.0f ms", emptying.longestClickMs);
        Print("big_clear_memory_back_ms", n, "%.0f ms", emptying.memoryMs);
        Print("big_clear_memory_end", n, "%.1f MB", emptying.lastMb);
        Print("big_clear_anon_memory_end", n, "%.1f MB", emptying.lastAnonMb);
        if (Part("export")) {
            Print("big_export_client_ms", n, "%.0f ms", exported.ms);
            Print("big_export_rows", n, "%.0f rows", exported.rows);
            Print("big_export_clicks", n, "%.0f clicks", exported.clicks);
            Print("big_export_click_max_ms", n, "%.0f ms", exported.longestClickMs);
        }
        if (syncUsPerRow > 0) {
            Print("flood_us_per_row", n, "%.1f us", syncUsPerRow);
            Print("us_per_row_rise", n, "%+.1f %%", 100 * (Ratio(usPerRow, syncUsPerRow) - 1));
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: flood_bench QUORVEX_EXE FLOOD_FLOOR_EXE\n");
        return 2;
    }
    auto windows = [](const char* path) { return path[0] == '/' ? WinPath(path) : path; };
    g_exe = windows(argv[1]);
    g_floor = windows(argv[2]);
    SetEnvironmentVariableA("QUORVEX_TRACE", nullptr);  // only the trace runs trace
    const int runs = std::max(1, Number("QX_BENCH_RUNS", 3));

    std::vector<double> syncMs;
    if (Part("flood") || Part("trace"))
        syncMs = SyncRuns(runs);
    if (Part("status"))
        StatusRuns(runs);
    if (Part("alerts"))
        AlertsRun();
    if (Part("log"))
        LogRuns(runs);
    if (Part("memory"))
        MemoryRuns(runs, syncMs);
    return 0;
}
