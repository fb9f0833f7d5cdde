// The soak: the reference server's demo (its flapping item records an
// acknowledged event every 10 s) plus steady status notices, against the
// shipped client with its window shown, for SOAK_SECONDS (default an hour).
// Prints the client's resident memory after the first minute and at the
// end, its GDI and USER object counts where Wine reports them, and how many
// acknowledgements the server sent and got back unchanged.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "client_figures.h"
#include "client_process.h"
#include "refserver.h"

namespace {

struct Sample {
    ProcFigures proc;
    long gdi = -1;
    long user = -1;
};

Sample Take(const RefServer& server, const std::string& exe, HANDLE process) {
    Sample s;
    s.proc = ClientFigures(server, exe);
    if (s.proc.rssMb < 0)
        s.proc = ClientFigures(server, exe);  // once more: the shell may have been slow
    s.gdi = static_cast<long>(GetGuiResources(process, GR_GDIOBJECTS));
    s.user = static_cast<long>(GetGuiResources(process, GR_USEROBJECTS));
    return s;
}

long EnvNumber(const char* name, long fallback) {
    const char* v = std::getenv(name);
    return v != nullptr && *v != '\0' ? std::atol(v) : fallback;
}

bool ClientRunning(HANDLE process) {
    return WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: soak QUORVEX_EXE\n");
        return 2;
    }
    const long seconds = EnvNumber("SOAK_SECONDS", 3600);
    const long rate = EnvNumber("SOAK_STATUS_RATE", 50);
    const long firstMinute = seconds < 120 ? seconds / 2 : 60;

    RefServer server;
    if (!server.Start("", {"--demo", "--status-rate " + std::to_string(rate),
                           "--max-seconds " + std::to_string(seconds + 600), "-q"})) {
        std::fprintf(stderr, "soak: %s\n", server.Error().c_str());
        return 1;
    }
    // The client runs from a copy in the server's folder: a rebuild during
    // the hour does not touch it, and its path tells its process apart.
    const std::string exe = WinPath(server.UnixPath("quorvex.exe"));
    const std::string source = argv[1][0] == '/' ? WinPath(argv[1]) : argv[1];
    if (!CopyFileA(source.c_str(), exe.c_str(), FALSE)) {
        std::fprintf(stderr, "soak: cannot copy %s\n", source.c_str());
        return 1;
    }
    PROCESS_INFORMATION pi = {};
    if (!StartClientProcess(exe, WinPath(server.UnixPath("")), server.Port(), &pi)) {
        std::fprintf(stderr, "soak: the client did not start\n");
        return 1;
    }
    std::printf("soak: %ld s, demo with %ld status notices a second\n", seconds, rate);
    std::fflush(stdout);

    const DWORD start = GetTickCount();
    auto elapsed = [&] { return static_cast<long>((GetTickCount() - start) / 1000); };
    // Waits until `until` seconds from the start; false when the client has gone.
    auto runTo = [&](long until) {
        while (elapsed() < until) {
            if (!ClientRunning(pi.hProcess))
                return false;
            Sleep(1000);
        }
        return ClientRunning(pi.hProcess);
    };

    bool alive = runTo(firstMinute);
    const Sample first = Take(server, exe, pi.hProcess);
    std::printf("soak_progress: %ld s, %.2f MB resident\n", elapsed(), first.proc.rssMb);
    std::fflush(stdout);
    for (long next = 300; alive && next < seconds; next += 300) {
        alive = runTo(next);
        if (alive) {
            std::printf("soak_progress: %ld s, %.2f MB resident\n", elapsed(),
                        Take(server, exe, pi.hProcess).proc.rssMb);
            std::fflush(stdout);
        }
    }
    alive = alive && runTo(seconds);
    const Sample last = Take(server, exe, pi.hProcess);
    const long ran = elapsed();
    const long exitCode = alive ? StopClientProcess(&pi) : -2;

    // The server prints its acknowledgement counts when the connection ends.
    WaitFor([&] { return ServerCount(server, "acks: ", "sent=") >= 0; }, 20000);
    std::printf("soak_seconds: %ld s\n", ran);
    std::printf("soak_client_survived: %d yes\n", alive ? 1 : 0);
    std::printf("soak_client_exit_code: %ld code\n", exitCode);
    std::printf("soak_memory_first_minute: %.2f MB\n", first.proc.rssMb);
    std::printf("soak_memory_end: %.2f MB\n", last.proc.rssMb);
    std::printf("soak_memory_growth: %.0f KiB\n", (last.proc.rssMb - first.proc.rssMb) * 1024);
    std::printf("soak_peak_memory: %.2f MB\n", last.proc.peakMb);
    std::printf("soak_cpu: %.1f s\n", last.proc.cpuSeconds);
    // A live GUI program holds some of each; Wine's GetGuiResources answers 0.
    const char* reported = first.gdi > 0 || last.gdi > 0 || first.user > 0 || last.user > 0
                               ? ""
                               : " (not reported: GetGuiResources answered 0)";
    std::printf("soak_gdi_objects: %ld first minute, %ld at the end%s\n", first.gdi, last.gdi,
                reported);
    std::printf("soak_user_objects: %ld first minute, %ld at the end%s\n", first.user, last.user,
                reported);
    std::printf("soak_acks_sent: %ld acks\n", ServerCount(server, "acks: ", "sent="));
    std::printf("soak_acks_verified: %ld acks\n", ServerCount(server, "acks: ", "verified="));
    std::printf("soak_acks_wrong: %ld acks\n", ServerCount(server, "acks: ", "wrong="));
    std::printf("soak_acks_unanswered: %ld acks\n", ServerCount(server, "acks: ", "unanswered="));
    std::fflush(stdout);
    return alive ? 0 : 1;
}
