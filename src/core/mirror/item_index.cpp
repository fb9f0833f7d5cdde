#include "core/mirror/item_index.h"

#include <algorithm>

bool ItemIndex::Add(TestItem* item) {
    int filed = 0;  // steps done: 1 in byId_, 2 also in rows_
    try {
        byId_[item->itemId].push_back(item);
        filed = 1;
        rows_.push_back(item);
        filed = 2;
        rowOf_[item] = rows_.size() - 1;
        return true;
    } catch (const std::bad_alloc&) {
        if (filed == 2)
            rows_.pop_back();
        auto it = byId_.find(item->itemId);
        if (it != byId_.end()) {
            if (filed >= 1)
                it->second.pop_back();
            if (it->second.empty())
                byId_.erase(it);  // made for this record only
        }
        return false;
    }
}

void ItemIndex::Remove(const TestItem* item) {
    auto row = rowOf_.find(item);
    if (row == rowOf_.end())
        return;
    const size_t at = row->second;
    rowOf_.erase(row);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(at));
    for (size_t i = at; i < rows_.size(); ++i)
        rowOf_.find(rows_[i])->second = i;  // every filed record has its entry

    auto it = byId_.find(item->itemId);
    if (it == byId_.end())
        return;
    Records& records = it->second;
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

// Fresh tables (which allocate nothing until filed into), so that no block
// of the old ones is left holding on to the heap regions of the rows.
void ItemIndex::Clear() {
    decltype(byId_)().swap(byId_);
    Records().swap(rows_);
    decltype(rowOf_)().swap(rowOf_);
}
