// Wire records shared with the Quorvex Server.
//
// Everything that crosses the server connection is one of two fixed-size
// records, copied byte for byte: the 640-byte Pkt and the 420-byte Cfg.
// Integers inside records are little-endian in their natural layout; texts
// are fixed-width 8-bit arrays terminated by a NUL inside the field (a server
// may fill a field without one, so readers stop at the field's end).
//
// This header needs no Win32 and is shared by the client, the reference
// server and the native tests. Every offset and size is pinned below.
#pragma once

#include <cstddef>
#include <cstdint>

// Kinds (first word of every record).
enum : uint32_t {
    KIND_REQUEST = 0,   // opens an exchange: every client message, every server notice
    KIND_RESPONSE = 1,  // the server's answer to a client command
};

// Codes (second word). The same number names a request, its response and its notice.
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

// Test types (TestItemConfig::testType).
enum : uint32_t {
    TEST_ICMP_PING = 0,
    TEST_TCP = 1,
};

// Event view depth (param of a CODE_EVENTS request).
enum : uint32_t {
    DEPTH_TODAY = 0,
    DEPTH_THIS_MONTH = 1,
    DEPTH_ALL_TIME = 2,
};

constexpr uint8_t FRAME_MAGIC1 = 0x51;  // 'Q'
constexpr uint8_t FRAME_MAGIC2 = 0x58;  // 'X'
constexpr size_t FRAME_HEADER_SIZE = 4;
constexpr size_t FRAME_MAX_PAYLOAD = 2048;  // largest payload the receiver accepts
constexpr size_t FRAME_BUFFER_SIZE = 2048;  // the sender's frame buffer

constexpr size_t NAME_FIELD = 80;  // every 80-byte text field holds at most 79 characters

struct TestItemConfig {
    char name[80];      // item description, "Test Item" column
    char host[80];      // host name or IP address to test
    uint32_t testType;  // TEST_ICMP_PING or TEST_TCP
    uint16_t port;      // TCP port; nonzero for TEST_TCP
    uint8_t reserved[2];
    uint32_t interval;  // seconds, 1..65535
    uint32_t timeout;   // seconds, nonzero
    uint32_t retries;   // nonzero
    uint32_t mailOnDown;
    uint32_t mailOnUp;
};

struct EventRecord {
    uint8_t unread[16];  // the server's own bookkeeping; carried, never read
    char date[16];
    char time[16];
    char itemName[80];
    char host[86];
    char text[82];  // "Down" and "Up" select the row colours
};

