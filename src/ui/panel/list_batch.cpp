#include "ui/panel/list_batch.h"

#include <commctrl.h>

#include "ui/panel/panel_windows.h"

namespace {

// A stream of notices repaints each list at most ten times a second; a
// single change still shows without a delay anyone could see. The panel's
// other timer takes emptied lists down (retired_lists.cpp); the main
// window's are the socket layer's (socket_events.cpp, send_queue.cpp), the
// notification icon's window has its own (tray_icon.cpp). Under a stream of
// the server's bytes this timer still comes, as the receive yields to
// timers too (net/socket.h).
constexpr UINT_PTR LIST_REDRAW_TIMER = 1;
constexpr UINT LIST_REDRAW_DELAY_MS = 100;

// The lists frozen in this batch (or scrolled later); a slot is free again
// once its list draws. There are three lists, and a fresh one may take an
// emptied list's place while the batch runs.
struct FrozenList {
    HWND list;
    bool scrollToEnd;
};
FrozenList g_frozen[4];

// Rows of a list that changed while its drawing waited for the timer, each
// on screen when it changed. Past the limit the whole of what is on screen
// is drawn again. Only the two server-fed lists have records that change.
constexpr int MAX_CHANGED_ROWS = 32;
struct ChangedRows {
    HWND list;
    int count;
    int rows[MAX_CHANGED_ROWS];
};
ChangedRows g_changed[2];

// Which rows of a list are on screen, asked once per batch: nothing inside
// a batch scrolls a list (the scroll to a new row waits for the thaw).
struct Screen {
    HWND list;
    unsigned batch;
    int top;
    int bottom;  // the partly visible row below the last whole one included
};
Screen g_screen[2];

bool g_batching;
unsigned g_batchNumber;
HWND g_timerWindow;  // the panel, which holds the lists: the timer goes with them
bool g_timerSet;
bool g_waitingBefore;  // a redraw was already waiting when this batch began
DWORD g_lastDrawn;     // when the lists last drew again (GetTickCount)

void CALLBACK RedrawTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    ThawLists();
}

void StartTimer() {
    if (g_timerSet)
        return;
    g_timerWindow = g_monitorPanel;
    g_timerSet =
        SetTimer(g_timerWindow, LIST_REDRAW_TIMER, LIST_REDRAW_DELAY_MS, RedrawTimerProc) != 0;
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

// The slot that holds the list, else a free one, else null.
template <typename T, size_t N>
T* SlotOf(T (&slots)[N], HWND list) {
    T* free = nullptr;
    for (T& s : slots) {
        if (s.list == list)
            return &s;
        if (s.list == nullptr && free == nullptr)
            free = &s;
    }
    return free;
}

// The rows of the list on screen now; none while it is hidden.
Screen ScreenOf(HWND list) {
    Screen screen = {list, g_batchNumber, 0, -1};
    if (IsWindowVisible(list)) {
        screen.top = static_cast<int>(SendMessageA(list, LVM_GETTOPINDEX, 0, 0));
        screen.bottom =
            screen.top + static_cast<int>(SendMessageA(list, LVM_GETCOUNTPERPAGE, 0, 0));
    }
    return screen;
}

bool OnScreen(HWND list, int row) {
    Screen* cached = g_batching ? SlotOf(g_screen, list) : nullptr;
    if (cached == nullptr) {
        const Screen now = ScreenOf(list);
        return row >= now.top && row <= now.bottom;
    }
    if (cached->list != list || cached->batch != g_batchNumber)
        *cached = ScreenOf(list);
    return row >= cached->top && row <= cached->bottom;
}

void InvalidateRows(HWND list, const int* rows, int count) {
    RECT area = {};
    for (int i = 0; i < count; ++i) {
        RECT rect = {};
        rect.left = LVIR_BOUNDS;
        if (SendMessageA(list, LVM_GETITEMRECT, static_cast<WPARAM>(rows[i]),
                         reinterpret_cast<LPARAM>(&rect)))
            UnionRect(&area, &area, &rect);
    }
    if (!IsRectEmpty(&area))
        InvalidateRect(list, &area, FALSE);
}

}  // namespace

bool FreezeList(HWND list) {
    if (!g_batching || list == nullptr)
        return false;
    FrozenList* slot = SlotOf(g_frozen, list);
    if (slot == nullptr)
        return false;  // cannot happen with four slots; the list just draws as it goes
    if (slot->list == nullptr) {
        SendMessageA(list, WM_SETREDRAW, FALSE, 0);
        slot->list = list;
        slot->scrollToEnd = false;
    }
    StartTimer();
    return true;
}

void RedrawRow(HWND list, int row) {
    if (list == nullptr || (g_batching && Frozen(list) != nullptr))
        return;  // drawn whole when it thaws
    if (!OnScreen(list, row))
        return;  // drawn from its record when it is scrolled into view
    ChangedRows* changed = g_batching ? SlotOf(g_changed, list) : nullptr;
    if (changed == nullptr) {
        InvalidateRows(list, &row, 1);
        return;
    }
    changed->list = list;
    StartTimer();
    if (changed->count > MAX_CHANGED_ROWS)
        return;  // all of what is on screen already
    for (int i = 0; i < changed->count; ++i)
        if (changed->rows[i] == row)
            return;
    if (changed->count < MAX_CHANGED_ROWS)
        changed->rows[changed->count++] = row;
    else
        changed->count = MAX_CHANGED_ROWS + 1;
}

void ShowLastRow(HWND list) {
    FreezeList(list);
    if (FrozenList* frozen = Frozen(list)) {
        frozen->scrollToEnd = true;  // scrolled when it draws again
        return;
    }
    ScrollToLastRow(list);
}

void ForgetList(HWND list) {
    for (FrozenList& f : g_frozen)
        if (f.list == list)
            f = FrozenList{};
    for (ChangedRows& c : g_changed)
        if (c.list == list)
            c = ChangedRows{};
    for (Screen& s : g_screen)
        if (s.list == list)
            s = Screen{};
}

void ThawLists() {
    g_lastDrawn = GetTickCount();
    if (g_timerSet) {
        KillTimer(g_timerWindow, LIST_REDRAW_TIMER);
        g_timerSet = false;
    }
    for (ChangedRows& c : g_changed) {
        const ChangedRows rows = c;
        c = ChangedRows{};
        if (rows.list == nullptr || Frozen(rows.list) != nullptr)
            continue;  // a frozen list is drawn whole below
        if (rows.count > MAX_CHANGED_ROWS)
            InvalidateRect(rows.list, nullptr, FALSE);
        else
            InvalidateRows(rows.list, rows.rows, rows.count);
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
    ++g_batchNumber;
    g_waitingBefore = g_timerSet;
}

void EndListBatch() {
    g_batching = false;
    // Without the timer, or after a quiet spell, draw at once: a message on
    // its own shows without waiting. Under a stream the timer paces drawing.
    if (!g_timerSet || (!g_waitingBefore && GetTickCount() - g_lastDrawn >= LIST_REDRAW_DELAY_MS))
        ThawLists();
}
