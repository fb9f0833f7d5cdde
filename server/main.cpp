// quorvex-refserver: a reference Quorvex Server for demos, tests and benchmarks.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <string>

#include <unistd.h>

#include "server.h"

namespace {

Server* g_server = nullptr;

void OnSignal(int) {
    if (g_server) g_server->Stop();
}

void Usage(FILE* f) {
    std::fputs(
        "usage: quorvex-refserver [options]\n"
        "  --listen ADDR:PORT   where to listen (default 127.0.0.1:2111; port 0 = any free port)\n"
        "  --state FILE         keep items, settings and events in FILE across restarts\n"
        "  --demo               add demo items tested against loopback ports the server opens\n"
        "  --script FILE        run the script in FILE for every client that connects\n"
        "  --flood items=N,responses=L,events=M,status-rate=R,flapping=P\n"
        "                       push N items, L logged responses, M events and a fence event to every client,\n"
        "                       then R status notices a second (P percent of the items flap)\n"
        "  --status-rate R      outside flood mode: R status notices a second over the started items\n"
        "  --once               exit when the first client has disconnected\n"
        "  --port-file FILE     write the listening port to FILE (for tests that listen on port 0)\n"
        "  --out FILE           write the machine-readable stdout lines to FILE instead\n"
        "  --max-seconds N      stop after N seconds whatever happens (a safety net for tests)\n"
        "  -v, --verbose        log every request\n"
        "  -q, --quiet          no log lines on stderr\n"
        "  -h, --help           this text\n",
        f);
}

}  // namespace

int main(int argc, char** argv) {
    ServerOptions opt;
    std::string error;
    std::string portFile;
    unsigned maxSeconds = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](std::string& v) {
            if (i + 1 >= argc) {
                error = a + " needs a value";
                return false;
            }
            v = argv[++i];
            return true;
        };
        std::string v;
        if (a == "--listen") {
            if (!value(v) || !ParseListen(v, opt, error)) break;
        } else if (a == "--state") {
            if (!value(opt.statePath)) break;
        } else if (a == "--demo") {
            opt.demo = true;
        } else if (a == "--script") {
            if (!value(v) || !LoadScriptFile(v, opt.script, error)) break;
        } else if (a == "--flood") {
            if (!value(v) || !ParseFloodOption(v, opt, error)) break;
        } else if (a == "--status-rate") {
            if (!value(v)) break;
            char* end = nullptr;
            opt.statusRate = std::strtod(v.c_str(), &end);
            if (v.empty() || *end != '\0' || opt.statusRate < 0 || opt.statusRate > 1e6) {
                error = "--status-rate wants a number of notices a second";
                break;
            }
        } else if (a == "--once") {
            opt.once = true;
        } else if (a == "--port-file") {
            if (!value(portFile)) break;
        } else if (a == "--out") {
            if (!value(v)) break;
            if (std::freopen(v.c_str(), "w", stdout) == nullptr) {
                error = "cannot write " + v;
                break;
            }
        } else if (a == "--max-seconds") {
            if (!value(v)) break;
            maxSeconds = static_cast<unsigned>(std::strtoul(v.c_str(), nullptr, 10));
        } else if (a == "-v" || a == "--verbose") {
            opt.verbose = true;
        } else if (a == "-q" || a == "--quiet") {
            opt.quiet = true;
        } else if (a == "-h" || a == "--help") {
            Usage(stdout);
            return 0;
        } else {
            error = "unknown option " + a;
            break;
        }
    }
    if (!error.empty()) {
        std::fprintf(stderr, "quorvex-refserver: %s\n", error.c_str());
        Usage(stderr);
        return 2;
    }

    Server server(opt);
    if (!server.Start(error)) {
        std::fprintf(stderr, "quorvex-refserver: %s\n", error.c_str());
        return 1;
    }
    if (!portFile.empty()) {
        // Written whole under another name, then renamed, so a reader never sees half a number.
        const std::string tmp = portFile + ".tmp";
        FILE* f = std::fopen(tmp.c_str(), "w");
        if (f == nullptr || std::fprintf(f, "%u\n", static_cast<unsigned>(server.Port())) < 0 || std::fclose(f) != 0 ||
            std::rename(tmp.c_str(), portFile.c_str()) != 0) {
            std::fprintf(stderr, "quorvex-refserver: cannot write %s\n", portFile.c_str());
            return 1;
        }
    }
    g_server = &server;
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    std::signal(SIGALRM, OnSignal);
    if (maxSeconds > 0) alarm(maxSeconds);
    std::signal(SIGPIPE, SIG_IGN);
    server.Run();
    g_server = nullptr;
    return 0;
}
