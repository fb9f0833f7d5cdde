// Protocol core of the reference server.
#include "core.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <sstream>

#include <unistd.h>

namespace {

std::string ToHex(const void* data, size_t n) {
    static const char digits[] = "0123456789abcdef";
    const uint8_t* p = static_cast<const uint8_t*>(data);
    std::string s;
    s.reserve(n * 2);
    for (size_t i = 0; i < n; ++i) {
        s += digits[p[i] >> 4];
        s += digits[p[i] & 15];
    }
    return s;
}

bool FromHex(const std::string& hex, void* out, size_t n) {
    if (hex.size() != n * 2) return false;
    uint8_t* p = static_cast<uint8_t*>(out);
    for (size_t i = 0; i < n; ++i) {
        unsigned v = 0;
        if (std::sscanf(hex.c_str() + 2 * i, "%2x", &v) != 1) return false;
        p[i] = static_cast<uint8_t>(v);
    }
    return true;
}

bool LocalTime(int64_t when, std::tm& tm) {
    const time_t t = static_cast<time_t>(when);
    return localtime_r(&t, &tm) != nullptr;
}

}  // namespace

Frame PktFrame(const Pkt& p) { return EncodeFrame(EncodePkt(p)); }
Frame CfgFrame(const Cfg& c) { return EncodeFrame(EncodeCfg(c)); }

Pkt ZeroPkt(uint32_t kind, uint32_t code) {
    Pkt p{};
    p.kind = kind;
    p.code = code;
    return p;
}

void SetField(char* field, size_t width, const std::string& text) {
    std::memset(field, 0, width);
    std::memcpy(field, text.data(), text.size() < width - 1 ? text.size() : width - 1);
}

std::string ValidateConfig(const TestItemConfig& c) {
    if (FieldText(c.name).empty()) return "the name is empty";
    if (FieldText(c.host).empty()) return "the host is empty";
    if (c.testType != TEST_ICMP_PING && c.testType != TEST_TCP)
        return "unknown test type " + std::to_string(c.testType);
    if (c.testType == TEST_TCP && c.port == 0) return "a TCP test needs a port";
    if (c.interval < 1 || c.interval > 65535) return "the interval must be 1..65535 seconds";
    if (c.timeout == 0) return "the timeout must be nonzero";
    if (c.retries == 0) return "the retries must be nonzero";
    return "";
}

ServerCore::ServerCore() : clock_([] { return static_cast<int64_t>(std::time(nullptr)); }) {
    settings_.guiPort = 2111;
    settings_.smtpPort = 25;
    SetField(settings_.smtpServer, "localhost");
    SetField(settings_.adminEmail, "admin@localhost");
    SetField(settings_.sourceEmail, "quorvex@localhost");
}

uint32_t ServerCore::AddItem(const TestItemConfig& config, bool started) {
    ServerItem item;
    item.id = nextId_++;
    item.config = config;
    item.started = started;
    items_[item.id] = item;
    return item.id;
}

ServerItem* ServerCore::FindItem(uint32_t id) {
    auto it = items_.find(id);
    return it == items_.end() ? nullptr : &it->second;
}

bool ServerCore::RemoveItem(uint32_t id) { return items_.erase(id) != 0; }

Pkt ServerCore::ItemNotice(const ServerItem& item) {
    Pkt p = ZeroPkt(KIND_REQUEST, CODE_ITEM_NEW);
    p.itemId = item.id;
    p.started = item.started ? 1 : 0;
    p.up = item.up ? 1 : 0;
    p.config = item.config;
    return p;
}

Pkt ServerCore::EventNotice(uint32_t code, const StoredEvent& e) {
    Pkt p = ZeroPkt(KIND_REQUEST, code);
    p.event = e.record;
    return p;
}

void ServerCore::FillEventRecord(EventRecord& r, int64_t when, uint32_t seq, const std::string& itemName,
                                 const std::string& host, const std::string& text) {
    r = EventRecord{};
    // The first 16 bytes are the server's own: the event time (64-bit
    // little-endian epoch seconds) and a sequence number.
    for (int i = 0; i < 8; ++i) r.unread[i] = static_cast<uint8_t>(static_cast<uint64_t>(when) >> (8 * i));
    for (int i = 0; i < 4; ++i) r.unread[8 + i] = static_cast<uint8_t>(seq >> (8 * i));
    std::tm tm{};
    if (LocalTime(when, tm)) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%02d/%02d/%04d", tm.tm_mday, tm.tm_mon + 1, tm.tm_year + 1900);
        SetField(r.date, buf);
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", tm.tm_hour, tm.tm_min, tm.tm_sec);
        SetField(r.time, buf);
    }
    SetField(r.itemName, itemName);
    SetField(r.host, host);
    SetField(r.text, text);
}

