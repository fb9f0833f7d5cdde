// Script parser and runner.
#include "script.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <type_traits>

#include "core.h"

namespace {

struct Modifiers {
    std::vector<size_t> cuts;
    long len = -1;     // header length to announce
    long shortN = -1;  // payload truncated to this many bytes
    bool fill = false;
    char fillChar = 'A';
    bool any() const { return !cuts.empty() || len >= 0 || shortN >= 0 || fill; }
};

// Splits a line into words; double quotes group words and are removed.
std::vector<std::string> Tokenize(const std::string& line) {
    std::vector<std::string> out;
    std::string cur;
    bool inQuotes = false, have = false;
    for (char c : line) {
        if (c == '"') {
            inQuotes = !inQuotes;
            have = true;
        } else if (!inQuotes && (c == ' ' || c == '\t' || c == '\r')) {
            if (have) out.push_back(cur);
            cur.clear();
            have = false;
        } else {
            cur += c;
            have = true;
        }
    }
    if (have) out.push_back(cur);
    return out;
}

bool ParseNumber(const std::string& s, unsigned long long max, unsigned long long& v) {
    if (s.empty() || s[0] == '-') return false;
    char* end = nullptr;
    errno = 0;
    v = std::strtoull(s.c_str(), &end, 0);
    return errno == 0 && *end == '\0' && v <= max;
}

template <size_t N>
void Fill(char (&field)[N], char c) {
    std::memset(field, c, N);
}

// Sets one record field from a script's key=value text.
struct FieldSetter {
    const std::string& key;
    const std::string& value;
    std::string& why;

    bool Text(char* field, size_t width) const {
        SetField(field, width, value);
        return true;
    }
    template <typename T>
    bool Number(T& field) const {
        unsigned long long v = 0;
        if (!ParseNumber(value, static_cast<T>(~T{}), v)) {
            why = "bad number '" + value + "' for " + key;
            return false;
        }
        field = static_cast<T>(v);
        return true;
    }
};

bool SetPktKey(Pkt& p, const std::string& key, const std::string& value, std::string& why) {
    const FieldSetter set{key, value, why};
    auto text = [&](char* field, size_t width) { return set.Text(field, width); };
    auto num = [&](auto& field) { return set.Number(field); };
    if (key == "kind") return num(p.kind);
    if (key == "code") return num(p.code);
    if (key == "param") return num(p.param);
    if (key == "text") return text(p.text, sizeof p.text);
    if (key == "id" || key == "itemId") return num(p.itemId);
    if (key == "started") return num(p.started);
    if (key == "up") return num(p.up);
    if (key == "name") return text(p.config.name, sizeof p.config.name);
    if (key == "host") return text(p.config.host, sizeof p.config.host);
    if (key == "type" || key == "testType") return num(p.config.testType);
    if (key == "port") return num(p.config.port);
    if (key == "interval") return num(p.config.interval);
    if (key == "timeout") return num(p.config.timeout);
    if (key == "retries") return num(p.config.retries);
    if (key == "mailOnDown") return num(p.config.mailOnDown);
    if (key == "mailOnUp") return num(p.config.mailOnUp);
    if (key == "date") return text(p.event.date, sizeof p.event.date);
    if (key == "time") return text(p.event.time, sizeof p.event.time);
    if (key == "evName") return text(p.event.itemName, sizeof p.event.itemName);
    if (key == "evHost") return text(p.event.host, sizeof p.event.host);
    if (key == "evText") return text(p.event.text, sizeof p.event.text);
    why = "unknown field '" + key + "' for send-pkt";
    return false;
}

bool SetCfgKey(Cfg& c, const std::string& key, const std::string& value, std::string& why) {
    const FieldSetter set{key, value, why};
    auto text = [&](char* field, size_t width) { return set.Text(field, width); };
    auto num = [&](auto& field) { return set.Number(field); };
    if (key == "kind") return num(c.kind);
    if (key == "code") return num(c.code);
    if (key == "param") return num(c.param);
    if (key == "guiPort") return num(c.guiPort);
    if (key == "smtpPort") return num(c.smtpPort);
    if (key == "smtpServer") return text(c.smtpServer, sizeof c.smtpServer);
    if (key == "adminEmail") return text(c.adminEmail, sizeof c.adminEmail);
    if (key == "sourceEmail") return text(c.sourceEmail, sizeof c.sourceEmail);
    if (key == "smtpAuth") return num(c.smtpAuth);
    if (key == "smtpUser") return text(c.smtpUser, sizeof c.smtpUser);
    if (key == "smtpPassword") return text(c.smtpPassword, sizeof c.smtpPassword);
    why = "unknown field '" + key + "' for send-cfg";
    return false;
}

// Builds the frame of a record, applying and clearing the pending modifiers.
ScriptStep FrameStep(std::vector<uint8_t> payload, Modifiers& mods) {
    ScriptStep s;
    s.op = StepOp::Send;
    const size_t size = payload.size();
    size_t headerLen = size;
    if (mods.shortN >= 0) {
        payload.resize(static_cast<size_t>(mods.shortN) < size ? static_cast<size_t>(mods.shortN) : size);
        headerLen = payload.size();
    }
    if (mods.len >= 0) headerLen = static_cast<size_t>(mods.len);
    s.bytes.resize(4 + payload.size());
    s.bytes[0] = FRAME_MAGIC1;
    s.bytes[1] = FRAME_MAGIC2;
    s.bytes[2] = static_cast<uint8_t>(headerLen >> 8);
    s.bytes[3] = static_cast<uint8_t>(headerLen & 0xFF);
    std::copy(payload.begin(), payload.end(), s.bytes.begin() + 4);
    for (size_t c : mods.cuts)
        if (c > 0 && c < s.bytes.size()) s.cuts.push_back(c);
    mods = Modifiers();
    return s;
}

}  // namespace

