// Rules for what the panel's rows show; kept free of Win32 so that they are
// tested natively.
#include "core/rules/row_rules.h"

#include <cstdio>
#include <cstring>

#include "core/mirror/item_state.h"
#include "core/mirror/server_mirror.h"

CellColours ItemCellColours(int subItem, uint32_t started, uint32_t up) {
    if (subItem != ITEM_STATUS_COLUMN)
        return {COLOUR_BLACK, COLOUR_WHITE};
    switch (ItemStateOf(started, up)) {
    case ItemState::Up: return {COLOUR_BLACK, COLOUR_LIGHT_GREEN};
    case ItemState::Down: return {COLOUR_WHITE, COLOUR_RED_ORANGE};
    default: return {COLOUR_BLACK, COLOUR_WHITE};
    }
}

namespace {

bool FieldEquals(const char* field, size_t width, const char* text) {
    const size_t length = strlen(text);
    return strnlen(field, width) == length && memcmp(field, text, length) == 0;
}

}  // namespace

uint32_t EventTextColour(const char* field, size_t width) {
    if (FieldEquals(field, width, "Down"))
        return COLOUR_RED_ORANGE;
    if (FieldEquals(field, width, "Up"))
        return COLOUR_DARK_GREEN;
    return COLOUR_BLACK;
}

int32_t CustomDrawResult(uint32_t drawStage) {
    switch (drawStage) {
    case DRAW_STAGE_PREPAINT:
    case DRAW_STAGE_ITEM_PREPAINT: return DRAW_RESULT_NOTIFY_ITEM;
    case DRAW_STAGE_SUBITEM_PREPAINT: return DRAW_RESULT_NEW_FONT;
    default: return DRAW_RESULT_DEFAULT;
    }
}

void FormatTimestamp(char* out, size_t size, unsigned day, unsigned month, unsigned year,
                     unsigned hour, unsigned minute, unsigned second, unsigned milliseconds) {
    if (size == 0)
        return;
    snprintf(out, size, "%02u/%02u/%04u %02u:%02u:%02u.%03u", day, month, year, hour, minute,
             second, milliseconds);
}
