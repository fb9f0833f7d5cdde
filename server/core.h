// The reference server's protocol core: test items, settings and events, and
// the answer to every request a client can send. No sockets here: a request
// payload goes in, frames for the asking client and frames for every client
// come out, so the whole protocol is testable byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "wire_codec.h"

// The server speaks through its own codec, never through the client's records.
using namespace refwire;

using Frame = std::vector<uint8_t>;

// Result codes carried in `param` of a failed item command response.
enum : uint32_t {
    RESULT_OK = 0,
    RESULT_UNKNOWN_ITEM = 1,
    RESULT_INVALID_CONFIG = 2,
};

struct ServerItem {
    uint32_t id = 0;
    TestItemConfig config{};
    bool started = false;
    bool up = false;
    bool known = false;  // at least one test result since the item was started
};

struct StoredEvent {
    int64_t when = 0;  // seconds since the epoch, the server's own clock
    EventRecord record{};
};

// What one request produced.
struct Outgoing {
    std::vector<Frame> toSender;         // answers for the asking client, in order
    std::vector<Frame> toOthers;         // for every other connected client
    std::vector<Frame> toAll;            // notices for every client, the asker included (sent after toSender)
    bool stateChanged = false;           // items, settings or events changed: save the state file
    std::vector<uint32_t> startedItems;  // items whose test must be (re)scheduled now
};

Frame PktFrame(const Pkt& p);
Frame CfgFrame(const Cfg& c);
Pkt ZeroPkt(uint32_t kind, uint32_t code);

// Copies text into a fixed-width field, truncated to width-1 characters, NUL-filled.
void SetField(char* field, size_t width, const std::string& text);
template <size_t N>
inline void SetField(char (&field)[N], const std::string& text) {
    SetField(field, N, text);
}

// Why a configuration is refused, or "" when it is acceptable.
std::string ValidateConfig(const TestItemConfig& c);

class ServerCore {
public:
    using Clock = std::function<int64_t()>;
    using Logger = std::function<void(const std::string&)>;

    ServerCore();

    void SetClock(Clock clock) { clock_ = std::move(clock); }
    void SetLogger(Logger logger) { log_ = std::move(logger); }
    int64_t Now() const { return clock_(); }

    // Handles one request payload (of any length) from a client.
    void HandleRequest(const uint8_t* payload, size_t length, Outgoing& out);

    // Items.
    uint32_t AddItem(const TestItemConfig& config, bool started);
    ServerItem* FindItem(uint32_t id);
    const std::map<uint32_t, ServerItem>& Items() const { return items_; }
    bool RemoveItem(uint32_t id);
    void SetNextId(uint32_t id) { nextId_ = id; }

    // A test of item `id` finished: always a CODE_ITEM_STATUS notice; when the
    // result differs from the last one, an event ("Up"/"Down") is recorded and
    // pushed as a CODE_EVENT_ACK notice. Frames go into out.toAll.
    void ReportTest(uint32_t id, bool up, const std::string& statusText, Outgoing& out);

    // Events.
    const StoredEvent& RecordEvent(const std::string& itemName, const std::string& host, const std::string& text,
                                   int64_t when);
    const std::vector<StoredEvent>& Events() const { return events_; }
    std::vector<const StoredEvent*> EventsForDepth(uint32_t depth) const;
    uint64_t AcksReceived() const { return acksReceived_; }

    // Settings.
    const Cfg& Settings() const { return settings_; }
    void SetSettings(const Cfg& c) { settings_ = c; }

    // State file: items, settings, events, next id. Save writes a temporary
    // file and renames it over `path`, so a crash never leaves half a file.
    bool SaveState(const std::string& path, std::string* error) const;
    bool LoadState(const std::string& path, std::string* error);

    // Builds the notice that announces an item (CODE_ITEM_NEW, KIND_REQUEST).
    static Pkt ItemNotice(const ServerItem& item);
    static Pkt EventNotice(uint32_t code, const StoredEvent& e);
    static void FillEventRecord(EventRecord& r, int64_t when, uint32_t seq, const std::string& itemName,
                                const std::string& host, const std::string& text);

private:
    void Log(const std::string& s) const {
        if (log_) log_(s);
    }
    void HandleItemNew(const Pkt& req, Outgoing& out);
    void HandleItemEdit(const Pkt& req, Outgoing& out);
    void HandleItemDelete(const Pkt& req, Outgoing& out);
    void HandleItemStartStop(const Pkt& req, bool start, Outgoing& out);

    Clock clock_;
    Logger log_;
    std::map<uint32_t, ServerItem> items_;
    std::vector<StoredEvent> events_;
    Cfg settings_{};
    uint32_t nextId_ = 1;
    uint32_t eventSeq_ = 0;
    uint64_t acksReceived_ = 0;
};
