#include "client_figures.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "client_process.h"

namespace {

// The text after `prefix` on the first line that starts with it, or "".
std::string LineAfter(const RefServer& server, const std::string& prefix) {
    const std::string out = "\n" + server.Output();
    const size_t at = out.find("\n" + prefix);
    if (at == std::string::npos)
        return "";
    const size_t from = at + 1 + prefix.size();
    const size_t end = out.find('\n', from);
    return end == std::string::npos ? "" : out.substr(from, end - from);  // only whole lines
}

// utime + stime of a /proc/PID/stat text: fields 14 and 15, counted after the
// command's closing parenthesis.
double CpuSeconds(const std::string& stat) {
    const size_t close = stat.rfind(')');
    unsigned long utime = 0, stime = 0;
    if (close == std::string::npos ||
        std::sscanf(stat.c_str() + close + 1,
                    " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime, &stime) != 2)
        return -1;
    return (utime + stime) / 100.0;
}

ProcFigures ParseProcess(const std::string& text) {
    ProcFigures f;
    f.cpuSeconds = CpuSeconds(text);
    const size_t hwm = text.find("VmHWM:"), rss = text.find("VmRSS:"),
                 anon = text.find("RssAnon:");
    if (hwm != std::string::npos)
        f.peakMb = std::atof(text.c_str() + hwm + 6) / 1024.0;
    if (rss != std::string::npos)
        f.rssMb = std::atof(text.c_str() + rss + 6) / 1024.0;
    if (anon != std::string::npos)
        f.anonMb = std::atof(text.c_str() + anon + 8) / 1024.0;
    return f;
}

}  // namespace

double ServerMs(const RefServer& server, const std::string& prefix) {
    const std::string rest = LineAfter(server, prefix);
    return rest.empty() ? -1 : std::atof(rest.c_str());
}

long ServerCount(const RefServer& server, const std::string& prefix, const std::string& key) {
    const std::string rest = LineAfter(server, prefix);
    const size_t at = rest.find(" " + key);
    return at == std::string::npos ? -1 : std::atol(rest.c_str() + at + 1 + key.size());
}

Figures ReadFigures(const RefServer& server, const std::string& exe) {
    static int n;
    const std::string name = "proc" + std::to_string(++n);
    const std::string path = server.UnixPath(name);
    // Backslashes would not survive the command line's quoting: each one
    // becomes a pattern's "any character". Linux names a Wine process after
    // its executable, cut to 15 characters.
    std::string pattern = exe;
    for (char& c : pattern)
        if (c == '\\')
            c = '.';
    const std::string comm = exe.substr(exe.find_last_of("\\/") + 1).substr(0, 15);
    // Sections are separated by "@": uptime and the machine's CPU, the process, the server, the
    // wineserver (the one whose environment names this prefix), the X server.
    RunUnix(
        "set --; for p in $(pgrep -x " + comm +
        "); do tr '[:cntrl:]' ' ' < /proc/$p/cmdline | grep -qi '" + pattern +
        "' && set -- \"$@\" $p; done; ws=; for p in $(pgrep -x wineserver32; pgrep -x "
        "wineserver); do tr '[:cntrl:]' ' ' < /proc/$p/environ | grep -q \"WINEPREFIX=$WINEPREFIX \" "
        "&& ws=$p; done; xs=$(pgrep -f \"^Xvfb $DISPLAY( |$)\" | head -n 1); "
        "{ cut -d' ' -f1 /proc/uptime; nproc --all; head -n 1 /proc/stat; echo @; [ $# -eq 1 ] && "
        "{ cat /proc/$1/stat; grep -E 'VmRSS|VmHWM|RssAnon' /proc/$1/status; }; echo @; cat /proc/$(cat " +
        server.UnixPath("pid") +
        ")/stat; echo @; [ -n \"$ws\" ] && cat /proc/$ws/stat; echo @; [ -n \"$xs\" ] && "
        "cat /proc/$xs/stat; } > " +
        path + ".tmp 2>/dev/null; mv " + path + ".tmp " + path);
    Figures f;
    // A busy machine may take a while to run the shell.
    if (!WaitFor(
            [&] { return GetFileAttributesA(WinPath(path).c_str()) != INVALID_FILE_ATTRIBUTES; },
            30000))
        return f;
    const std::string text = server.ReadFile(name);
    std::string sections[5];
    size_t from = 0;
    for (std::string& section : sections) {
        const size_t at = text.find('@', from);
        section = text.substr(from, at == std::string::npos ? std::string::npos : at - from);
        if (at == std::string::npos)
            break;
        from = at + 1;
    }
    // Busy is counted as what was not idle: here the busy columns of
    // /proc/stat fall short of the processes' own CPU, the idle ones do not.
    unsigned cores = 0;
    unsigned long long user, nice, system, idle, iowait;
    if (std::sscanf(sections[0].c_str(), "%lf %u cpu %llu %llu %llu %llu %llu", &f.atSeconds,
                    &cores, &user, &nice, &system, &idle, &iowait) == 7)
        f.machineBusySeconds = cores * f.atSeconds - (idle + iowait) / 100.0;
    f.process = ParseProcess(sections[1]);
    f.feeder.cpuSeconds = CpuSeconds(sections[2]);
    f.wineserver.cpuSeconds = CpuSeconds(sections[3]);
    f.display.cpuSeconds = CpuSeconds(sections[4]);
    return f;
}

double CpuPercent(const Figures& from, const Figures& to, ProcFigures Figures::*who) {
    const double before = (from.*who).cpuSeconds, after = (to.*who).cpuSeconds;
    const double seconds = to.atSeconds - from.atSeconds;
    if (before < 0 || after < 0 || from.atSeconds < 0 || seconds <= 0)
        return -1;
    return 100.0 * (after - before) / seconds;
}
