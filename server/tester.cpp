// TCP and ICMP probes and their worker threads.
#include "tester.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace refwire;

namespace {

using SteadyClock = std::chrono::steady_clock;

bool Resolve(const std::string& host, sockaddr_in& addr, std::string& error) {
    std::memset(&addr, 0, sizeof addr);
    addr.sin_family = AF_INET;
    if (inet_pton(AF_INET, host.c_str(), &addr.sin_addr) == 1) return true;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    addrinfo* res = nullptr;
    const int rc = getaddrinfo(host.c_str(), nullptr, &hints, &res);
    if (rc != 0 || res == nullptr) {
        error = "unknown host";
        return false;
    }
    addr.sin_addr = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr;
    freeaddrinfo(res);
    return true;
}

long ElapsedMs(SteadyClock::time_point start) {
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start).count());
}

// One connection attempt: 0 = connected, else an errno value (ETIMEDOUT on timeout).
int ConnectOnce(const sockaddr_in& addr, int timeoutMs) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return errno;
    int err = 0;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
        err = errno;
        if (err == EINPROGRESS) {
            pollfd p{fd, POLLOUT, 0};
            const int n = poll(&p, 1, timeoutMs);
            if (n == 0) {
                err = ETIMEDOUT;
            } else if (n < 0) {
                err = errno;
            } else {
                socklen_t len = sizeof err;
                if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
            }
        }
    }
    close(fd);
    return err;
}

uint16_t Checksum(const uint8_t* data, size_t n) {
    uint32_t sum = 0;
    for (size_t i = 0; i + 1 < n; i += 2) sum += static_cast<uint32_t>(data[i] << 8 | data[i + 1]);
    if (n & 1) sum += static_cast<uint32_t>(data[n - 1] << 8);
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint16_t>(~sum);
}

// A host that does not resolve is reported down with the resolver's reason.
bool ResolveOrReportDown(const std::string& host, sockaddr_in& addr, ProbeResult& r) {
    std::string error;
    if (Resolve(host, addr, error)) return true;
    r.text = "Down: " + error;
    return false;
}

}  // namespace

ProbeResult ProbeTcp(const std::string& host, uint16_t port, int timeoutMs, unsigned attempts) {
    ProbeResult r;
    sockaddr_in addr;
    if (!ResolveOrReportDown(host, addr, r)) return r;
    addr.sin_port = htons(port);
    if (attempts == 0) attempts = 1;
    int err = 0;
    for (unsigned i = 0; i < attempts; ++i) {
        const auto start = SteadyClock::now();
        err = ConnectOnce(addr, timeoutMs);
        if (err == 0) {
            r.up = true;
            r.text = "Up (" + std::to_string(ElapsedMs(start)) + " ms)";
            return r;
        }
    }
    r.text = err == ETIMEDOUT      ? "Down: timeout"
             : err == ECONNREFUSED ? "Down: refused"
                                   : "Down: " + std::string(strerror(err));
    return r;
}

