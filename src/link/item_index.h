// An index from itemId to the test items list's records, so that a status
// notice finds its row without walking the list. Keeps the list's own rule:
// rows are only ever appended, so among records that share an itemId the one
// filed first is the upper row, and it is the one a lookup returns.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "link/wire.h"

class ItemIndex {
public:
    void Add(TestItem* item);
    // Forgets one record (when its row is deleted); other records with the same id stay.
    void Remove(const TestItem* item);
    // The first-filed record with this id, or nullptr.
    TestItem* First(uint32_t itemId) const;
    void Clear() { map_.clear(); }
    size_t Size() const;

private:
    std::unordered_map<uint32_t, std::vector<TestItem*>> map_;
};
