// Event loop, client connections, test scheduling, demo and flood modes.
#include "server.h"

#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <deque>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int64_t SteadyMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double SteadyMsPrecise() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

// A listening TCP socket on 127.0.0.1:port (0: ephemeral); -1 on failure.
int ListenLoopback(uint16_t port, uint16_t* boundPort) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(port);
    socklen_t len = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(fd, 64) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        close(fd);
        return -1;
    }
    if (boundPort) *boundPort = ntohs(a.sin_port);
    return fd;
}

void AcceptAndDrop(int fd) {
    for (;;) {
        const int c = accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
        if (c < 0) return;
        close(c);
    }
}

std::string Hex(const uint8_t* p, size_t n) {
    static const char d[] = "0123456789abcdef";
    std::string s;
    s.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        s += d[p[i] >> 4];
        s += d[p[i] & 15];
    }
    return s;
}

// FNV-1a, 64 bits: tells an echo from a changed payload.
uint64_t Digest(const uint8_t* p, size_t n) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < n; ++i) {
        h ^= p[i];
        h *= 1099511628211ull;
    }
    return h;
}

// An acknowledgement notice: its echo is checked against it.
bool IsAckNotice(const Frame& f) {
    uint32_t kind = 1, code = 0;
    if (f.size() == FRAME_HEADER_SIZE + PKT_SIZE) PeekKindCode(f.data() + FRAME_HEADER_SIZE, PKT_SIZE, kind, code);
    return kind == KIND_REQUEST && code == CODE_EVENT_ACK;
}

}  // namespace

bool ParseFloodOption(const std::string& arg, ServerOptions& o, std::string& error) {
    o.flood = true;
    size_t pos = 0;
    while (pos <= arg.size()) {
        size_t comma = arg.find(',', pos);
        if (comma == std::string::npos) comma = arg.size();
        const std::string part = arg.substr(pos, comma - pos);
        pos = comma + 1;
        if (part.empty()) continue;
        const size_t eq = part.find('=');
        const std::string key = part.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : part.substr(eq + 1);
        char* end = nullptr;
        const double v = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || v < 0 || v > 1e9) {
            error = "bad value in flood part '" + part + "'";
            return false;
        }
        if (key == "items")
            o.floodItems = static_cast<uint32_t>(v);
        else if (key == "events")
            o.floodEvents = static_cast<uint32_t>(v);
        else if (key == "responses")
            o.floodResponses = static_cast<uint32_t>(v);
        else if (key == "status-rate")
            o.floodStatusRate = v;
        else if (key == "flapping") {
            if (v > 100) {
                error = "flapping is a percentage, not '" + value + "'";
                return false;
            }
            o.floodFlapping = static_cast<uint32_t>(v);
        } else {
            error = "unknown flood part '" + key + "'";
            return false;
        }
    }
    return true;
}

bool ParseListen(const std::string& arg, ServerOptions& o, std::string& error) {
    const size_t colon = arg.rfind(':');
    in_addr a{};
    char* end = nullptr;
    const long port = colon == std::string::npos ? -1 : std::strtol(arg.c_str() + colon + 1, &end, 10);
    if (colon == std::string::npos || inet_pton(AF_INET, arg.substr(0, colon).c_str(), &a) != 1 || port < 0 ||
        port > 65535 || end == arg.c_str() + colon + 1 || *end != '\0') {
        error = "--listen wants ADDR:PORT, e.g. 127.0.0.1:2111";
        return false;
    }
    o.listenAddr = arg.substr(0, colon);
    o.listenPort = static_cast<uint16_t>(port);
    return true;
}

struct Server::Client : ScriptHost {
    Server* server = nullptr;
    uint32_t id = 0;
    int fd = -1;
    std::string peer;
    double connectedAt = 0;  // steady clock, ms
    FrameReader reader;
    std::vector<uint8_t> out;
    size_t outOff = 0;
    bool closing = false;  // close once the output is flushed
    bool dead = false;
    bool serve = true;
    int64_t pauseUntil = -1;
    FILE* record = nullptr;
    std::unique_ptr<ScriptRunner> script;
    bool scriptReported = false;
    // Flood mode: the prepared stream goes out before anything in `out`.
    std::shared_ptr<const FloodStream> flood;
    size_t floodOff = 0;
    bool fenceAcked = false;
    uint64_t floodAcks = 0;
    int64_t floodStatusStart = -1;
    uint64_t floodStatusSent = 0;
    // A digest of every acknowledgement notice queued for this client, until
    // its echo comes back; an echo must match the oldest one.
    std::deque<uint64_t> acksOut;
    uint64_t acksSent = 0;
    uint64_t acksVerified = 0;
    uint64_t acksWrong = 0;

