#include "link/record_memory.h"

#include <cstdlib>

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
