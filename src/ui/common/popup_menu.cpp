#include "ui/common/popup_menu.h"

namespace {

UINT TrackMenu(HMENU popup, HWND owner, POINT at) {
    return static_cast<UINT>(TrackPopupMenu(popup, TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                                            at.x, at.y, 0, owner, nullptr));
}

PopupMenuCall g_showMenu = TrackMenu;

}  // namespace

UINT ShowPopupMenu(HMENU popup, HWND owner, POINT at) {
    return g_showMenu(popup, owner, at);
}

void SetPopupMenuCall(PopupMenuCall call) {
    g_showMenu = call != nullptr ? call : TrackMenu;
}