    ~Client() override {
        if (record) std::fclose(record);
        if (fd >= 0) close(fd);
    }
    size_t FloodLeft() const { return flood ? flood->bytes.size() - floodOff : 0; }
    size_t Pending() const { return FloodLeft() + out.size() - outOff; }

    void ScriptSend(const uint8_t* bytes, size_t count) override { out.insert(out.end(), bytes, bytes + count); }
    size_t ScriptPendingOutput() const override { return Pending(); }
    void ScriptClose() override { closing = true; }
    void ScriptPauseRead(int64_t untilMs) override { pauseUntil = untilMs; }
    bool ScriptRecord(const std::string& path) override {
        if (record) std::fclose(record);
        record = std::fopen(path.c_str(), "w");
        if (!record) server->Log("client " + std::to_string(id) + ": cannot write " + path);
        return record != nullptr;
    }
    void ScriptServe(bool on) override { serve = on; }
    void ScriptMark(const std::string& text) override { server->Emit("mark: " + text); }
    void ScriptTimeout(uint32_t code) override {
        server->Emit("script-timeout: client=" + std::to_string(id) + " code=" + std::to_string(code));
    }
};

Server::Server(ServerOptions options) : opt_(std::move(options)) {
    core_.SetLogger([this](const std::string& s) { Log(s); });
}

Server::~Server() {
    clients_.clear();
    if (listenFd_ >= 0) close(listenFd_);
    if (demoOpenFd_ >= 0) close(demoOpenFd_);
    if (demoFlapFd_ >= 0) close(demoFlapFd_);
    for (int fd : stopPipe_)
        if (fd >= 0) close(fd);
}

int64_t Server::NowMs() const { return SteadyMs(); }

void Server::Log(const std::string& s) const {
    if (opt_.quiet) return;
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char stamp[16];
    std::strftime(stamp, sizeof stamp, "%H:%M:%S", &tm);
    std::fprintf(stderr, "[refserver %s] %s\n", stamp, s.c_str());
}

void Server::Emit(const std::string& line) const {
    std::fprintf(stdout, "%s\n", line.c_str());
    std::fflush(stdout);
}