bool ParseScript(const std::string& text, std::vector<ScriptStep>& steps, std::string& error) {
    steps.clear();
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    Modifiers mods;
    uint32_t garbageSeed = 12345;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNo) + ": " + why;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        const size_t hash = line.find('#');
        if (hash != std::string::npos && line.find('"') == std::string::npos) line.erase(hash);
        std::vector<std::string> w = Tokenize(line);
        if (w.empty() || w[0][0] == '#') continue;
        const std::string& cmd = w[0];
        unsigned long long v = 0;
        ScriptStep s;
        s.line = lineNo;
        auto needArgs = [&](size_t lo, size_t hi) { return w.size() - 1 >= lo && w.size() - 1 <= hi; };

        if (cmd == "send-hex") {
            s.op = StepOp::Send;
            for (size_t i = 1; i < w.size(); ++i) {
                std::string h = w[i];
                if (h.size() % 2 != 0) return fail("odd number of hex digits in '" + h + "'");
                for (size_t k = 0; k < h.size(); k += 2) {
                    if (!ParseNumber("0x" + h.substr(k, 2), 255, v)) return fail("bad hex '" + h + "'");
                    s.bytes.push_back(static_cast<uint8_t>(v));
                }
            }
            if (s.bytes.empty()) return fail("send-hex needs bytes");
            if (!mods.cuts.empty()) s.cuts = mods.cuts;
            mods = Modifiers();
            steps.push_back(s);
        } else if (cmd == "send-pkt" || cmd == "send-cfg") {
            const bool isPkt = cmd == "send-pkt";
            Pkt p = ZeroPkt(KIND_REQUEST, CODE_ITEM_NEW);
            Cfg c{};
            c.kind = KIND_RESPONSE;
            c.code = CODE_SETTINGS_GET;
            for (size_t i = 1; i < w.size(); ++i) {
                const size_t eq = w[i].find('=');
                if (eq == std::string::npos) return fail("expected key=value, got '" + w[i] + "'");
                std::string why;
                const std::string key = w[i].substr(0, eq), value = w[i].substr(eq + 1);
                if (!(isPkt ? SetPktKey(p, key, value, why) : SetCfgKey(c, key, value, why))) return fail(why);
            }
            if (mods.fill) {
                if (isPkt) {
                    Fill(p.text, mods.fillChar);
                    Fill(p.config.name, mods.fillChar);
                    Fill(p.config.host, mods.fillChar);
                    Fill(p.event.date, mods.fillChar);
                    Fill(p.event.time, mods.fillChar);
                    Fill(p.event.itemName, mods.fillChar);
                    Fill(p.event.host, mods.fillChar);
                    Fill(p.event.text, mods.fillChar);
                } else {
                    Fill(c.smtpServer, mods.fillChar);
                    Fill(c.adminEmail, mods.fillChar);
                    Fill(c.sourceEmail, mods.fillChar);
                    Fill(c.smtpUser, mods.fillChar);
                    Fill(c.smtpPassword, mods.fillChar);
                }
            }
            ScriptStep f = isPkt ? FrameStep(EncodePkt(p), mods) : FrameStep(EncodeCfg(c), mods);
            f.line = lineNo;
            steps.push_back(f);
        } else if (cmd == "split") {
            if (w.size() < 2) return fail("split needs at least one offset");
            mods.cuts.clear();
            for (size_t i = 1; i < w.size(); ++i) {
                if (!ParseNumber(w[i], 65535 + 4, v) || v == 0) return fail("bad split offset '" + w[i] + "'");
                if (!mods.cuts.empty() && v <= mods.cuts.back()) return fail("split offsets must increase");
                mods.cuts.push_back(static_cast<size_t>(v));
            }
        } else if (cmd == "len") {
            if (!needArgs(1, 1) || !ParseNumber(w[1], 65535, v)) return fail("len needs a length 0..65535");
            mods.len = static_cast<long>(v);
        } else if (cmd == "short") {
            if (!needArgs(1, 1) || !ParseNumber(w[1], 65535, v)) return fail("short needs a byte count");
            mods.shortN = static_cast<long>(v);
        } else if (cmd == "fill-text") {
            if (!needArgs(0, 1)) return fail("fill-text takes at most one character");
            mods.fill = true;
            if (w.size() == 2) {
                if (w[1].size() != 1) return fail("fill-text takes one character");
                mods.fillChar = w[1][0];
            }
        } else if (cmd == "garbage") {
            if (!needArgs(1, 1) || !ParseNumber(w[1], 1 << 20, v) || v == 0) return fail("garbage needs a count");
            s.op = StepOp::Send;
            for (unsigned long long i = 0; i < v; ++i) {
                uint8_t b;
                do {
                    garbageSeed = garbageSeed * 1103515245u + 12345u;
                    b = static_cast<uint8_t>(garbageSeed >> 16);
                } while (b == FRAME_MAGIC1);  // never a magic byte: the next frame survives
                s.bytes.push_back(b);
            }
            steps.push_back(s);
        } else if (cmd == "pause-read") {
            double secs = 0;
            char* end = nullptr;
            if (w.size() == 2) secs = std::strtod(w[1].c_str(), &end);
            if (w.size() != 2 || *end != '\0' || secs < 0 || secs > 3600) return fail("pause-read needs seconds");
            s.op = StepOp::PauseRead;
            s.n = static_cast<long>(secs * 1000);
            steps.push_back(s);
        } else if (cmd == "sleep") {
            if (!needArgs(1, 1) || !ParseNumber(w[1], 3600000, v)) return fail("sleep needs milliseconds");
            s.op = StepOp::Sleep;
            s.n = static_cast<long>(v);
            steps.push_back(s);
        } else if (cmd == "wait-request") {
            if (!needArgs(1, 2) || !ParseNumber(w[1], 1000, v)) return fail("wait-request needs a code");
            s.op = StepOp::WaitRequest;
            s.code = static_cast<uint32_t>(v);
            s.n = WAIT_REQUEST_DEFAULT_MS;
            if (w.size() == 3) {
                if (!ParseNumber(w[2], 3600000, v)) return fail("bad wait-request timeout");
                s.n = static_cast<long>(v);
            }
            steps.push_back(s);
        } else if (cmd == "close") {
            if (!needArgs(0, 0)) return fail("close takes no argument");
            s.op = StepOp::Close;
            steps.push_back(s);
        } else if (cmd == "record") {
            if (!needArgs(1, 1)) return fail("record needs a file name");
            s.op = StepOp::Record;
            s.text = w[1];
            steps.push_back(s);
        } else if (cmd == "serve") {
            if (!needArgs(1, 1) || (w[1] != "on" && w[1] != "off")) return fail("serve needs on or off");
            s.op = StepOp::Serve;
            s.n = w[1] == "on" ? 1 : 0;
            steps.push_back(s);
        } else if (cmd == "mark") {
            s.op = StepOp::Mark;
            for (size_t i = 1; i < w.size(); ++i) s.text += (i > 1 ? " " : "") + w[i];
            steps.push_back(s);
        } else {
            return fail("unknown command '" + cmd + "'");
        }
    }
    if (mods.any()) return fail("a frame modifier is not followed by a frame");
    return true;
}

