#include "refserver.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::string WinPath(const std::string& unixPath) {
    std::string w = "Z:" + unixPath;
    for (char& c : w)
        if (c == '/')
            c = '\\';
    return w;
}

bool RunUnix(const std::string& shellCommand) {
    std::string quoted;
    for (char c : shellCommand) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    std::string cmd = "/bin/sh -c \"" + quoted + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hProcess)
        CloseHandle(pi.hProcess);
    if (pi.hThread)
        CloseHandle(pi.hThread);
    return true;
}

std::string Hex(const void* bytes, size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    const unsigned char* b = static_cast<const unsigned char*>(bytes);
    for (size_t i = 0; i < length; ++i) {
        s += digits[b[i] >> 4];
        s += digits[b[i] & 15];
    }
    return s;
}

std::string FrameHex(const void* record, size_t length) {
    const uint8_t header[4] = {0x51, 0x58, static_cast<uint8_t>(length >> 8),
                               static_cast<uint8_t>(length)};
    return Hex(header, 4) + Hex(record, length);
}

namespace {

bool WriteWholeFile(const std::string& winPath, const std::string& text) {
    std::ofstream f(winPath, std::ios::binary);
    f << text;
    return static_cast<bool>(f);
}

}  // namespace

std::string RefServer::ReadFile(const std::string& name) const {
    std::ifstream f(WinPath(UnixPath(name)), std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

std::vector<std::string> RefServer::RecordedFrames(const std::string& name) const {
    std::vector<std::string> frames;
    std::istringstream s(ReadFile(name));
    std::string line;
    while (std::getline(s, line))
        if (!line.empty())
            frames.push_back(line);
    return frames;
}

bool RefServer::Start(const std::string& script, const std::vector<std::string>& extra) {
    static int counter;
    const char* server = std::getenv("QX_REFSERVER");
    if (server == nullptr) {
        error_ = "QX_REFSERVER is not set";
        return false;
    }
    // Process ids are per Wine prefix, so another build tree's run may pick
    // the same name: a folder that exists already belongs to someone else.
    do
        dir_ = "/tmp/qx-e2e-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++counter);
    while (!CreateDirectoryA(WinPath(dir_).c_str(), nullptr) &&
           GetLastError() == ERROR_ALREADY_EXISTS);
    std::string cmd = "cd " + dir_ + " && echo $$ > pid && exec " + server +
                      " --listen 127.0.0.1:0 --port-file port --out out.txt --max-seconds 300";
    if (!script.empty()) {
        WriteWholeFile(WinPath(UnixPath("script.txt")), script);
        cmd += " --script script.txt";
    }
    if (extra.empty())
        cmd += " -v";  // every request in err.txt, for a test that fails
    for (const std::string& e : extra)
        cmd += " " + e;
    cmd += " 2> err.txt";
    if (!RunUnix(cmd)) {
        error_ = "cannot start the reference server";
        return false;
    }
    running_ = true;
    const std::string portFile = WinPath(UnixPath("port"));
    const DWORD start = GetTickCount();
    while (GetFileAttributesA(portFile.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (GetTickCount() - start > 15000) {
            error_ = "the reference server did not start: " + ReadFile("err.txt");
            return false;
        }
        Sleep(20);
    }
    port_ = static_cast<uint16_t>(std::atoi(ReadFile("port").c_str()));
    return port_ != 0;
}

void RefServer::Stop() {
    if (!running_)
        return;
    running_ = false;
    // The shell waits (at most 10 s) until the server has ended, a zombie
    // counting as ended, then leaves a mark that this process waits for.
    const std::string cmd = "pid=$(cat " + dir_ +
                            "/pid); kill $pid 2>/dev/null; i=0; "
                            "while [ $i -lt 500 ] && kill -0 $pid 2>/dev/null && "
                            "[ \"$(cut -d' ' -f3 /proc/$pid/stat 2>/dev/null)\" != Z ]; "
                            "do sleep 0.02; i=$((i+1)); done; touch " +
                            dir_ + "/stopped";
    if (RunUnix(cmd)) {
        const std::string mark = WinPath(UnixPath("stopped"));
        const DWORD start = GetTickCount();
        while (GetFileAttributesA(mark.c_str()) == INVALID_FILE_ATTRIBUTES &&
               GetTickCount() - start < 15000)
            Sleep(20);
    }
    if (std::getenv("QX_KEEP_E2E") == nullptr)
        RunUnix("rm -rf " + dir_);
}
