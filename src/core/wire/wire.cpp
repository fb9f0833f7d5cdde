// Helpers for reading the wire records safely.
#include "core/wire/wire.h"

#include <cstring>

const char* const testTypeNames[] = {"ICMP Ping", "TCP", nullptr};

const char* TestTypeText(uint32_t testType) {
    constexpr uint32_t count = sizeof testTypeNames / sizeof testTypeNames[0] - 1;
    return testType < count ? testTypeNames[testType] : "Unknown";
}

Pkt MakeRequest(uint32_t code, uint32_t itemId, uint32_t param) {
    Pkt pkt;
    std::memset(&pkt, 0, sizeof pkt);
    pkt.kind = KIND_REQUEST;
    pkt.code = code;
    pkt.itemId = itemId;
    pkt.param = param;
    return pkt;
}

void DecodeRecord(void* record, size_t recordSize, const uint8_t* payload, size_t length) {
    std::memset(record, 0, recordSize);
    if (payload != nullptr)
        std::memcpy(record, payload, length < recordSize ? length : recordSize);
}

void CopyFieldText(char* dst, size_t dstSize, const char* field, size_t fieldWidth) {
    if (dstSize == 0)
        return;
    size_t n = strnlen(field, fieldWidth);
    if (n > dstSize - 1)
        n = dstSize - 1;
    std::memcpy(dst, field, n);
    dst[n] = '\0';
}
