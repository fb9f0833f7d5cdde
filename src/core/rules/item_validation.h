// The test item dialog's Save rule, as a pure function of what the fields hold.
#pragma once

#include <cstdint>

#include "core/wire/wire.h"

// The dialog's fields as read from the controls: texts as typed, numbers as an
// unsigned conversion gives them (0 for an empty or non-numeric field), the
// combo box's selection index (-1 without a selection).
struct ItemFields {
    const char* name;
    const char* host;
    uint32_t port;
    uint32_t interval;
    uint32_t timeout;
    int testTypeSelection;
    uint32_t retries;
    bool mailOnDown;
    bool mailOnUp;
};

// Runs the checks in their fixed order. Returns nullptr and fills config on
// success, or the heading message of the first failing check (config is then
// partly filled and must not be sent).
const char* ValidateItemFields(const ItemFields& fields, TestItemConfig* config);
