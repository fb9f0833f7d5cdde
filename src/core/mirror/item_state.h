// The one rule for what a test item's started and up flags mean: an item
// that is not started is Stopped whatever its up flag says; a started one is
// Up or Down by its up flag (any nonzero value counts). The Status text, the
// cell colours, the counts and the alerts all read it from here.
#pragma once

#include <cstdint>

// None stands for "no row".
enum class ItemState : uint8_t { None, Stopped, Up, Down };

ItemState ItemStateOf(uint32_t started, uint32_t up);

// A status notice starts the item it names: the started flag it leaves,
// whatever the flag was (the server tests only started items).
constexpr uint32_t STARTED_BY_STATUS_NOTICE = 1;

// The Status text of the flags: "Stopped", "Up" or "Down".
const char* ItemStatusText(uint32_t started, uint32_t up);
