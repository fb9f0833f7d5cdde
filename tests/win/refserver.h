// Starts the reference server (a Linux program) from a Wine test process.
// Wine runs Unix programs through CreateProcess but gives no handle to wait
// on, so the server is wrapped in a shell that records its pid, and it is
// told to stop by itself (--max-seconds) as well as killed at the end.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class RefServer {
public:
    RefServer() = default;
    RefServer(const RefServer&) = delete;
    RefServer& operator=(const RefServer&) = delete;
    ~RefServer() { Stop(); }

    // script: the text of a server script (empty for none). extra: more options.
    // Returns false (with a reason in Error()) when the server did not come up.
    bool Start(const std::string& script, const std::vector<std::string>& extra = {});
    // Kills the server, waits (at most 15 s) until it has ended, and removes
    // its directory (unless QX_KEEP_E2E is set).
    void Stop();

    uint16_t Port() const { return port_; }
    const std::string& Error() const { return error_; }
    std::string UnixPath(const std::string& name) const { return dir_ + "/" + name; }
    std::string ReadFile(const std::string& name) const;
    // The frames a script's `record client.hex` step wrote, one hex string each.
    std::vector<std::string> RecordedFrames(const std::string& name = "client.hex") const;
    // The server's machine-readable output lines so far.
    std::string Output() const { return ReadFile("out.txt"); }

private:
    std::string dir_;
    uint16_t port_ = 0;
    bool running_ = false;
    std::string error_;
};

// The Windows path for a Unix path (Wine maps Z: to /).
std::string WinPath(const std::string& unixPath);

// Runs a Unix command line through /bin/sh, without waiting for it.
bool RunUnix(const std::string& shellCommand);

// Lowercase hex of bytes, as the server records frames.
std::string Hex(const void* bytes, size_t length);

// The hex of the frame that carries a record, as the server's `record` step writes it.
std::string FrameHex(const void* record, size_t length);