bool Server::Start(std::string& error) {
    if (pipe2(stopPipe_, O_NONBLOCK | O_CLOEXEC) != 0) {
        error = "pipe: " + std::string(strerror(errno));
        return false;
    }
    if (!opt_.statePath.empty()) {
        std::string why;
        if (access(opt_.statePath.c_str(), F_OK) == 0) {
            if (!core_.LoadState(opt_.statePath, &why)) {
                error = "state file: " + why;
                return false;
            }
            Log("state loaded from " + opt_.statePath + ": " + std::to_string(core_.Items().size()) + " items, " +
                std::to_string(core_.Events().size()) + " events");
        }
    }
    if (opt_.flood) {
        core_.SetNextId(opt_.floodItems + 1);  // flood items take ids 1..N
        PrepareFlood();
    }

    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    const int one = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(opt_.listenPort);
    inet_pton(AF_INET, opt_.listenAddr.c_str(), &a.sin_addr);
    socklen_t len = sizeof a;
    if (listenFd_ < 0 || bind(listenFd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        listen(listenFd_, 16) != 0 || getsockname(listenFd_, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        error = "cannot listen on " + opt_.listenAddr + ":" + std::to_string(opt_.listenPort) + ": " + strerror(errno);
        return false;
    }
    port_ = ntohs(a.sin_port);
    if (opt_.demo) SetupDemo();
    const int64_t now = NowMs();
    for (const auto& kv : core_.Items())
        if (kv.second.started) Schedule(kv.first, now);
    Emit("listening: " + opt_.listenAddr + ":" + std::to_string(port_));
    return true;
}

void Server::Stop() {
    stopping_ = true;
    const char b = 1;
    if (stopPipe_[1] >= 0 && write(stopPipe_[1], &b, 1) < 0) {
        // Already woken.
    }
}

void Server::SetupDemo() {
    uint16_t openPort = 0, closedPort = 0;
    demoOpenFd_ = ListenLoopback(0, &openPort);
    const int tmp = ListenLoopback(0, &closedPort);  // a port that nobody listens on once closed
    if (tmp >= 0) close(tmp);
    demoFlapFd_ = ListenLoopback(0, &demoFlapPort_);
    demoFlapAtMs_ = NowMs() + 10000;

    // Items of an earlier demo run are replaced.
    std::vector<uint32_t> old;
    for (const auto& kv : core_.Items())
        if (FieldText(kv.second.config.name).rfind("demo: ", 0) == 0) old.push_back(kv.first);
    for (uint32_t id : old) core_.RemoveItem(id);

    auto add = [&](const char* name, uint32_t type, uint16_t port, uint32_t interval, bool started) {
        TestItemConfig c{};
        SetField(c.name, name);
        SetField(c.host, "127.0.0.1");
        c.testType = type;
        c.port = port;
        c.interval = interval;
        c.timeout = 1;
        c.retries = 1;
        c.mailOnDown = 1;
        core_.AddItem(c, started);
    };
    add("demo: web (up)", TEST_TCP, openPort, 2, true);
    add("demo: mail (down)", TEST_TCP, closedPort, 3, true);
    add("demo: flapping every 10 s", TEST_TCP, demoFlapPort_, 2, true);
    add("demo: loopback ping", TEST_ICMP_PING, 0, 5, true);
    add("demo: stopped", TEST_TCP, openPort, 10, false);
    // Older events, so that every event view depth shows something different.
    const int64_t now = core_.Now();
    core_.RecordEvent("demo: web (up)", "127.0.0.1", "Down", now - 40 * 86400);
    core_.RecordEvent("demo: web (up)", "127.0.0.1", "Up", now - 40 * 86400 + 60);
    core_.RecordEvent("demo: mail (down)", "127.0.0.1", "Down", now - 86400);
    Log("demo: items on loopback ports " + std::to_string(openPort) + " (open), " + std::to_string(closedPort) +
        " (closed), " + std::to_string(demoFlapPort_) + " (flapping)");
    SaveState();
}

void Server::DemoToggle(int64_t nowMs) {
    if (demoFlapAtMs_ < 0 || nowMs < demoFlapAtMs_) return;
    demoFlapAtMs_ = nowMs + 10000;
    if (demoFlapFd_ >= 0) {
        close(demoFlapFd_);
        demoFlapFd_ = -1;
    } else {
        demoFlapFd_ = ListenLoopback(demoFlapPort_, nullptr);
    }
}

void Server::SaveState() {
    if (opt_.statePath.empty()) return;
    std::string why;
    if (!core_.SaveState(opt_.statePath, &why)) Log("state file not saved: " + why);
}

void Server::Schedule(uint32_t itemId, int64_t nowMs) {
    ItemSchedule& s = schedule_[itemId];
    s.nextAtMs = nowMs;
    s.generation = ++generation_;  // a probe under way for the old config is dropped
    s.probing = false;
}

void Server::RunDueTests(int64_t nowMs) {
    for (auto it = schedule_.begin(); it != schedule_.end();) {
        ServerItem* item = core_.FindItem(it->first);
        if (item == nullptr || !item->started) {
            it = schedule_.erase(it);
            continue;
        }
        ItemSchedule& s = it->second;
        if (!s.probing && nowMs >= s.nextAtMs) {
            s.probing = true;
            s.nextAtMs = nowMs + static_cast<int64_t>(item->config.interval) * 1000;
            probes_.Start(item->id, s.generation, item->config);
        }
        ++it;
    }
}

void Server::TakeProbeResults() {
    for (ProbeRunner::Done& d : probes_.Drain()) {
        auto it = schedule_.find(d.itemId);
        if (it == schedule_.end() || it->second.generation != d.generation) continue;
        it->second.probing = false;
        Outgoing out;
        core_.ReportTest(d.itemId, d.result.up, d.result.text, out);
        Distribute(out, nullptr);
    }
}

void Server::Accept() {
    for (;;) {
        sockaddr_in a{};
        socklen_t len = sizeof a;
        const int fd = accept4(listenFd_, reinterpret_cast<sockaddr*>(&a), &len, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) return;
        const int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        auto c = std::make_unique<Client>();
        c->server = this;
        c->id = nextClientId_++;
        c->fd = fd;
        char ip[INET_ADDRSTRLEN] = "?";
        inet_ntop(AF_INET, &a.sin_addr, ip, sizeof ip);
        c->peer = std::string(ip) + ":" + std::to_string(ntohs(a.sin_port));
        c->connectedAt = SteadyMsPrecise();
        if (!opt_.script.empty()) c->script = std::make_unique<ScriptRunner>(&opt_.script);
        Emit("client-connected: id=" + std::to_string(c->id) + " peer=" + c->peer);
        Log("client " + std::to_string(c->id) + " connected from " + c->peer);
        clients_.push_back(std::move(c));
        Client& added = *clients_.back();
        if (opt_.flood) StartFlood(added);
        if (added.script) added.script->Advance(NowMs(), added);
    }
}

void Server::CloseClient(Client& c, const std::string& why) {
    if (c.dead) return;
    c.dead = true;
    if (c.reader.InsideFrame())
        Log("client " + std::to_string(c.id) + ": connection ended inside a frame; partial frame dropped");
    Emit("acks: client=" + std::to_string(c.id) + " sent=" + std::to_string(c.acksSent) +
         " verified=" + std::to_string(c.acksVerified) + " wrong=" + std::to_string(c.acksWrong) +
         " unanswered=" + std::to_string(c.acksOut.size()));
    Emit("client-closed: id=" + std::to_string(c.id) + " reason=" + why);
    Log("client " + std::to_string(c.id) + " closed: " + why);
    firstClientGone_ = true;
}

void Server::Queue(Client& c, const Frame& f) {
    if (c.dead || c.closing) return;
    if (c.Pending() + f.size() > MAX_CLIENT_BACKLOG) {
        CloseClient(c, "output-backlog");
        return;
    }
    c.out.insert(c.out.end(), f.begin(), f.end());
    if (IsAckNotice(f)) {
        c.acksOut.push_back(Digest(f.data() + FRAME_HEADER_SIZE, PKT_SIZE));
        ++c.acksSent;
    }
}

void Server::CheckAckEcho(Client& c, const uint8_t* payload, size_t length) {
    if (c.acksOut.empty()) {
        ++c.acksWrong;
        return;
    }
    if (length == PKT_SIZE && Digest(payload, length) == c.acksOut.front())
        ++c.acksVerified;
    else
        ++c.acksWrong;
    c.acksOut.pop_front();
}

void Server::Distribute(const Outgoing& out, Client* sender) {
    if (sender != nullptr)
        for (const Frame& f : out.toSender) Queue(*sender, f);
    for (auto& c : clients_) {
        if (c.get() != sender)
            for (const Frame& f : out.toOthers) Queue(*c, f);
        for (const Frame& f : out.toAll) Queue(*c, f);
    }
    const int64_t now = NowMs();
    for (uint32_t id : out.startedItems) Schedule(id, now);
    if (out.stateChanged) SaveState();
}

void Server::OnFrame(Client& c, const uint8_t* payload, size_t length) {
    if (c.record) {
        const uint8_t header[4] = {FRAME_MAGIC1, FRAME_MAGIC2, static_cast<uint8_t>(length >> 8),
                                   static_cast<uint8_t>(length & 0xFF)};
        std::fprintf(c.record, "%s%s\n", Hex(header, 4).c_str(), Hex(payload, length).c_str());
        std::fflush(c.record);
    }
    uint32_t kind = 0xFFFFFFFF, code = 0xFFFFFFFF;
    PeekKindCode(payload, length, kind, code);
    if (opt_.verbose)
        Log("client " + std::to_string(c.id) + ": request kind " + std::to_string(kind) + " code " +
            std::to_string(code) + ", " + std::to_string(length) + " bytes");
    if (c.script && length >= 8) c.script->OnRequest(code);
    if (kind == KIND_REQUEST && code == CODE_EVENT_ACK) CheckAckEcho(c, payload, length);

    if (opt_.flood && code == CODE_EVENT_ACK && kind == KIND_REQUEST && length >= PKT_SIZE) {
        const Pkt p = DecodePkt(payload, length);
        if (FieldText(p.event.itemName) == MARK_ITEM_NAME) {
            char line[160];
            std::snprintf(line, sizeof line, "mark-ack: %s %.3f ms client=%u", FieldText(p.event.text).c_str(),
                          SteadyMsPrecise() - c.connectedAt, c.id);
            Emit(line);
        } else if (!c.fenceAcked && FieldText(p.event.text) == FENCE_TEXT &&
                   FieldText(p.event.itemName) == FENCE_ITEM_NAME) {
            c.fenceAcked = true;
            char line[160];
            std::snprintf(line, sizeof line, "fence-ack: %.3f ms client=%u acks=%" PRIu64,
                          SteadyMsPrecise() - c.connectedAt, c.id, c.floodAcks);
            Emit(line);
            c.floodStatusStart = NowMs();
        } else {
            ++c.floodAcks;
        }
    }
    if (!c.serve) return;
    Outgoing out;
    core_.HandleRequest(payload, length, out);
    Distribute(out, &c);
}

namespace {
struct SinkContext {
    Server* server;
    void* client;
};
}  // namespace

void Server::ReadFrom(Client& c) {
    uint8_t buf[65536];
    for (int rounds = 0; rounds < 16 && !c.dead; ++rounds) {
        const ssize_t n = recv(c.fd, buf, sizeof buf, 0);
        if (n == 0) {
            CloseClient(c, "peer-closed");
            return;
        }
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
            CloseClient(c, std::string("recv-error:") + strerror(errno));
            return;
        }
        c.reader.Feed(buf, static_cast<size_t>(n), [this, &c](const uint8_t* payload, size_t length) {
            if (!c.dead) OnFrame(c, payload, length);
        });
        if (static_cast<size_t>(n) < sizeof buf) return;
    }
}

void Server::WriteTo(Client& c) {
    while (c.Pending() > 0 && !c.dead) {
        const bool fromFlood = c.FloodLeft() > 0;
        const uint8_t* from = fromFlood ? c.flood->bytes.data() + c.floodOff : c.out.data() + c.outOff;
        const size_t count = fromFlood ? c.FloodLeft() : c.out.size() - c.outOff;
        const ssize_t n = send(c.fd, from, count, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) break;
            CloseClient(c, std::string("send-error:") + strerror(errno));
            return;
        }
        if (!fromFlood) {
            c.outOff += static_cast<size_t>(n);
        } else if ((c.floodOff += static_cast<size_t>(n)) == c.flood->bytes.size()) {
            c.flood.reset();
        }
    }
    if (c.outOff == c.out.size()) {
        c.out.clear();
        c.outOff = 0;
    } else if (c.outOff > (1u << 20) && c.outOff > c.out.size() / 2) {
        c.out.erase(c.out.begin(), c.out.begin() + static_cast<long>(c.outOff));
        c.outOff = 0;
    }
    if (c.closing && c.Pending() == 0 && !c.dead) CloseClient(c, "script-close");
}