bool LoadScriptFile(const std::string& path, std::vector<ScriptStep>& steps, std::string& error) {
    std::ifstream f(path);
    if (!f) {
        error = "cannot read " + path;
        return false;
    }
    std::stringstream ss;
    ss << f.rdbuf();
    if (!ParseScript(ss.str(), steps, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

void ScriptRunner::OnRequest(uint32_t code) {
    if (code > 1000) return;
    if (received_.size() <= code) received_.resize(code + 1, 0);
    ++received_[code];
}

void ScriptRunner::Advance(int64_t nowMs, ScriptHost& host) {
    for (;;) {
        if (!pieces_.empty()) {
            if (nowMs < wakeAt_ || host.ScriptPendingOutput() > 0) return;
            host.ScriptSend(pieces_.front().data(), pieces_.front().size());
            pieces_.erase(pieces_.begin());
            wakeAt_ = pieces_.empty() ? -1 : nowMs + SPLIT_GAP_MS;
            continue;
        }
        if (pc_ >= steps_->size()) return;
        const ScriptStep& s = (*steps_)[pc_];
        switch (s.op) {
        case StepOp::Send:
            if (s.cuts.empty()) {
                host.ScriptSend(s.bytes.data(), s.bytes.size());
            } else {
                size_t from = 0;
                for (size_t c : s.cuts) {
                    if (c <= from || c >= s.bytes.size()) continue;
                    pieces_.emplace_back(s.bytes.begin() + static_cast<long>(from),
                                         s.bytes.begin() + static_cast<long>(c));
                    from = c;
                }
                pieces_.emplace_back(s.bytes.begin() + static_cast<long>(from), s.bytes.end());
                host.ScriptSend(pieces_.front().data(), pieces_.front().size());
                pieces_.erase(pieces_.begin());
                wakeAt_ = nowMs + SPLIT_GAP_MS;
            }
            ++pc_;
            break;
        case StepOp::PauseRead:
            host.ScriptPauseRead(nowMs + s.n);
            ++pc_;
            break;
        case StepOp::Sleep:
            if (!waiting_) {
                waiting_ = true;
                wakeAt_ = nowMs + s.n;
            }
            if (nowMs < wakeAt_) return;
            waiting_ = false;
            wakeAt_ = -1;
            ++pc_;
            break;
        case StepOp::WaitRequest: {
            if (!waiting_) {
                waiting_ = true;
                wakeAt_ = nowMs + s.n;
            }
            if (consumed_.size() <= s.code) consumed_.resize(s.code + 1, 0);
            const uint32_t got = s.code < received_.size() ? received_[s.code] : 0;
            if (got > consumed_[s.code]) {
                ++consumed_[s.code];
            } else if (nowMs < wakeAt_) {
                return;
            } else {
                host.ScriptTimeout(s.code);
                waiting_ = false;
                wakeAt_ = -1;
                pc_ = steps_->size();  // a timed-out script stops here
                return;
            }
            waiting_ = false;
            wakeAt_ = -1;
            ++pc_;
            break;
        }
        case StepOp::Close:
            host.ScriptClose();
            pc_ = steps_->size();
            return;
        case StepOp::Record:
            host.ScriptRecord(s.text);
            ++pc_;
            break;
        case StepOp::Serve:
            host.ScriptServe(s.n != 0);
            ++pc_;
            break;
        case StepOp::Mark:
            host.ScriptMark(s.text);
            ++pc_;
            break;
        }
    }
}
