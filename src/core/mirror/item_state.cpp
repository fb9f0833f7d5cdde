#include "core/mirror/item_state.h"

ItemState ItemStateOf(uint32_t started, uint32_t up) {
    if (started == 0)
        return ItemState::Stopped;
    return up != 0 ? ItemState::Up : ItemState::Down;
}

const char* ItemStatusText(uint32_t started, uint32_t up) {
    switch (ItemStateOf(started, up)) {
    case ItemState::Up: return "Up";
    case ItemState::Down: return "Down";
    default: return "Stopped";
    }
}