void Server::PrepareFlood() {
    const uint32_t n = opt_.floodItems, m = opt_.floodEvents;
    auto stream = std::make_shared<FloodStream>();
    stream->bytes.reserve(static_cast<size_t>(n + opt_.floodResponses + m + 3) * (PKT_SIZE + FRAME_HEADER_SIZE));
    auto add = [&stream](const Pkt& p) {
        const Frame f = PktFrame(p);
        stream->bytes.insert(stream->bytes.end(), f.begin(), f.end());
        if (IsAckNotice(f)) stream->ackDigests.push_back(Digest(f.data() + FRAME_HEADER_SIZE, PKT_SIZE));
    };
    const int64_t now = core_.Now();
    auto event = [&](uint32_t code, uint32_t sequence, const std::string& itemName, const std::string& host,
                     const std::string& text) {
        StoredEvent e;
        e.when = now;
        ServerCore::FillEventRecord(e.record, now, sequence, itemName, host, text);
        add(ServerCore::EventNotice(code, e));
    };
    for (uint32_t i = 1; i <= n; ++i) {
        ServerItem item;
        item.id = i;
        item.started = true;
        item.up = i % 2 == 1;
        SetField(item.config.name, "flood item " + std::to_string(i));
        SetField(item.config.host, "10.0." + std::to_string(i / 256 % 256) + "." + std::to_string(i % 256));
        item.config.testType = TEST_TCP;
        item.config.port = 80;
        item.config.interval = 60;
        item.config.timeout = 1;
        item.config.retries = 1;
        add(ServerCore::ItemNotice(item));
    }
    if (opt_.floodResponses > 0) {
        event(CODE_EVENT_ACK, m + 2, MARK_ITEM_NAME, "127.0.0.1", "start");
        for (uint32_t i = 1; i <= opt_.floodResponses; ++i) {
            Pkt r = ZeroPkt(KIND_RESPONSE, CODE_ITEM_NEW);
            r.param = 2;  // a refusal: logged, no row
            SetField(r.text, "flood response " + std::to_string(i) + " of " + std::to_string(opt_.floodResponses));
            add(r);
        }
        event(CODE_EVENT_ACK, m + 3, MARK_ITEM_NAME, "127.0.0.1", "responses");
    }
    for (uint32_t i = 0; i < m; ++i) {
        const uint32_t item = n ? i % n + 1 : 0;
        event(i % 2 ? CODE_EVENT_ACK : CODE_EVENTS, i + 1, "flood item " + std::to_string(item),
              "10.0.0." + std::to_string(item % 256), i % 2 ? "Up" : "Down");
    }
    event(CODE_EVENT_ACK, m + 1, FENCE_ITEM_NAME, "127.0.0.1", FENCE_TEXT);
    flood_ = std::move(stream);
}

