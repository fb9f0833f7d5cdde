// Host tests: a TCP connection to host:port, or an ICMP echo.
//
// The probes themselves block (with bounded timeouts); ProbeRunner runs each
// one on a short-lived worker thread and hands the results back to the event
// loop through a pipe, so a slow host never stalls the server.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "wire_codec.h"

using refwire::TestItemConfig;

struct ProbeResult {
    bool up = false;
    std::string text;  // short: the Status column of the client shows it
};

// Tries up to `attempts` TCP connections, each bounded by timeoutMs.
ProbeResult ProbeTcp(const std::string& host, uint16_t port, int timeoutMs, unsigned attempts);

// Sends up to `attempts` ICMP echo requests, each waiting timeoutMs for the
// reply. Uses an unprivileged ICMP datagram socket where the kernel allows it
// (net.ipv4.ping_group_range), else a raw socket (root); otherwise the result
// is down with a text saying that ICMP is not permitted.
ProbeResult ProbeIcmp(const std::string& host, int timeoutMs, unsigned attempts);

// The probe an item's configuration asks for (timeout in seconds, retries
// as the number of attempts).
ProbeResult RunProbe(const TestItemConfig& config);

class ProbeRunner {
public:
    struct Done {
        uint32_t itemId;
        uint64_t generation;  // lets the caller drop results of an outdated config
        ProbeResult result;
    };

    ProbeRunner();
    ~ProbeRunner();
    ProbeRunner(const ProbeRunner&) = delete;
    ProbeRunner& operator=(const ProbeRunner&) = delete;

    // Starts a probe on a worker thread.
    void Start(uint32_t itemId, uint64_t generation, const TestItemConfig& config);
    // Readable when results are waiting; poll it with the sockets.
    int WakeFd() const { return wakeRead_; }
    // Takes every finished result (and empties the wake pipe).
    std::vector<Done> Drain();

private:
    struct Shared {
        std::mutex mutex;
        std::vector<Done> done;
        int wakeWrite = -1;
        bool closed = false;
    };
    std::shared_ptr<Shared> shared_;
    int wakeRead_ = -1;
};
