#include "link/item_index.h"

#include <algorithm>

void ItemIndex::Add(TestItem* item) {
    byId_[item->itemId].push_back(item);
    rowOf_[item] = rows_.size();
    rows_.push_back(item);
}

void ItemIndex::Remove(const TestItem* item) {
    auto row = rowOf_.find(item);
    if (row == rowOf_.end())
        return;
    const size_t at = row->second;
    rowOf_.erase(row);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(at));
    for (size_t i = at; i < rows_.size(); ++i)
        rowOf_[rows_[i]] = i;

    auto it = byId_.find(item->itemId);
    if (it == byId_.end())
        return;
    std::vector<TestItem*>& records = it->second;
    auto pos = std::find(records.begin(), records.end(), item);
    if (pos != records.end())
        records.erase(pos);
    if (records.empty())
        byId_.erase(it);
}

TestItem* ItemIndex::First(uint32_t itemId) const {
    auto it = byId_.find(itemId);
    return it == byId_.end() ? nullptr : it->second.front();
}

int ItemIndex::RowOf(const TestItem* item) const {
    auto it = rowOf_.find(item);
    return it == rowOf_.end() ? -1 : static_cast<int>(it->second);
}

void ItemIndex::Clear() {
    byId_.clear();
    rows_.clear();
    rowOf_.clear();
}