const StoredEvent& ServerCore::RecordEvent(const std::string& itemName, const std::string& host,
                                           const std::string& text, int64_t when) {
    StoredEvent e;
    e.when = when;
    FillEventRecord(e.record, when, ++eventSeq_, itemName, host, text);
    events_.push_back(e);
    return events_.back();
}

std::vector<const StoredEvent*> ServerCore::EventsForDepth(uint32_t depth) const {
    std::vector<const StoredEvent*> out;
    std::tm now{};
    LocalTime(Now(), now);
    for (const StoredEvent& e : events_) {
        std::tm t{};
        if (depth < DEPTH_ALL_TIME) {
            if (!LocalTime(e.when, t)) continue;
            if (t.tm_year != now.tm_year || t.tm_mon != now.tm_mon) continue;
            if (depth == DEPTH_TODAY && t.tm_mday != now.tm_mday) continue;
        }
        out.push_back(&e);
    }
    return out;
}

void ServerCore::ReportTest(uint32_t id, bool up, const std::string& statusText, Outgoing& out) {
    ServerItem* item = FindItem(id);
    if (item == nullptr || !item->started) return;  // deleted or stopped while being tested
    const bool changed = !item->known || item->up != up;
    item->known = true;
    item->up = up;

    Pkt status = ZeroPkt(KIND_REQUEST, CODE_ITEM_STATUS);
    status.itemId = id;
    status.up = up ? 1 : 0;
    SetField(status.text, statusText);
    out.toAll.push_back(PktFrame(status));
    if (!changed) return;

    const std::string name = FieldText(item->config.name);
    const std::string host = FieldText(item->config.host);
    const StoredEvent& e = RecordEvent(name, host, up ? "Up" : "Down", Now());
    Pkt notice = EventNotice(CODE_EVENT_ACK, e);
    notice.itemId = id;
    out.toAll.push_back(PktFrame(notice));
    out.stateChanged = true;
    Log("event: " + name + " (" + host + ") " + (up ? "Up" : "Down"));
    if ((up && item->config.mailOnUp) || (!up && item->config.mailOnDown))
        Log("mail (not sent): to " + FieldText(settings_.adminEmail) + " from " + FieldText(settings_.sourceEmail) +
            " via " + FieldText(settings_.smtpServer) + ":" + std::to_string(settings_.smtpPort) + ": " + name +
            " is " + (up ? "up" : "down"));
}

void ServerCore::HandleRequest(const uint8_t* payload, size_t length, Outgoing& out) {
    if (length < 12) {
        Log("short payload of " + std::to_string(length) + " bytes ignored");
        return;
    }
    uint32_t kind = 0, code = 0;
    PeekKindCode(payload, length, kind, code);
    if (kind != KIND_REQUEST) {
        Log("message of kind " + std::to_string(kind) + " (code " + std::to_string(code) + ") ignored");
        return;
    }
    if (code == CODE_SETTINGS_GET || code == CODE_SETTINGS_SET) {
        if (length < CFG_SIZE) {
            Log("short settings payload of " + std::to_string(length) + " bytes ignored");
            return;
        }
        Cfg c = DecodeCfg(payload, length);
        if (code == CODE_SETTINGS_GET) {
            Cfg answer = settings_;
            answer.kind = KIND_RESPONSE;
            answer.code = CODE_SETTINGS_GET;
            answer.param = 0;
            out.toSender.push_back(CfgFrame(answer));
        } else {
            c.kind = 0;
            c.code = 0;
            c.param = 0;
            if (c.guiPort != settings_.guiPort)
                Log("settings: GUI port " + std::to_string(c.guiPort) + " takes effect at the next start");
            settings_ = c;
            out.stateChanged = true;
            Log("settings stored");
        }
        return;
    }
    if (code > CODE_SETTINGS_SET) {
        Log("unknown request code " + std::to_string(code) + " ignored");
        return;
    }
    if (length < PKT_SIZE) {
        Log("short payload of " + std::to_string(length) + " bytes for code " + std::to_string(code) + " ignored");
        return;
    }
    const Pkt req = DecodePkt(payload, length);
    switch (code) {
    case CODE_ITEM_NEW:
        HandleItemNew(req, out);
        break;
    case CODE_ITEM_EDIT:
        HandleItemEdit(req, out);
        break;
    case CODE_ITEM_DELETE:
        HandleItemDelete(req, out);
        break;
    case CODE_ITEM_START:
        HandleItemStartStop(req, true, out);
        break;
    case CODE_ITEM_STOP:
        HandleItemStartStop(req, false, out);
        break;
    case CODE_ITEM_LIST:
        for (const auto& kv : items_) out.toSender.push_back(PktFrame(ItemNotice(kv.second)));
        break;
    case CODE_EVENTS: {
        uint32_t depth = req.param;
        if (depth > DEPTH_ALL_TIME) {
            Log("event depth " + std::to_string(depth) + " read as all time");
            depth = DEPTH_ALL_TIME;
        }
        for (const StoredEvent* e : EventsForDepth(depth))
            out.toSender.push_back(PktFrame(EventNotice(CODE_EVENTS, *e)));
        break;
    }
    case CODE_EVENT_ACK:
        ++acksReceived_;
        break;
    default:  // CODE_ITEM_STATUS is never a request
        Log("request code " + std::to_string(code) + " ignored");
        break;
    }
}

