// See dialog_harness.h.
#include "dialog_harness.h"

#include <commctrl.h>

#include <cstring>

#include "app/main_window.h"
#include "core/mirror/server_mirror.h"
#include "core/session/frame_io.h"
#include "res/resource.h"
#include "ui/panel/monitor_panel.h"
#include "ui/panel/panel_windows.h"

Bytes FrameOf(const void* record, size_t length) {
    Bytes frame(4 + length);
    frame[0] = 0x51;
    frame[1] = 0x58;
    frame[2] = static_cast<uint8_t>(length >> 8);
    frame[3] = static_cast<uint8_t>(length & 0xFF);
    std::memcpy(frame.data() + 4, record, length);
    return frame;
}

Bytes FrameOf(const Pkt& pkt) {
    return FrameOf(&pkt, sizeof pkt);
}

TestItem* AddItem(uint32_t itemId, const char* name, const char* host) {
    TestItem* item = NewTestItem();
    item->itemId = itemId;
    lstrcpynA(item->config.name, name, sizeof item->config.name);
    lstrcpynA(item->config.host, host, sizeof item->config.host);
    item->config.interval = 60;
    item->config.timeout = 3;
    item->config.retries = 3;
    AddItemRow(item, 0);
    return item;
}

void MarkRow(int row, bool selected, bool focused) {
    LVITEMA state = {};
    state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    state.state = (selected ? LVIS_SELECTED : 0) | (focused ? LVIS_FOCUSED : 0);
    SendMessageA(g_itemsList, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&state));
}

void SelectRow(int row) {
    MarkRow(row, true, true);
}

void AddEvent(const char* text) {
    EventRecord event = {};
    lstrcpynA(event.text, text, sizeof event.text);
    AddEventRow(event, 0);
}

BoxAnswer g_box;

namespace {

std::string MessageBoxText(HWND box) {
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        if (ClassName(child) == "Static" && !WindowText(child).empty())
            text = WindowText(child);
    return text;
}

void CALLBACK AnswerBox(HWND, UINT, UINT_PTR, DWORD) {
    HWND box = FindThreadWindow("Item delete confirmation");
    if (box == nullptr) {
        if (++g_box.ticks > 250) {
            KillTimer(nullptr, g_box.timer);
            g_box.timer = 0;
        }
        return;
    }
    KillTimer(nullptr, g_box.timer);
    g_box.timer = 0;
    g_box.seen = true;
    g_box.text = MessageBoxText(box);
    if (g_box.beforeAnswer)
        g_box.beforeAnswer();
    PostMessageA(box, WM_COMMAND, g_box.answer, 0);
}

}  // namespace

void Answering(int answer, const std::function<void()>& command,
               std::function<void()> beforeAnswer) {
    g_box = BoxAnswer();
    g_box.answer = answer;
    g_box.beforeAnswer = std::move(beforeAnswer);
    g_box.timer = SetTimer(nullptr, 0, 20, AnswerBox);
    command();
    if (g_box.timer != 0)
        KillTimer(nullptr, g_box.timer);
}

void DeleteAnswering(int answer, std::function<void()> beforeAnswer) {
    Answering(
        answer, [] { MenuCommand(IDM_DELETE_ITEM); }, std::move(beforeAnswer));
}

void ExpectFields(HWND dialog, std::initializer_list<ShownField> fields) {
    for (const ShownField& f : fields) {
        EXPECT_EQ(FieldKind(GetDlgItem(dialog, f.id)), f.kind) << "control " << f.id;
        if (f.limit != 0) {
            EXPECT_EQ(SendDlgItemMessageA(dialog, f.id, EM_GETLIMITTEXT, 0, 0), f.limit)
                << "control " << f.id;
        }
    }
}

void MenuCommand(int id) {
    SendMessageA(g_mainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

void PanelCommand(int id) {
    SendMessageA(g_monitorPanel, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(g_monitorPanel, id)));
}
