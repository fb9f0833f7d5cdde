#include "core/mirror/item_counts.h"

uint32_t* ItemCounts::Slot(ItemState state) {
    switch (state) {
    case ItemState::Up: return &up_;
    case ItemState::Down: return &down_;
    case ItemState::Stopped: return &stopped_;
    default: return nullptr;
    }
}

void ItemCounts::Change(ItemState from, ItemState to) {
    if (from == to)
        return;
    if (uint32_t* slot = Slot(from))
        *slot -= *slot > 0 ? 1 : 0;
    if (uint32_t* slot = Slot(to))
        ++*slot;
}

void ItemCounts::Clear() {
    up_ = down_ = stopped_ = 0;
}