void ServerCore::HandleItemNew(const Pkt& req, Outgoing& out) {
    Pkt resp = ZeroPkt(KIND_RESPONSE, CODE_ITEM_NEW);
    const std::string why = ValidateConfig(req.config);
    if (!why.empty()) {
        resp.param = RESULT_INVALID_CONFIG;
        SetField(resp.text, "Test item not created: " + why);
        out.toSender.push_back(PktFrame(resp));
        Log("new item refused: " + why);
        return;
    }
    const uint32_t id = AddItem(req.config, false);
    SetField(resp.text, "Test item '" + FieldText(req.config.name) + "' created (id " + std::to_string(id) + ")");
    out.toSender.push_back(PktFrame(resp));
    out.toAll.push_back(PktFrame(ItemNotice(items_[id])));
    out.stateChanged = true;
    Log("item " + std::to_string(id) + " created");
}

void ServerCore::HandleItemEdit(const Pkt& req, Outgoing& out) {
    Pkt resp = ZeroPkt(KIND_RESPONSE, CODE_ITEM_EDIT);
    resp.itemId = req.itemId;
    ServerItem* item = FindItem(req.itemId);
    const std::string why = ValidateConfig(req.config);
    if (item == nullptr) {
        resp.param = RESULT_UNKNOWN_ITEM;
        SetField(resp.text, "No test item with id " + std::to_string(req.itemId));
    } else if (!why.empty()) {
        resp.param = RESULT_INVALID_CONFIG;
        resp.config = item->config;
        SetField(resp.text, "Test item " + std::to_string(req.itemId) + " not changed: " + why);
    } else {
        item->config = req.config;
        item->known = false;
        resp.config = item->config;
        SetField(resp.text, "Test item " + std::to_string(req.itemId) + " updated");
        out.stateChanged = true;
        if (item->started) out.startedItems.push_back(item->id);
    }
    out.toSender.push_back(PktFrame(resp));
    if (resp.param == RESULT_OK) out.toOthers.push_back(out.toSender.back());
}

void ServerCore::HandleItemDelete(const Pkt& req, Outgoing& out) {
    Pkt resp = ZeroPkt(KIND_RESPONSE, CODE_ITEM_DELETE);
    resp.itemId = req.itemId;
    if (RemoveItem(req.itemId)) {
        SetField(resp.text, "Test item " + std::to_string(req.itemId) + " deleted");
        out.stateChanged = true;
    } else {
        resp.param = RESULT_UNKNOWN_ITEM;
        SetField(resp.text, "No test item with id " + std::to_string(req.itemId));
    }
    out.toSender.push_back(PktFrame(resp));
    if (resp.param == RESULT_OK) out.toOthers.push_back(out.toSender.back());
}

