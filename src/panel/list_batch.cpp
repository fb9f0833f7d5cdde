#include "panel/list_batch.h"

#include <commctrl.h>

#include "app/app.h"

namespace {

// A stream of notices repaints each list at most ten times a second; a
// single change still shows without a delay anyone could see.
constexpr UINT_PTR REDRAW_TIMER = 0x5158;
constexpr UINT REDRAW_DELAY_MS = 100;

// The lists frozen in this batch (or scrolled later); a slot is free again
// once its list draws. There are three lists.
struct FrozenList {
    HWND list;
    bool scrollToEnd;
};
FrozenList g_frozen[4];
bool g_batching;
bool g_timerSet;
bool g_frozenBefore;  // lists were already frozen when this batch began
DWORD g_lastDrawn;    // when the lists last drew again (GetTickCount)

void CALLBACK RedrawTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    ThawLists();
}

void ScrollToLastRow(HWND list) {
    const int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    if (rows > 0)
        SendMessageA(list, LVM_ENSUREVISIBLE, static_cast<WPARAM>(rows - 1), FALSE);
}

FrozenList* Frozen(HWND list) {
    for (FrozenList& f : g_frozen)
        if (list != nullptr && f.list == list)
            return &f;
    return nullptr;
}

FrozenList* Slot(HWND list) {
    FrozenList* free = nullptr;
    for (FrozenList& f : g_frozen) {
        if (f.list == list)
            return &f;
        if (f.list == nullptr && free == nullptr)
            free = &f;
    }
    return free;
}

}  // namespace

bool FreezeList(HWND list) {
    if (!g_batching || list == nullptr)
        return false;
    FrozenList* slot = Slot(list);
    if (slot == nullptr)
        return false;  // cannot happen with three lists; the list just draws as it goes
    if (slot->list == nullptr) {
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        slot->list = list;
        slot->scrollToEnd = false;
    }
    if (!g_timerSet && SetTimer(g_mainWindow, REDRAW_TIMER, REDRAW_DELAY_MS, RedrawTimerProc) != 0)
        g_timerSet = true;
    return true;
}

void ShowLastRow(HWND list) {
    FreezeList(list);
    if (FrozenList* frozen = Frozen(list)) {
        frozen->scrollToEnd = true;  // scrolled when it draws again
        return;
    }
    ScrollToLastRow(list);
}

void ThawLists() {
    g_lastDrawn = GetTickCount();
    if (g_timerSet) {
        KillTimer(g_mainWindow, REDRAW_TIMER);
        g_timerSet = false;
    }
    for (FrozenList& f : g_frozen) {
        if (f.list == nullptr)
            continue;
        const HWND list = f.list;
        const bool scroll = f.scrollToEnd;
        f = FrozenList{};
        SendMessageA(list, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list, nullptr, FALSE);
        if (scroll)
            ScrollToLastRow(list);
    }
}

void BeginListBatch() {
    g_batching = true;
    g_frozenBefore = g_timerSet;
}

void EndListBatch() {
    g_batching = false;
    // Without the timer, or after a quiet spell, draw at once: a message on
    // its own shows without waiting. Under a stream the timer paces drawing.
    if (!g_timerSet || (!g_frozenBefore && GetTickCount() - g_lastDrawn >= REDRAW_DELAY_MS))
        ThawLists();
}
