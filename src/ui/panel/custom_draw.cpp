// Row colours of the test items list and the events list, applied through
// list-view custom draw. The rules themselves live in row_rules.cpp; this
// file only reads the row's record and fills in NMLVCUSTOMDRAW.
#include "ui/panel/custom_draw.h"

#include "core/mirror/server_mirror.h"
#include "core/rules/row_rules.h"
#include "core/wire/wire.h"
#include "ui/panel/panel_windows.h"

namespace {

// The record behind a row (its lParam), or null.
const void* RowRecord(HWND list, DWORD_PTR row) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = static_cast<int>(row);
    if (!SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)))
        return nullptr;
    return reinterpret_cast<const void*>(item.lParam);
}

}  // namespace

LRESULT ItemListCustomDraw(NMLVCUSTOMDRAW* draw) {
    if (draw->nmcd.dwDrawStage == DRAW_STAGE_SUBITEM_PREPAINT) {
        // Which cells are coloured is the rule's to say: it gets every cell.
        uint32_t started = 0, up = 0;
        auto item = static_cast<const TestItem*>(RowRecord(g_itemsList, draw->nmcd.dwItemSpec));
        if (item != nullptr) {
            started = item->started;
            up = item->up;
        }
        const CellColours colours = ItemCellColours(draw->iSubItem, started, up);
        draw->clrText = colours.text;
        draw->clrTextBk = colours.background;
    }
    return CustomDrawResult(draw->nmcd.dwDrawStage);
}

LRESULT EventListCustomDraw(NMLVCUSTOMDRAW* draw) {
    if (draw->nmcd.dwDrawStage == DRAW_STAGE_SUBITEM_PREPAINT) {
        auto event =
            static_cast<const EventRecord*>(RowRecord(g_eventsList, draw->nmcd.dwItemSpec));
        draw->clrTextBk = COLOUR_WHITE;
        draw->clrText =
            event != nullptr ? EventTextColour(event->text, sizeof event->text) : COLOUR_BLACK;
    }
    return CustomDrawResult(draw->nmcd.dwDrawStage);
}
