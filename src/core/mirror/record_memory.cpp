#include "core/mirror/record_memory.h"

#include <cstdlib>
#include <cstring>

namespace {

MemoryRefusal g_refusal;

void* AllocateZeroed(size_t bytes) {
    return std::calloc(1, bytes);
}

const RecordHeap kCHeap = {AllocateZeroed, std::free};
const RecordHeap* g_heap = &kCHeap;

}  // namespace

void SetMemoryRefusal(MemoryRefusal refusal) {
    g_refusal = refusal;
}

void SetRecordHeap(const RecordHeap* heap) {
    g_heap = heap != nullptr ? heap : &kCHeap;
}

bool MemoryRefused(RecordMemoryUse use, size_t bytes) {
    return g_refusal != nullptr && g_refusal(use, bytes);
}

void* AllocateRecord(RecordMemoryUse use, size_t bytes) {
    return MemoryRefused(use, bytes) ? nullptr : g_heap->allocate(bytes);
}

void* CopyRecord(RecordMemoryUse use, const void* source, size_t bytes) {
    void* copy = AllocateRecord(use, bytes);
    if (copy != nullptr)
        std::memcpy(copy, source, bytes);
    return copy;
}

void ReleaseRecord(void* record) {
    if (record != nullptr)
        g_heap->release(record);
}