void ServerCore::HandleItemStartStop(const Pkt& req, bool start, Outgoing& out) {
    Pkt resp = ZeroPkt(KIND_RESPONSE, start ? CODE_ITEM_START : CODE_ITEM_STOP);
    resp.itemId = req.itemId;
    ServerItem* item = FindItem(req.itemId);
    const std::string id = std::to_string(req.itemId);
    if (item == nullptr) {
        resp.param = RESULT_UNKNOWN_ITEM;
        SetField(resp.text, "No test item with id " + id);
    } else if (start) {
        SetField(resp.text, item->started ? "Test item " + id + " is already running" : "Test item " + id + " started");
        if (!item->started) {
            item->started = true;
            item->known = false;
            out.startedItems.push_back(item->id);
            out.stateChanged = true;
        }
    } else {
        SetField(resp.text, item->started ? "Test item " + id + " stopped" : "Test item " + id + " was not running");
        out.stateChanged = item->started;
        item->started = false;
        item->up = false;
        item->known = false;
    }
    out.toSender.push_back(PktFrame(resp));
    if (resp.param == RESULT_OK) out.toOthers.push_back(out.toSender.back());
}

bool ServerCore::SaveState(const std::string& path, std::string* error) const {
    const std::string tmp = path + ".tmp";
    {
        std::ofstream f(tmp, std::ios::trunc);
        if (!f) {
            if (error) *error = "cannot write " + tmp;
            return false;
        }
        f << "quorvex-refserver-state 1\n";
        f << "next-id " << nextId_ << "\n";
        f << "event-seq " << eventSeq_ << "\n";
        // Records are kept as their wire bytes.
        const std::vector<uint8_t> settings = EncodeCfg(settings_);
        f << "settings " << ToHex(settings.data(), settings.size()) << "\n";
        uint8_t bytes[EVENT_SIZE];
        for (const auto& kv : items_) {
            EncodeConfig(kv.second.config, bytes);
            f << "item " << kv.first << ' ' << (kv.second.started ? 1 : 0) << ' ' << (kv.second.up ? 1 : 0) << ' '
              << ToHex(bytes, CONFIG_SIZE) << "\n";
        }
        for (const StoredEvent& e : events_) {
            EncodeEvent(e.record, bytes);
            f << "event " << e.when << ' ' << ToHex(bytes, EVENT_SIZE) << "\n";
        }
        f.flush();
        if (!f) {
            if (error) *error = "write to " + tmp + " failed";
            return false;
        }
    }
    if (std::rename(tmp.c_str(), path.c_str()) != 0) {
        if (error) *error = "cannot rename " + tmp + " to " + path;
        ::unlink(tmp.c_str());
        return false;
    }
    return true;
}

bool ServerCore::LoadState(const std::string& path, std::string* error) {
    std::ifstream f(path);
    if (!f) {
        if (error) *error = "cannot read " + path;
        return false;
    }
    std::string line;
    if (!std::getline(f, line) || line != "quorvex-refserver-state 1") {
        if (error) *error = path + " is not a state file";
        return false;
    }
    std::map<uint32_t, ServerItem> items;
    std::vector<StoredEvent> events;
    Cfg settings = settings_;
    uint32_t nextId = 1, seq = 0;
    int lineNo = 1;
    while (std::getline(f, line)) {
        ++lineNo;
        std::istringstream in(line);
        std::string tag, hex;
        in >> tag;
        bool ok = true;
        uint8_t bytes[CFG_SIZE];
        if (tag == "next-id") {
            ok = static_cast<bool>(in >> nextId);
        } else if (tag == "event-seq") {
            ok = static_cast<bool>(in >> seq);
        } else if (tag == "settings") {
            ok = (in >> hex) && FromHex(hex, bytes, CFG_SIZE);
            if (ok) settings = DecodeCfg(bytes, CFG_SIZE);
        } else if (tag == "item") {
            ServerItem item;
            int started = 0, up = 0;
            ok = (in >> item.id >> started >> up >> hex) && FromHex(hex, bytes, CONFIG_SIZE);
            if (ok) item.config = DecodeConfig(bytes);
            item.started = started != 0;
            item.up = up != 0;
            if (ok) items[item.id] = item;
        } else if (tag == "event") {
            StoredEvent e;
            ok = (in >> e.when >> hex) && FromHex(hex, bytes, EVENT_SIZE);
            if (ok) {
                e.record = DecodeEvent(bytes);
                events.push_back(e);
            }
        } else if (!tag.empty()) {
            ok = false;
        }
        if (!ok) Log(path + ":" + std::to_string(lineNo) + ": unreadable line skipped");
    }
    for (const auto& kv : items)
        if (kv.first >= nextId) nextId = kv.first + 1;
    items_ = std::move(items);
    events_ = std::move(events);
    settings_ = settings;
    nextId_ = nextId;
    eventSeq_ = seq;
    return true;
}
