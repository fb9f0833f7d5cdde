// Records as the server sends them, for tests that hand them to the real
// dispatcher: zero-filled, then the fields a test names.
#pragma once

#include <cstring>

#include "core/session/server_messages.h"
#include "core/wire/wire.h"

inline Pkt Notice(uint32_t code, uint32_t itemId) {
    Pkt p;
    std::memset(&p, 0, sizeof p);
    p.kind = KIND_REQUEST;
    p.code = code;
    p.itemId = itemId;
    return p;
}

inline Pkt StatusNotice(uint32_t itemId, uint32_t up, const char* text) {
    Pkt p = Notice(CODE_ITEM_STATUS, itemId);
    p.up = up;
    std::strcpy(p.text, text);
    return p;
}

inline Pkt Item(uint32_t id, const char* name, uint32_t started, uint32_t up,
                uint32_t type = TEST_TCP, uint16_t port = 80) {
    Pkt p = Notice(CODE_ITEM_NEW, id);
    std::strcpy(p.config.name, name);
    std::strcpy(p.config.host, "10.0.0.1");
    p.config.testType = type;
    p.config.port = port;
    p.started = started;
    p.up = up;
    return p;
}

inline Pkt Response(uint32_t code, uint32_t id, uint32_t param, const char* text) {
    Pkt p = Notice(code, id);
    p.kind = KIND_RESPONSE;
    p.param = param;
    std::strcpy(p.text, text);
    return p;
}

inline Pkt Event(uint32_t code, const char* item, const char* text) {
    Pkt p = Notice(code, 0);
    std::strcpy(p.event.date, "07/12/2026");
    std::strcpy(p.event.time, "21:00:00");
    std::strcpy(p.event.itemName, item);
    std::strcpy(p.event.host, "10.0.0.1");
    std::strcpy(p.event.text, text);
    p.event.unread[3] = 0x77;
    return p;
}

inline void Deliver(const void* record, size_t length) {
    HandleServerMessage(static_cast<const uint8_t*>(record), length);
}
inline void Deliver(const Pkt& p) {
    Deliver(&p, sizeof p);
}
