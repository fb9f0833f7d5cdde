// What the monitor panel shows for a row, as pure rules with no Win32: the
// colours of a test item's cells, the text colour of an event row, the
// custom-draw answer for each draw stage, and the status log's timestamp
// text. Colours are COLORREF values (0x00BBGGRR). (The texts of the rows
// and the items list's columns are the server mirror's:
// core/mirror/server_mirror.h.)
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t COLOUR_BLACK = 0x00000000;
constexpr uint32_t COLOUR_WHITE = 0x00FFFFFF;
constexpr uint32_t COLOUR_LIGHT_GREEN = 0x00CEECBA;  // RGB(186, 236, 206)
constexpr uint32_t COLOUR_RED_ORANGE = 0x000033FF;   // RGB(255, 51, 0)
constexpr uint32_t COLOUR_DARK_GREEN = 0x00006600;   // RGB(0, 102, 0)

struct CellColours {
    uint32_t text;
    uint32_t background;
};

// Colours of one cell of a test item row: only the Status column is coloured
// (by started and up); every other cell is black on white.
CellColours ItemCellColours(int subItem, uint32_t started, uint32_t up);

// Text colour of a whole event row from its fixed-width text field: exactly
// "Down" or exactly "Up" (case-sensitive) are coloured, anything else black.
// The field need not be NUL-terminated; nothing past `width` is read.
uint32_t EventTextColour(const char* field, size_t width);

// The list-view custom-draw stages the panel answers to.
enum : uint32_t {
    DRAW_STAGE_PREPAINT = 0x00001,
    DRAW_STAGE_ITEM_PREPAINT = 0x10001,
    DRAW_STAGE_SUBITEM_PREPAINT = 0x30001,
};
enum : int32_t {
    DRAW_RESULT_DEFAULT = 0x00,
    DRAW_RESULT_NEW_FONT = 0x02,
    DRAW_RESULT_NOTIFY_ITEM = 0x20,  // also "notify subitem" at the item stage
};

// The answer at each stage: ask for items, then for subitems, and report new
// colours at the subitem stage; the default everywhere else.
int32_t CustomDrawResult(uint32_t drawStage);

// "dd/mm/yyyy hh:mm:ss.mmm" into out (at least 24 bytes for sane values);
// always NUL-terminated when size > 0.
void FormatTimestamp(char* out, size_t size, unsigned day, unsigned month, unsigned year,
                     unsigned hour, unsigned minute, unsigned second, unsigned milliseconds);
