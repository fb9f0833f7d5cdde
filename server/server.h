// The reference server's event loop: one thread, non-blocking sockets, a
// per-client output buffer, poll(). Protocol answers come from ServerCore,
// host tests from ProbeRunner's worker threads, faults from the script.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core.h"
#include "script.h"
#include "tester.h"

struct ServerOptions {
    std::string listenAddr = "127.0.0.1";
    uint16_t listenPort = 2111;  // 0: an ephemeral port, printed on the "listening:" line
    std::string statePath;       // empty: no state file
    bool demo = false;
    std::vector<ScriptStep> script;  // empty: no script
    bool flood = false;
    uint32_t floodItems = 0;
    uint32_t floodEvents = 0;
    double floodStatusRate = 0;    // status notices per second after the fence
    uint32_t floodResponses = 0;   // logged responses, between two marks, before the events
    uint32_t floodFlapping = 100;  // percent of the items whose status alternates after the fence
    double statusRate = 0;         // outside flood mode: status notices per second over the stored items
    bool once = false;             // exit when the first client has gone
    bool verbose = false;          // log every request
    bool quiet = false;            // no log lines at all (stdout lines stay)
};

// Parses "items=N,responses=L,events=M,status-rate=R,flapping=P" (each part optional).
bool ParseFloodOption(const std::string& arg, ServerOptions& o, std::string& error);
// Parses "ADDR:PORT" (IPv4 dotted address).
bool ParseListen(const std::string& arg, ServerOptions& o, std::string& error);

constexpr size_t MAX_CLIENT_BACKLOG = 256u << 20;  // output bytes queued before a client is dropped
constexpr char FENCE_TEXT[] = "FENCE";
constexpr char FENCE_ITEM_NAME[] = "flood-fence";
constexpr char MARK_ITEM_NAME[] = "flood-mark";  // an acknowledged event that times a phase

class Server {
public:
    explicit Server(ServerOptions options);
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Loads the state file, opens the listening socket and, with --demo, the
    // demo's ports and items. Prints "listening: ADDR:PORT".
    bool Start(std::string& error);
    uint16_t Port() const { return port_; }
    // Serves until Stop() (safe from a signal handler or another thread).
    void Run();
    void Stop();

    ServerCore& Core() { return core_; }

private:
    struct Client;
    friend struct Client;

    void Log(const std::string& s) const;
    void Emit(const std::string& line) const;
    void Accept();
    void ReadFrom(Client& c);
    void WriteTo(Client& c);
    void OnFrame(Client& c, const uint8_t* payload, size_t length);
    void Distribute(const Outgoing& out, Client* sender);
    void Queue(Client& c, const Frame& f);
    void CloseClient(Client& c, const std::string& why);
    void Schedule(uint32_t itemId, int64_t nowMs);
    void RunDueTests(int64_t nowMs);
    void TakeProbeResults();
    void PrepareFlood();
    void StartFlood(Client& c);
    void FloodStatus(Client& c, int64_t nowMs);
    void StatusNotices(Client& c, int64_t nowMs);
    void CheckAckEcho(Client& c, const uint8_t* payload, size_t length);
    void SaveState();
    void SetupDemo();
    void DemoToggle(int64_t nowMs);
    int64_t NowMs() const;

    struct ItemSchedule {
        int64_t nextAtMs = 0;
        uint64_t generation = 0;
        bool probing = false;
    };

    ServerOptions opt_;
    ServerCore core_;
    ProbeRunner probes_;
    int listenFd_ = -1;
    uint16_t port_ = 0;
    int stopPipe_[2] = {-1, -1};
    std::atomic<bool> stopping_{false};
    std::vector<std::unique_ptr<Client>> clients_;
    uint32_t nextClientId_ = 1;
    std::map<uint32_t, ItemSchedule> schedule_;
    uint64_t generation_ = 0;
    bool firstClientGone_ = false;

    // Flood mode: the stream every client gets, built once at the start so
    // that the time from a client's accept to its fence holds no work of the
    // server's but sending.
    struct FloodStream {
        std::vector<uint8_t> bytes;
        std::vector<uint64_t> ackDigests;  // of the acknowledgement notices in it, in order
    };
    std::shared_ptr<const FloodStream> flood_;

    // Demo: a port that always answers, and one that opens and closes.
    int demoOpenFd_ = -1;
    int demoFlapFd_ = -1;
    uint16_t demoFlapPort_ = 0;
    int64_t demoFlapAtMs_ = -1;
};
