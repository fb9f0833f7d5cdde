// The rows are taken as they were when the file was chosen. The events list
// only grows at its end until it is emptied, so its row count is all that
// is kept, and its rows are read from the mirror as they are written; an
// emptied list stops the export (the mirror tells its watchers). The test
// items list (a few thousand rows at most, and rows may go from its middle)
// and the status log (at most 30000 lines, the oldest going at the cap) are
// copied whole at the start.
//
// The file is made under a temporary name in the chosen folder, so that
// the final move is a rename within one volume, and it replaces the target
// only when every byte was written.
#include "ui/panel/csv_export.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/mirror/server_mirror.h"
#include "core/rules/csv_rules.h"
#include "ui/common/code_page.h"
#include "ui/panel/list_texts.h"
#include "ui/panel/panel_windows.h"
#include "ui/panel/status_log.h"

namespace {

const char BOX_TITLE[] = "Export to CSV";
const char FILTER[] = "CSV files (*.csv)\0*.csv\0";
const char EXPORTED_TEXT[] = "Exported %d rows to %s";
const char FAILED_TEXT[] = "Export to %s failed: %s";
const char FAILED_BOX_TEXT[] = "Could not export to %s.\r\n\r\n%s";
const char EMPTIED_REASON[] = "The list was emptied while it was being exported.";

// Each slice writes for about this long, then lets the loop hand out what
// waits; a timer brings the next slice.
constexpr DWORD SLICE_MS = 20;
constexpr size_t WRITE_CHUNK = 64 * 1024;

SaveNameCall g_saveName = GetSaveFileNameA;

// The one export under way.
struct CsvExport {
    bool running;
    HWND list;
    bool liveEvents;                  // rows read from the mirror while writing
    std::vector<std::string> copied;  // else every cell, row by row, taken at the start
    int columns;
    int rows;
    int next;
    HANDLE file;
    char target[MAX_PATH];
    char temp[MAX_PATH];
    UINT_PTR timer;
    std::string pending;  // bytes not written yet
    char failure[512];    // told from the timer when a list was emptied
} g_export;

void OnListCleared(MirrorList list);
const MirrorView kWatcher = {nullptr, nullptr, nullptr, OnListCleared};

void SystemReason(DWORD error, char* out, size_t size) {
    if (FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
                       0, out, static_cast<DWORD>(size), nullptr) == 0)
        std::snprintf(out, size, "Error %lu.", static_cast<unsigned long>(error));
    size_t length = std::strlen(out);
    while (length > 0 && (out[length - 1] == '\r' || out[length - 1] == '\n'))
        out[--length] = '\0';
}

// Lets go of the file, the timer and the copies; the temporary file goes.
void Finish() {
    if (g_export.file != INVALID_HANDLE_VALUE && g_export.file != nullptr)
        CloseHandle(g_export.file);
    g_export.file = INVALID_HANDLE_VALUE;
    if (g_export.temp[0] != '\0')
        DeleteFileA(g_export.temp);
    g_export.temp[0] = '\0';
    if (g_export.timer != 0)
        KillTimer(nullptr, g_export.timer);
    g_export.timer = 0;
    RemoveMirrorWatcher(&kWatcher);
    std::vector<std::string>().swap(g_export.copied);
    std::string().swap(g_export.pending);
    g_export.running = false;
}

void TellFailure(const char* target, const char* reason) {
    char line[MAX_PATH + 600];
    std::snprintf(line, sizeof line, FAILED_TEXT, target, reason);
    LogStatus(line);
    std::snprintf(line, sizeof line, FAILED_BOX_TEXT, target, reason);
    MessageBoxA(GetAncestor(g_monitorPanel, GA_ROOT), line, BOX_TITLE, MB_OK | MB_ICONERROR);
}

void Fail(DWORD error) {
    char target[MAX_PATH];
    lstrcpynA(target, g_export.target, sizeof target);
    Finish();  // before the box, whose loop goes on handing out messages
    char reason[512];
    SystemReason(error, reason, sizeof reason);
    TellFailure(target, reason);
}

void OnListCleared(MirrorList list) {
    const bool exported =
        list == MirrorList::Events ? g_export.list == g_eventsList : g_export.list == g_itemsList;
    if (!g_export.running || !exported || g_export.failure[0] != '\0')
        return;
    // Inside the handling of a message: the box waits for the next slice.
    lstrcpynA(g_export.failure, EMPTIED_REASON, sizeof g_export.failure);
}

bool WritePending() {
    DWORD written = 0;
    if (!g_export.pending.empty() &&
        (!WriteFile(g_export.file, g_export.pending.data(),
                    static_cast<DWORD>(g_export.pending.size()), &written, nullptr) ||
         written != g_export.pending.size()))
        return false;
    g_export.pending.clear();
    return true;
}

