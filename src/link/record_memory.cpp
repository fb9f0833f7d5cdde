#include "link/record_memory.h"

#include <cstdlib>
#include <cstring>

namespace {

MemoryRefusal g_refusal;

}  // namespace

void SetMemoryRefusal(MemoryRefusal refusal) {
    g_refusal = refusal;
}

bool MemoryRefused(RecordMemoryUse use, size_t bytes) {
    return g_refusal != nullptr && g_refusal(use, bytes);
}

void* AllocateRecord(RecordMemoryUse use, size_t bytes) {
    return MemoryRefused(use, bytes) ? nullptr : std::calloc(1, bytes);
}

void* CopyRecord(RecordMemoryUse use, const void* source, size_t bytes) {
    void* copy = MemoryRefused(use, bytes) ? nullptr : std::malloc(bytes);
    if (copy != nullptr)
        std::memcpy(copy, source, bytes);
    return copy;
}

void ReleaseRecord(void* record) {
    std::free(record);
}