ProbeResult ProbeIcmp(const std::string& host, int timeoutMs, unsigned attempts) {
    ProbeResult r;
    sockaddr_in addr;
    if (!ResolveOrReportDown(host, addr, r)) return r;
    bool raw = false;
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (fd < 0) {
        fd = socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        raw = true;
    }
    if (fd < 0) {
        r.text = "Down: ICMP not permitted (needs root or net.ipv4.ping_group_range)";
        return r;
    }
    if (attempts == 0) attempts = 1;
    static std::atomic<uint16_t> nextSeq{1};
    const uint16_t ident = static_cast<uint16_t>(getpid());
    for (unsigned a = 0; a < attempts && !r.up; ++a) {
        const uint16_t seq = nextSeq++;
        uint8_t packet[64] = {};
        packet[0] = ICMP_ECHO;
        packet[4] = static_cast<uint8_t>(ident >> 8);
        packet[5] = static_cast<uint8_t>(ident);
        packet[6] = static_cast<uint8_t>(seq >> 8);
        packet[7] = static_cast<uint8_t>(seq);
        std::memcpy(packet + 8, "quorvex-refserver", 17);
        const uint16_t sum = Checksum(packet, sizeof packet);
        packet[2] = static_cast<uint8_t>(sum >> 8);
        packet[3] = static_cast<uint8_t>(sum);
        const auto start = SteadyClock::now();
        if (sendto(fd, packet, sizeof packet, 0, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) < 0) {
            r.text = "Down: " + std::string(strerror(errno));
            continue;
        }
        r.text = "Down: timeout";
        for (;;) {
            const long left = timeoutMs - ElapsedMs(start);
            if (left <= 0) break;
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, static_cast<int>(left)) <= 0) break;
            uint8_t buf[1500];
            sockaddr_in from{};
            socklen_t fromLen = sizeof from;
            const ssize_t n = recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &fromLen);
            if (n <= 0) continue;
            const uint8_t* icmp = buf;
            ssize_t len = n;
            if (raw) {  // a raw socket delivers the IP header too
                const size_t ihl = static_cast<size_t>(buf[0] & 0x0F) * 4;
                if (static_cast<size_t>(n) < ihl + 8) continue;
                icmp = buf + ihl;
                len = n - static_cast<ssize_t>(ihl);
                if (from.sin_addr.s_addr != addr.sin_addr.s_addr) continue;
                if ((icmp[4] << 8 | icmp[5]) != ident) continue;
            }
            if (len < 8 || icmp[0] != ICMP_ECHOREPLY) continue;
            // Datagram sockets rewrite the identifier; the sequence number is ours.
            if ((icmp[6] << 8 | icmp[7]) != seq) continue;
            r.up = true;
            r.text = "Up (" + std::to_string(ElapsedMs(start)) + " ms)";
            break;
        }
    }
    close(fd);
    return r;
}

ProbeResult RunProbe(const TestItemConfig& config) {
    const std::string host = FieldText(config.host);
    // Seconds on the wire; bounded so that a worker thread always ends.
    const uint32_t seconds = config.timeout == 0 ? 1 : config.timeout > 600 ? 600 : config.timeout;
    const unsigned attempts = config.retries == 0 ? 1 : config.retries > 20 ? 20 : config.retries;
    const int timeoutMs = static_cast<int>(seconds * 1000);
    if (config.testType == TEST_TCP) return ProbeTcp(host, config.port, timeoutMs, attempts);
    if (config.testType == TEST_ICMP_PING) return ProbeIcmp(host, timeoutMs, attempts);
    ProbeResult r;
    r.text = "Down: unknown test type";
    return r;
}

ProbeRunner::ProbeRunner() : shared_(std::make_shared<Shared>()) {
    int fds[2];
    if (pipe2(fds, O_NONBLOCK | O_CLOEXEC) == 0) {
        wakeRead_ = fds[0];
        shared_->wakeWrite = fds[1];
    }
}

ProbeRunner::~ProbeRunner() {
    // Workers that are still probing keep the shared block alive and find it closed.
    std::lock_guard<std::mutex> lock(shared_->mutex);
    shared_->closed = true;
    if (shared_->wakeWrite >= 0) close(shared_->wakeWrite);
    shared_->wakeWrite = -1;
    if (wakeRead_ >= 0) close(wakeRead_);
}

void ProbeRunner::Start(uint32_t itemId, uint64_t generation, const TestItemConfig& config) {
    std::shared_ptr<Shared> shared = shared_;
    std::thread([shared, itemId, generation, config] {
        ProbeResult result = RunProbe(config);
        std::lock_guard<std::mutex> lock(shared->mutex);
        if (shared->closed) return;
        shared->done.push_back(Done{itemId, generation, std::move(result)});
        const char b = 1;
        if (write(shared->wakeWrite, &b, 1) < 0) {
            // The pipe is full: the loop is already due to wake up.
        }
    }).detach();
}

std::vector<ProbeRunner::Done> ProbeRunner::Drain() {
    char buf[256];
    while (wakeRead_ >= 0 && read(wakeRead_, buf, sizeof buf) > 0) {
    }
    std::lock_guard<std::mutex> lock(shared_->mutex);
    std::vector<Done> out;
    out.swap(shared_->done);
    return out;
}