void AppendRow(int row) {
    char cells[8][LIST_CELL_TEXT];
    const char* fields[8];
    const int columns = g_export.columns;
    for (int column = 0; column < columns; ++column) {
        if (g_export.liveEvents) {
            MirrorCellText(MirrorList::Events, static_cast<size_t>(row), column, cells[column],
                           sizeof cells[column]);
            fields[column] = cells[column];
        } else {
            fields[column] = g_export.copied[static_cast<size_t>(row * columns + column)].c_str();
        }
    }
    AppendCsvLine(&g_export.pending, fields, static_cast<size_t>(columns), AnsiToUtf8);
}

void Complete() {
    if (!CloseHandle(g_export.file)) {
        g_export.file = INVALID_HANDLE_VALUE;
        Fail(GetLastError());
        return;
    }
    g_export.file = INVALID_HANDLE_VALUE;
    if (!MoveFileExA(g_export.temp, g_export.target, MOVEFILE_REPLACE_EXISTING)) {
        Fail(GetLastError());
        return;
    }
    g_export.temp[0] = '\0';  // it is the target now
    char line[MAX_PATH + 64];
    std::snprintf(line, sizeof line, EXPORTED_TEXT, g_export.rows, g_export.target);
    Finish();
    LogStatus(line);
}

void CALLBACK SliceTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    if (!g_export.running)
        return;
    if (g_export.failure[0] != '\0') {
        char target[MAX_PATH], reason[sizeof g_export.failure];
        lstrcpynA(target, g_export.target, sizeof target);
        lstrcpynA(reason, g_export.failure, sizeof reason);
        Finish();
        TellFailure(target, reason);
        return;
    }
    const DWORD start = GetTickCount();
    while (g_export.next < g_export.rows) {
        AppendRow(g_export.next++);
        if (g_export.pending.size() >= WRITE_CHUNK && !WritePending()) {
            Fail(GetLastError());
            return;
        }
        if ((g_export.next & 255) == 0 && GetTickCount() - start >= SLICE_MS)
            return;
    }
    if (!WritePending()) {
        Fail(GetLastError());
        return;
    }
    Complete();
}

void CopyRows(HWND list) {
    char cell[LIST_CELL_TEXT];
    g_export.copied.reserve(static_cast<size_t>(g_export.rows * g_export.columns));
    for (int row = 0; row < g_export.rows; ++row)
        for (int column = 0; column < g_export.columns; ++column) {
            ListCellText(list, row, column, cell, sizeof cell);
            g_export.copied.emplace_back(cell);
        }
}

const char* ListName(HWND list) {
    return list == g_itemsList ? "items" : list == g_eventsList ? "events" : "log";
}

bool AskForFile(HWND list) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    FormatExportName(g_export.target, sizeof g_export.target, ListName(list), now.wYear, now.wMonth,
                     now.wDay, now.wHour, now.wMinute, now.wSecond);
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = GetAncestor(list, GA_ROOT);
    dialog.lpstrFilter = FILTER;
    dialog.lpstrFile = g_export.target;
    dialog.nMaxFile = sizeof g_export.target;
    dialog.lpstrDefExt = "csv";
    // The current directory holds quorvex.ini: the dialog must not move it.
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    return g_saveName(&dialog) != FALSE;
}

// The temporary file beside the target, and the BOM and header in it.
bool Begin(HWND list) {
    char folder[MAX_PATH];
    lstrcpynA(folder, g_export.target, sizeof folder);
    char* slash = std::strrchr(folder, '\\');
    if (slash != nullptr)
        *slash = '\0';
    else
        lstrcpynA(folder, ".", sizeof folder);
    if (GetTempFileNameA(folder, "qvx", 0, g_export.temp) == 0) {
        g_export.temp[0] = '\0';
        return false;
    }
    g_export.file = CreateFileA(g_export.temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (g_export.file == INVALID_HANDLE_VALUE)
        return false;
    char titles[8][64];
    const char* fields[8];
    for (int column = 0; column < g_export.columns; ++column) {
        ListColumnTitle(list, column, titles[column], sizeof titles[column]);
        fields[column] = titles[column];
    }
    g_export.pending = CSV_UTF8_BOM;
    AppendCsvLine(&g_export.pending, fields, static_cast<size_t>(g_export.columns), AnsiToUtf8);
    if (!WritePending())
        return false;
    g_export.timer = SetTimer(nullptr, 0, USER_TIMER_MINIMUM, SliceTimerProc);
    return g_export.timer != 0;
}

}  // namespace

void SetSaveNameCall(SaveNameCall call) {
    g_saveName = call != nullptr ? call : GetSaveFileNameA;
}

void ExportListToCsv(HWND list) {
    if (g_export.running || !AskForFile(list))
        return;
    g_export.running = true;
    g_export.list = list;
    g_export.failure[0] = '\0';
    g_export.file = INVALID_HANDLE_VALUE;
    g_export.temp[0] = '\0';
    g_export.columns = ListColumnCount(list);
    if (g_export.columns > 8)
        g_export.columns = 8;
    g_export.rows = ListRowCount(list);
    g_export.next = 0;
    g_export.liveEvents = list == g_eventsList;
    if (!g_export.liveEvents)
        CopyRows(list);
    AddMirrorWatcher(&kWatcher);
    if (!Begin(list))
        Fail(GetLastError());
}

bool ExportUnderWay() {
    return g_export.running;
}
