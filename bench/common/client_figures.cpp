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

ProcFigures ClientFigures(const RefServer& server, const std::string& exe) {
    static int n;
    const std::string name = "proc" + std::to_string(++n);
    const std::string path = server.UnixPath(name);
    // Backslashes would not survive the command line's quoting: each one
    // becomes a pattern's "any character".
    std::string pattern = exe;
    for (char& c : pattern)
        if (c == '\\')
            c = '.';
    RunUnix(
        "set --; for p in $(pgrep -x quorvex.exe); do tr '[:cntrl:]' ' ' < /proc/$p/cmdline | grep -qi '" +
        pattern +
        "' && set -- \"$@\" $p; done; [ $# -eq 1 ] && { cat /proc/$1/stat; grep -E 'VmRSS|VmHWM' /proc/$1/status; } > " +
        path + ".tmp && mv " + path + ".tmp " + path);
    ProcFigures f;
    // A busy machine may take a while to run the shell.
    if (!WaitFor(
            [&] { return GetFileAttributesA(WinPath(path).c_str()) != INVALID_FILE_ATTRIBUTES; },
            30000))
        return f;
    const std::string text = server.ReadFile(name);
    // utime and stime are fields 14 and 15, counted after the command's closing parenthesis.
    const size_t close = text.rfind(')');
    if (close != std::string::npos) {
        unsigned long utime = 0, stime = 0;
        if (std::sscanf(text.c_str() + close + 1,
                        " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %lu %lu", &utime,
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
