// Memory for the client's mirror of the server: the heap records behind the
// list rows (a TestItem, an event copy) and the item index's tables. Running
// out of it costs the one message being applied and a status-log line, never
// a crash. A test makes it run out by registering a refusal.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

enum RecordMemoryUse { MEMORY_TEST_ITEM, MEMORY_EVENT_COPY, MEMORY_ITEM_INDEX };

// Asked before each allocation; returning true makes that allocation fail
// as if memory were exhausted. nullptr (the default) refuses nothing.
using MemoryRefusal = bool (*)(RecordMemoryUse use, size_t bytes);
void SetMemoryRefusal(MemoryRefusal refusal);
bool MemoryRefused(RecordMemoryUse use, size_t bytes);

// Zero-filled heap memory for a record (release it with std::free), or
// nullptr when memory is exhausted.
void* AllocateRecord(RecordMemoryUse use, size_t bytes);

// The item index's allocator: std::allocator's memory, refusable like the
// records'. Throws std::bad_alloc, which the index catches.
template <typename T>
struct IndexAllocator {
    using value_type = T;
    IndexAllocator() = default;
    template <typename U>
    IndexAllocator(const IndexAllocator<U>&) {}
    T* allocate(size_t n) {
        if (MemoryRefused(MEMORY_ITEM_INDEX, n * sizeof(T)))
            throw std::bad_alloc();
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, size_t n) { std::allocator<T>().deallocate(p, n); }
    template <typename U>
    bool operator==(const IndexAllocator<U>&) const {
        return true;
    }
    template <typename U>
    bool operator!=(const IndexAllocator<U>&) const {
        return false;
    }
};
