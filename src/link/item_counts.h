// How many of the server's test items are Up, Down and Stopped, from each
// item's started and up flags. Kept by the server mirror as its items
// change; read by whatever shows the counts (the notification icon).
#pragma once

#include <cstdint>

// The state of one row of the test items list, from its started and up
// flags; None stands for "no row".
enum class ItemState : uint8_t { None, Stopped, Up, Down };

ItemState ItemStateOf(uint32_t started, uint32_t up);

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