struct Pkt {
    uint32_t kind;
    uint32_t code;
    uint32_t param;  // depth in a CODE_EVENTS request; result (0 = success) in responses
    char text[128];  // server's status-log line, or Status column text
    uint32_t itemId;
    uint32_t started;
    uint32_t up;
    TestItemConfig config;
    uint8_t reserved[4];
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

// The client's record behind each row of the test items list; never sent.
struct TestItem {
    uint32_t itemId;
    TestItemConfig config;
    uint32_t started;
    uint32_t up;
};

static_assert(offsetof(TestItemConfig, name) == 0, "TestItemConfig layout");
static_assert(offsetof(TestItemConfig, host) == 80, "TestItemConfig layout");
static_assert(offsetof(TestItemConfig, testType) == 160, "TestItemConfig layout");
static_assert(offsetof(TestItemConfig, port) == 164, "TestItemConfig layout");
static_assert(offsetof(TestItemConfig, reserved) == 166, "TestItemConfig layout");
static_assert(offsetof(TestItemConfig, interval) == 168, "TestItemConfig layout");
static_assert(offsetof(TestItemConfig, timeout) == 172, "TestItemConfig layout");
static_assert(offsetof(TestItemConfig, retries) == 176, "TestItemConfig layout");
static_assert(offsetof(TestItemConfig, mailOnDown) == 180, "TestItemConfig layout");
static_assert(offsetof(TestItemConfig, mailOnUp) == 184, "TestItemConfig layout");
static_assert(sizeof(TestItemConfig) == 188, "TestItemConfig size");

static_assert(offsetof(EventRecord, unread) == 0, "EventRecord layout");
static_assert(offsetof(EventRecord, date) == 16, "EventRecord layout");
static_assert(offsetof(EventRecord, time) == 32, "EventRecord layout");
static_assert(offsetof(EventRecord, itemName) == 48, "EventRecord layout");
static_assert(offsetof(EventRecord, host) == 128, "EventRecord layout");
static_assert(offsetof(EventRecord, text) == 214, "EventRecord layout");
static_assert(sizeof(EventRecord) == 296, "EventRecord size");

static_assert(offsetof(Pkt, kind) == 0, "Pkt layout");
static_assert(offsetof(Pkt, code) == 4, "Pkt layout");
static_assert(offsetof(Pkt, param) == 8, "Pkt layout");
static_assert(offsetof(Pkt, text) == 12, "Pkt layout");
static_assert(offsetof(Pkt, itemId) == 140, "Pkt layout");
static_assert(offsetof(Pkt, started) == 144, "Pkt layout");
static_assert(offsetof(Pkt, up) == 148, "Pkt layout");
static_assert(offsetof(Pkt, config) == 152, "Pkt layout");
static_assert(offsetof(Pkt, reserved) == 340, "Pkt layout");
static_assert(offsetof(Pkt, event) == 344, "Pkt layout");
static_assert(sizeof(Pkt) == 640, "Pkt size");

static_assert(offsetof(Cfg, kind) == 0, "Cfg layout");
static_assert(offsetof(Cfg, code) == 4, "Cfg layout");
static_assert(offsetof(Cfg, param) == 8, "Cfg layout");
static_assert(offsetof(Cfg, guiPort) == 12, "Cfg layout");
static_assert(offsetof(Cfg, smtpPort) == 14, "Cfg layout");
static_assert(offsetof(Cfg, smtpServer) == 16, "Cfg layout");
static_assert(offsetof(Cfg, adminEmail) == 96, "Cfg layout");
static_assert(offsetof(Cfg, sourceEmail) == 176, "Cfg layout");
static_assert(offsetof(Cfg, smtpAuth) == 256, "Cfg layout");
static_assert(offsetof(Cfg, smtpUser) == 260, "Cfg layout");
static_assert(offsetof(Cfg, smtpPassword) == 340, "Cfg layout");
static_assert(sizeof(Cfg) == 420, "Cfg size");

static_assert(offsetof(TestItem, itemId) == 0, "TestItem layout");
static_assert(offsetof(TestItem, config) == 4, "TestItem layout");
static_assert(offsetof(TestItem, started) == 192, "TestItem layout");
static_assert(offsetof(TestItem, up) == 196, "TestItem layout");
static_assert(sizeof(TestItem) == 200, "TestItem size");

// Test type texts indexed by testType, closed by a null entry.
extern const char* const testTypeNames[];

// The text shown for a testType; "Unknown" for a value outside the table.
const char* TestTypeText(uint32_t testType);

// A request Pkt as every command builds it: zero-filled, then kind
// KIND_REQUEST and the given code, item id and param.
Pkt MakeRequest(uint32_t code, uint32_t itemId = 0, uint32_t param = 0);

// Copies a received record out of a payload of any length: the record is
// zero-filled first and at most its own size is copied, so a short payload
// leaves a zero tail and nothing is read past the payload's end.
void DecodeRecord(void* record, size_t recordSize, const uint8_t* payload, size_t length);

// Copies the text of a fixed-width field into dst (dstSize > 0), stopping at
// the field's NUL or at its end, whichever comes first; dst is always
// NUL-terminated. Use it for every text that came from the server.
void CopyFieldText(char* dst, size_t dstSize, const char* field, size_t fieldWidth);

template <size_t D, size_t F>
inline void CopyFieldText(char (&dst)[D], const char (&field)[F]) {
    CopyFieldText(dst, D, field, F);
}