void Server::StartFlood(Client& c) {
    if (flood_->bytes.size() > MAX_CLIENT_BACKLOG) {
        CloseClient(c, "output-backlog");
        return;
    }
    c.flood = flood_;
    c.floodOff = 0;
    c.acksOut.insert(c.acksOut.end(), flood_->ackDigests.begin(), flood_->ackDigests.end());
    c.acksSent += flood_->ackDigests.size();
    Emit("flood-queued: client=" + std::to_string(c.id) + " items=" + std::to_string(opt_.floodItems) +
         " responses=" + std::to_string(opt_.floodResponses) + " events=" + std::to_string(opt_.floodEvents) +
         " acks-expected=" + std::to_string(opt_.floodEvents / 2) + " bytes=" + std::to_string(c.Pending()));
}

// Outside flood mode: status notices at a steady rate from the connection's
// start, round-robin over the started items, each repeating the item's last
// result (as if its tests ran that often).
void Server::StatusNotices(Client& c, int64_t nowMs) {
    if (opt_.flood || opt_.statusRate <= 0) return;
    if (c.floodStatusStart < 0) c.floodStatusStart = nowMs;
    const uint64_t due =
        static_cast<uint64_t>(static_cast<double>(nowMs - c.floodStatusStart) * opt_.statusRate / 1000.0);
    std::vector<const ServerItem*> started;
    for (const auto& kv : core_.Items())
        if (kv.second.started) started.push_back(&kv.second);
    if (started.empty()) {
        c.floodStatusSent = due;
        return;
    }
    uint64_t budget = static_cast<uint64_t>(opt_.statusRate) + 1;
    while (c.floodStatusSent < due && budget-- > 0 && !c.dead) {
        const ServerItem& item = *started[c.floodStatusSent++ % started.size()];
        Pkt p = ZeroPkt(KIND_REQUEST, CODE_ITEM_STATUS);
        p.itemId = item.id;
        p.up = item.up ? 1 : 0;
        SetField(p.text, item.up ? "Up" : "Down");
        Queue(c, PktFrame(p));
    }
    if (c.floodStatusSent < due) c.floodStatusSent = due;
}

