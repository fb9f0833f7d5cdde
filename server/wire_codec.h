// The reference server's own reading and writing of the protocol's records.
//
// The client keeps its records as packed structs copied byte for byte; the
// server does not share them. Its records below are plain structs in whatever
// layout the compiler likes, and EncodePkt/DecodePkt and friends put every
// field at its byte offset by hand. So a field moved or resized on one side
// shows up as a disagreement between the two, which the end-to-end tests and
// the layout test see.
//
// Integers are little-endian; texts are fixed-width 8-bit fields, NUL-ended
// inside the field when shorter than it. Decoding a payload shorter than its
// record reads zeros for the missing tail; bytes past the record are ignored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace refwire {

enum : uint32_t {
    KIND_REQUEST = 0,
    KIND_RESPONSE = 1,
};

enum : uint32_t {
    CODE_ITEM_NEW = 0,
    CODE_ITEM_EDIT = 1,
    CODE_ITEM_DELETE = 2,
    CODE_ITEM_START = 3,
    CODE_ITEM_STOP = 4,
    CODE_ITEM_LIST = 5,
    CODE_ITEM_STATUS = 6,
    CODE_EVENTS = 7,
    CODE_EVENT_ACK = 8,
    CODE_SETTINGS_GET = 9,
    CODE_SETTINGS_SET = 10,
};

enum : uint32_t {
    TEST_ICMP_PING = 0,
    TEST_TCP = 1,
};

enum : uint32_t {
    DEPTH_TODAY = 0,
    DEPTH_THIS_MONTH = 1,
    DEPTH_ALL_TIME = 2,
};

constexpr uint8_t FRAME_MAGIC1 = 0x51;  // 'Q'
constexpr uint8_t FRAME_MAGIC2 = 0x58;  // 'X'
constexpr size_t FRAME_HEADER_SIZE = 4;
constexpr size_t FRAME_MAX_PAYLOAD = 2048;

// Sizes of the records on the wire.
constexpr size_t CONFIG_SIZE = 188;
constexpr size_t EVENT_SIZE = 296;
constexpr size_t PKT_SIZE = 640;
constexpr size_t CFG_SIZE = 420;

// Text fields keep their wire widths, so that what fits on the wire fits here.
struct TestItemConfig {
    char name[80];
    char host[80];
    uint32_t testType;
    uint16_t port;
    uint32_t interval;
    uint32_t timeout;
    uint32_t retries;
    uint32_t mailOnDown;
    uint32_t mailOnUp;
};

struct EventRecord {
    uint8_t unread[16];  // the server's own: event time and sequence number
    char date[16];
    char time[16];
    char itemName[80];
    char host[86];
    char text[82];
};

struct Pkt {
    uint32_t kind;
    uint32_t code;
    uint32_t param;
    char text[128];
    uint32_t itemId;
    uint32_t started;
    uint32_t up;
    TestItemConfig config;
    EventRecord event;
};

struct Cfg {
    uint32_t kind;
    uint32_t code;
    uint32_t param;
    uint16_t guiPort;
    uint16_t smtpPort;
    char smtpServer[80];
    char adminEmail[80];
    char sourceEmail[80];
    uint32_t smtpAuth;
    char smtpUser[80];
    char smtpPassword[80];
};

// Writers fill exactly the record's size at out; reserved bytes are zero.
void EncodeConfig(const TestItemConfig& c, uint8_t* out);
void EncodeEvent(const EventRecord& e, uint8_t* out);
std::vector<uint8_t> EncodePkt(const Pkt& p);
std::vector<uint8_t> EncodeCfg(const Cfg& c);

// Readers take exactly the record's size from in.
TestItemConfig DecodeConfig(const uint8_t* in);
EventRecord DecodeEvent(const uint8_t* in);
// Readers of a payload of any length.
Pkt DecodePkt(const uint8_t* payload, size_t length);
Cfg DecodeCfg(const uint8_t* payload, size_t length);

// kind and code of a payload, or false when it is shorter than 8 bytes.
bool PeekKindCode(const uint8_t* payload, size_t length, uint32_t& kind, uint32_t& code);

// The magic, the big-endian length and the payload.
std::vector<uint8_t> EncodeFrame(const std::vector<uint8_t>& payload);

// Cuts a byte stream into payloads however it was split. A header announcing
// more than FRAME_MAX_PAYLOAD bytes, or none, is dropped and the search for
// the magic resumes with the next byte.
class FrameReader {
public:
    using Sink = std::function<void(const uint8_t* payload, size_t length)>;
    void Feed(const uint8_t* bytes, size_t count, const Sink& sink);
    // True between a frame's first magic byte and its last payload byte.
    bool InsideFrame() const { return state_ != State::Magic1; }

private:
    enum class State { Magic1, Magic2, LenHigh, LenLow, Payload };
    State state_ = State::Magic1;
    size_t length_ = 0;
    std::vector<uint8_t> payload_;
};

// The text of a field up to its NUL or its end.
template <size_t N>
inline std::string FieldText(const char (&field)[N]) {
    size_t n = 0;
    while (n < N && field[n] != '\0') ++n;
    return std::string(field, n);
}

}  // namespace refwire
