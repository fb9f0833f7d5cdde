// The status log: one list-view row per line, timestamp in column 0 and the
// message in column 1, capped at the newest 30000 lines.
#include "ui/panel/status_log.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "core/rules/row_rules.h"
#include "ui/panel/list_batch.h"
#include "ui/panel/panel_windows.h"

namespace {

constexpr uint32_t MAX_LOG_LINES = 30000;

// An insert position past the last row appends. The log never holds more
// than MAX_LOG_LINES rows, so 65535 is past its end, always. (The server-fed
// lists have no cap: a fixed position could land in their middle, so they
// insert at their row count, server_lists_view.cpp.)
constexpr int APPEND_ROW = 0xFFFF;
static_assert(MAX_LOG_LINES < APPEND_ROW, "every line of the log goes to its end");

// Lines logged until the cap is reached; never decreases. Once it stands at
// the cap, every new line removes the oldest.
uint32_t s_lineCount;

}  // namespace

void LogStatus(const char* text) {
    HWND log = g_statusLog;
    // Lines logged while a receive is applied draw with the lists, a few
    // times a second, scrolled once; any other line shows at once.
    FreezeList(log);

    SYSTEMTIME now;
    GetLocalTime(&now);
    char time_str[32];
    FormatTimestamp(time_str, sizeof time_str, now.wDay, now.wMonth, now.wYear, now.wHour,
                    now.wMinute, now.wSecond, now.wMilliseconds);

    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = APPEND_ROW;
    item.iSubItem = 0;
    item.pszText = time_str;
    item.lParam = 1;
    const LRESULT row = SendMessageA(log, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    if (row < 0)
        return;  // no line was added, so none makes room for it

    // The list view copies the text; the caller's buffer is only read here.
    LVITEMA message = {};
    message.iSubItem = 1;
    message.pszText = const_cast<char*>(text);
    SendMessageA(log, LVM_SETITEMTEXTA, row, reinterpret_cast<LPARAM>(&message));

    ShowLastRow(log);  // the line just appended

    if (s_lineCount < MAX_LOG_LINES)
        ++s_lineCount;
    else
        SendMessageA(log, LVM_DELETEITEM, 0, 0);
}
