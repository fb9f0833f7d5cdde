// The Event View Depth selector of the monitor panel.
#include "ui/panel/event_depth.h"

#include "core/wire/wire.h"
#include "res/resource.h"
#include "ui/common/combo_fill.h"
#include "ui/panel/panel_windows.h"

namespace {

// Index = param of an events request.
const char* const kDepthNames[] = {"Today", "This Month", "All Time", nullptr};
constexpr int DEFAULT_DEPTH = DEPTH_THIS_MONTH;

}  // namespace

void FillEventDepth(HWND panel) {
    FillCombo(panel, kDepthNames, IDC_PANEL_DEPTH, DEFAULT_DEPTH);
}

uint32_t SelectedEventDepth() {
    const LRESULT selection =
        SendDlgItemMessageA(g_monitorPanel, IDC_PANEL_DEPTH, CB_GETCURSEL, 0, 0);
    return selection == CB_ERR ? DEPTH_ALL_TIME : static_cast<uint32_t>(selection);
}
