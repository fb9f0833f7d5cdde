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

#include "link/wire.h"

class ItemIndex {
public:
    // Files a record for a row appended at the end of the list.
    void Add(TestItem* item);
    // Forgets one record (when its row is deleted); rows below move up one.
    void Remove(const TestItem* item);
    // The first-filed record with this id, or nullptr.
    TestItem* First(uint32_t itemId) const;
    // The row of a filed record, or -1.
    int RowOf(const TestItem* item) const;
    void Clear();
    size_t Size() const { return rows_.size(); }

private:
    std::unordered_map<uint32_t, std::vector<TestItem*>> byId_;
    std::vector<TestItem*> rows_;
    std::unordered_map<const TestItem*, size_t> rowOf_;
};