void Server::FloodStatus(Client& c, int64_t nowMs) {
    if (!opt_.flood || opt_.floodStatusRate <= 0 || c.floodStatusStart < 0 || opt_.floodItems == 0) return;
    const uint64_t due =
        static_cast<uint64_t>(static_cast<double>(nowMs - c.floodStatusStart) * opt_.floodStatusRate / 1000.0);
    // Never more than a second's worth at once: a stalled loop does not burst.
    uint64_t budget = static_cast<uint64_t>(opt_.floodStatusRate) + 1;
    while (c.floodStatusSent < due && budget-- > 0 && !c.dead) {
        const uint64_t k = c.floodStatusSent++;
        Pkt p = ZeroPkt(KIND_REQUEST, CODE_ITEM_STATUS);
        const uint32_t id = static_cast<uint32_t>(k % opt_.floodItems + 1);
        p.itemId = id;
        // Flapping items, spread evenly over the ids, alternate every round;
        // the others keep the state they were announced with.
        const uint64_t share = opt_.floodFlapping;
        const bool flapping = id * share / 100 != (id - 1) * share / 100;
        p.up = flapping ? ((k / opt_.floodItems) % 2 == 0 ? 0 : 1) : id % 2;
        SetField(p.text, p.up ? "Up" : "Down");
        Queue(c, PktFrame(p));
    }
    if (c.floodStatusSent < due) c.floodStatusSent = due;
}

