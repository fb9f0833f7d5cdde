// Memory for the client's mirror of the server: the heap records behind the
// list rows (a TestItem, an event copy), the mirror's tables (the item
// index, the list of event rows) and the alerts gathered for the next
// balloon. Running out of it costs the one message being applied and a
// status-log line (or, for an alert, that alert), never a crash. A test
// makes it run out by registering a refusal.
#pragma once

#include <cstddef>
#include <memory>
#include <new>

enum RecordMemoryUse {
    MEMORY_TEST_ITEM,
    MEMORY_EVENT_COPY,
    MEMORY_ITEM_INDEX,
    MEMORY_EVENT_TABLE,
    MEMORY_ALERT,
};

// Asked before each allocation; returning true makes that allocation fail
// as if memory were exhausted. nullptr (the default) refuses nothing.
using MemoryRefusal = bool (*)(RecordMemoryUse use, size_t bytes);
void SetMemoryRefusal(MemoryRefusal refusal);
bool MemoryRefused(RecordMemoryUse use, size_t bytes);

// Where records come from: calloc and free unless the program registers a
// heap of its own, before the first record is made.
struct RecordHeap {
    void* (*allocate)(size_t bytes);  // zero-filled, or nullptr
    void (*release)(void* record);
};
void SetRecordHeap(const RecordHeap* heap);

// Zero-filled heap memory for a record, or nullptr when memory is exhausted.
void* AllocateRecord(RecordMemoryUse use, size_t bytes);
// Heap memory holding a copy of `bytes` bytes of source, or nullptr.
void* CopyRecord(RecordMemoryUse use, const void* source, size_t bytes);
// Gives back what AllocateRecord or CopyRecord returned (nullptr is ignored).
void ReleaseRecord(void* record);

// The containers' allocator: std::allocator's memory, refusable like the
// records'. Throws std::bad_alloc, which the container's owner catches.
template <typename T, RecordMemoryUse Use>
struct RefusableAllocator {
    using value_type = T;
    template <typename U>
    struct rebind {
        using other = RefusableAllocator<U, Use>;
    };
    RefusableAllocator() = default;
    template <typename U>
    RefusableAllocator(const RefusableAllocator<U, Use>&) {}
    T* allocate(size_t n) {
        if (MemoryRefused(Use, n * sizeof(T)))
            throw std::bad_alloc();
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, size_t n) { std::allocator<T>().deallocate(p, n); }
    template <typename U>
    bool operator==(const RefusableAllocator<U, Use>&) const {
        return true;
    }
    template <typename U>
    bool operator!=(const RefusableAllocator<U, Use>&) const {
        return false;
    }
};

template <typename T>
using IndexAllocator = RefusableAllocator<T, MEMORY_ITEM_INDEX>;
