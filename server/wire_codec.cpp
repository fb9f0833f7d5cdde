// Field by field encoding of the records, at the offsets the protocol fixes.
#include "wire_codec.h"

#include <cstring>

namespace refwire {

namespace {

void PutU16(uint8_t* b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}

void PutU32(uint8_t* b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

uint16_t GetU16(const uint8_t* b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

uint32_t GetU32(const uint8_t* b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

template <size_t N>
void PutText(uint8_t* b, size_t at, const char (&field)[N]) {
    std::memcpy(b + at, field, N);
}

template <size_t N>
void GetText(const uint8_t* b, size_t at, char (&field)[N]) {
    std::memcpy(field, b + at, N);
}

// A copy of the payload padded with zeros (or cut) to the record's size.
std::vector<uint8_t> Padded(const uint8_t* payload, size_t length, size_t size) {
    std::vector<uint8_t> b(size, 0);
    if (payload != nullptr) std::memcpy(b.data(), payload, length < size ? length : size);
    return b;
}

}  // namespace

void EncodeConfig(const TestItemConfig& c, uint8_t* out) {
    std::memset(out, 0, CONFIG_SIZE);
    PutText(out, 0, c.name);
    PutText(out, 80, c.host);
    PutU32(out, 160, c.testType);
    PutU16(out, 164, c.port);
    PutU32(out, 168, c.interval);
    PutU32(out, 172, c.timeout);
    PutU32(out, 176, c.retries);
    PutU32(out, 180, c.mailOnDown);
    PutU32(out, 184, c.mailOnUp);
}

TestItemConfig DecodeConfig(const uint8_t* in) {
    TestItemConfig c{};
    GetText(in, 0, c.name);
    GetText(in, 80, c.host);
    c.testType = GetU32(in, 160);
    c.port = GetU16(in, 164);
    c.interval = GetU32(in, 168);
    c.timeout = GetU32(in, 172);
    c.retries = GetU32(in, 176);
    c.mailOnDown = GetU32(in, 180);
    c.mailOnUp = GetU32(in, 184);
    return c;
}

void EncodeEvent(const EventRecord& e, uint8_t* out) {
    std::memcpy(out, e.unread, 16);
    PutText(out, 16, e.date);
    PutText(out, 32, e.time);
    PutText(out, 48, e.itemName);
    PutText(out, 128, e.host);
    PutText(out, 214, e.text);
}

EventRecord DecodeEvent(const uint8_t* in) {
    EventRecord e{};
    std::memcpy(e.unread, in, 16);
    GetText(in, 16, e.date);
    GetText(in, 32, e.time);
    GetText(in, 48, e.itemName);
    GetText(in, 128, e.host);
    GetText(in, 214, e.text);
    return e;
}

std::vector<uint8_t> EncodePkt(const Pkt& p) {
    std::vector<uint8_t> b(PKT_SIZE, 0);
    PutU32(b.data(), 0, p.kind);
    PutU32(b.data(), 4, p.code);
    PutU32(b.data(), 8, p.param);
    PutText(b.data(), 12, p.text);
    PutU32(b.data(), 140, p.itemId);
    PutU32(b.data(), 144, p.started);
    PutU32(b.data(), 148, p.up);
    EncodeConfig(p.config, b.data() + 152);
    EncodeEvent(p.event, b.data() + 344);  // 340..343 reserved
    return b;
}

Pkt DecodePkt(const uint8_t* payload, size_t length) {
    const std::vector<uint8_t> b = Padded(payload, length, PKT_SIZE);
    Pkt p{};
    p.kind = GetU32(b.data(), 0);
    p.code = GetU32(b.data(), 4);
    p.param = GetU32(b.data(), 8);
    GetText(b.data(), 12, p.text);
    p.itemId = GetU32(b.data(), 140);
    p.started = GetU32(b.data(), 144);
    p.up = GetU32(b.data(), 148);
    p.config = DecodeConfig(b.data() + 152);
    p.event = DecodeEvent(b.data() + 344);
    return p;
}

std::vector<uint8_t> EncodeCfg(const Cfg& c) {
    std::vector<uint8_t> b(CFG_SIZE, 0);
    PutU32(b.data(), 0, c.kind);
    PutU32(b.data(), 4, c.code);
    PutU32(b.data(), 8, c.param);
    PutU16(b.data(), 12, c.guiPort);
    PutU16(b.data(), 14, c.smtpPort);
    PutText(b.data(), 16, c.smtpServer);
    PutText(b.data(), 96, c.adminEmail);
    PutText(b.data(), 176, c.sourceEmail);
    PutU32(b.data(), 256, c.smtpAuth);
    PutText(b.data(), 260, c.smtpUser);
    PutText(b.data(), 340, c.smtpPassword);
    return b;
}

Cfg DecodeCfg(const uint8_t* payload, size_t length) {
    const std::vector<uint8_t> b = Padded(payload, length, CFG_SIZE);
    Cfg c{};
    c.kind = GetU32(b.data(), 0);
    c.code = GetU32(b.data(), 4);
    c.param = GetU32(b.data(), 8);
    c.guiPort = GetU16(b.data(), 12);
    c.smtpPort = GetU16(b.data(), 14);
    GetText(b.data(), 16, c.smtpServer);
    GetText(b.data(), 96, c.adminEmail);
    GetText(b.data(), 176, c.sourceEmail);
    c.smtpAuth = GetU32(b.data(), 256);
    GetText(b.data(), 260, c.smtpUser);
    GetText(b.data(), 340, c.smtpPassword);
    return c;
}

bool PeekKindCode(const uint8_t* payload, size_t length, uint32_t& kind, uint32_t& code) {
    if (length < 8) return false;
    kind = GetU32(payload, 0);
    code = GetU32(payload, 4);
    return true;
}

std::vector<uint8_t> EncodeFrame(const std::vector<uint8_t>& payload) {
    std::vector<uint8_t> f(FRAME_HEADER_SIZE + payload.size());
    f[0] = FRAME_MAGIC1;
    f[1] = FRAME_MAGIC2;
    f[2] = static_cast<uint8_t>(payload.size() >> 8);
    f[3] = static_cast<uint8_t>(payload.size() & 0xFF);
    if (!payload.empty()) std::memcpy(f.data() + FRAME_HEADER_SIZE, payload.data(), payload.size());
    return f;
}

void FrameReader::Feed(const uint8_t* bytes, size_t count, const Sink& sink) {
    for (size_t i = 0; i < count; ++i) {
        const uint8_t b = bytes[i];
        switch (state_) {
        case State::Magic1:
            if (b == FRAME_MAGIC1) state_ = State::Magic2;
            break;
        case State::Magic2:
            state_ = b == FRAME_MAGIC2 ? State::LenHigh : State::Magic1;
            break;
        case State::LenHigh:
            length_ = static_cast<size_t>(b) << 8;
            state_ = State::LenLow;
            break;
        case State::LenLow:
            length_ |= b;
            payload_.clear();
            state_ = length_ == 0 || length_ > FRAME_MAX_PAYLOAD ? State::Magic1 : State::Payload;
            break;
        case State::Payload:
            payload_.push_back(b);
            if (payload_.size() == length_) {
                state_ = State::Magic1;
                sink(payload_.data(), payload_.size());
            }
            break;
        }
    }
}

}  // namespace refwire