void Server::Run() {
    std::vector<pollfd> fds;
    while (!stopping_) {
        const int64_t now = NowMs();
        DemoToggle(now);
        RunDueTests(now);
        for (auto& c : clients_) {
            if (c->dead) continue;
            if (c->script) {
                c->script->Advance(now, *c);
                if (c->script->Done() && !c->scriptReported) {
                    c->scriptReported = true;
                    Emit("script-done: client=" + std::to_string(c->id));
                }
            }
            FloodStatus(*c, now);
            StatusNotices(*c, now);
            if (c->pauseUntil >= 0 && now >= c->pauseUntil) c->pauseUntil = -1;
            if (c->closing && c->Pending() == 0) CloseClient(*c, "script-close");
        }
        for (size_t i = 0; i < clients_.size();) {
            if (clients_[i]->dead)
                clients_.erase(clients_.begin() + static_cast<long>(i));
            else
                ++i;
        }
        if (opt_.once && firstClientGone_) break;

        // How long poll may sleep: until the next timed thing, at most 1 s.
        int64_t wake = now + 1000;
        auto earlier = [&](int64_t t) {
            if (t >= 0 && t < wake) wake = t;
        };
        for (const auto& kv : schedule_)
            if (!kv.second.probing) earlier(kv.second.nextAtMs);
        earlier(demoFlapAtMs_);
        for (const auto& c : clients_) {
            if (c->script && !c->script->Done()) earlier(c->script->WakeAtMs() >= 0 ? c->script->WakeAtMs() : now + 50);
            earlier(c->pauseUntil);
            if (opt_.flood && opt_.floodStatusRate > 0 && c->floodStatusStart >= 0) earlier(now + 5);
            if (!opt_.flood && opt_.statusRate > 0) earlier(now + 5);
        }

        fds.clear();
        fds.push_back({listenFd_, POLLIN, 0});
        fds.push_back({probes_.WakeFd(), POLLIN, 0});
        fds.push_back({stopPipe_[0], POLLIN, 0});
        fds.push_back({demoOpenFd_, POLLIN, 0});
        fds.push_back({demoFlapFd_, POLLIN, 0});
        const size_t firstClient = fds.size();
        for (const auto& c : clients_) {
            short ev = 0;
            if (c->pauseUntil < 0 && !c->closing) ev |= POLLIN;
            if (c->Pending() > 0) ev |= POLLOUT;
            fds.push_back({c->fd, ev, 0});
        }
        const int timeout = static_cast<int>(wake > now ? wake - now : 0);
        if (poll(fds.data(), fds.size(), timeout) < 0 && errno != EINTR) {
            Log(std::string("poll: ") + strerror(errno));
            break;
        }
        if (fds[0].revents & POLLIN) Accept();
        if (fds[1].revents & POLLIN) TakeProbeResults();
        if (fds[3].revents & POLLIN) AcceptAndDrop(demoOpenFd_);
        if (fds[4].revents & POLLIN) AcceptAndDrop(demoFlapFd_);
        for (size_t i = firstClient; i < fds.size(); ++i) {
            Client& c = *clients_[i - firstClient];
            const short re = fds[i].revents;
            if (c.dead || re == 0) continue;
            if (re & (POLLIN | POLLHUP | POLLERR)) {
                if (c.pauseUntil < 0 && !c.closing)
                    ReadFrom(c);
                else if (re & (POLLHUP | POLLERR))
                    CloseClient(c, "hangup");
            }
            if (!c.dead && (re & POLLOUT)) WriteTo(c);
        }
        // Answers produced while reading go out without waiting for the next round.
        for (auto& c : clients_)
            if (!c->dead && c->Pending() > 0) WriteTo(*c);
    }
    SaveState();
}
