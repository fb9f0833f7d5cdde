#include "link/item_index.h"

#include <algorithm>

void ItemIndex::Add(TestItem* item) {
    map_[item->itemId].push_back(item);
}

void ItemIndex::Remove(const TestItem* item) {
    auto it = map_.find(item->itemId);
    if (it == map_.end())
        return;
    std::vector<TestItem*>& records = it->second;
    auto pos = std::find(records.begin(), records.end(), item);
    if (pos != records.end())
        records.erase(pos);
    if (records.empty())
        map_.erase(it);
}

TestItem* ItemIndex::First(uint32_t itemId) const {
    auto it = map_.find(itemId);
    return it == map_.end() ? nullptr : it->second.front();
}

size_t ItemIndex::Size() const {
    size_t n = 0;
    for (const auto& entry : map_)
        n += entry.second.size();
    return n;
}
