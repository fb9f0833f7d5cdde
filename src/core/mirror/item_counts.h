// How many of the server's test items are Up, Down and Stopped, from each
// item's state (item_state.h). Kept by the server mirror as its items
// change; read by whatever shows the counts (the notification icon).
#pragma once

#include <cstdint>

#include "core/mirror/item_state.h"

// How many rows are Up, Down and Stopped, kept by telling it every change.
class ItemCounts {
public:
    void Change(ItemState from, ItemState to);
    void Clear();
    uint32_t Up() const { return up_; }
    uint32_t Down() const { return down_; }
    uint32_t Stopped() const { return stopped_; }

private:
    uint32_t* Slot(ItemState state);
    uint32_t up_ = 0;
    uint32_t down_ = 0;
    uint32_t stopped_ = 0;
};
