// An index of the test items list's records, so that a message naming an
// item finds its row without walking the list. Rows are only ever appended
// at the end and removed one at a time, so the index mirrors their order:
// among records that share an itemId the one filed first is the upper row,
// and it is the one a lookup returns.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/mirror/record_memory.h"
#include "core/wire/wire.h"

class ItemIndex {
public:
    // Files a record for a row appended at the end of the list. False when
    // memory ran out; the index is then as it was.
    bool Add(TestItem* item);
    // Forgets one record (when its row is deleted); rows below move up one.
    void Remove(const TestItem* item);
    // The first-filed record with this id, or nullptr.
    TestItem* First(uint32_t itemId) const;
    // The row of a filed record, or -1.
    int RowOf(const TestItem* item) const;
    // The record of a row, or nullptr past the last row.
    TestItem* At(size_t row) const { return row < rows_.size() ? rows_[row] : nullptr; }
    void Clear();
    size_t Size() const { return rows_.size(); }

private:
    template <typename Key, typename Value>
    using Map = std::unordered_map<Key, Value, std::hash<Key>, std::equal_to<Key>,
                                   IndexAllocator<std::pair<const Key, Value>>>;
    using Records = std::vector<TestItem*, IndexAllocator<TestItem*>>;

    Map<uint32_t, Records> byId_;
    Records rows_;
    Map<const TestItem*, size_t> rowOf_;
};
