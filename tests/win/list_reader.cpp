#include "list_reader.h"

#include <commctrl.h>

#include "res/resource.h"
#include "ui/panel/panel_windows.h"

int RowCount(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

std::string CellText(HWND list, int row, int column) {
    char text[512] = "";
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof text;
    SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    return text;
}

LPARAM RowParam(HWND list, int row) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

int LogLineCount() {
    return RowCount(GetDlgItem(g_monitorPanel, IDC_PANEL_STATUS_LOG));
}

std::string LastLogLine() {
    HWND log = GetDlgItem(g_monitorPanel, IDC_PANEL_STATUS_LOG);
    const int rows = RowCount(log);
    return rows == 0 ? "" : CellText(log, rows - 1, 1);
}

bool LogContains(const std::string& text) {
    HWND log = GetDlgItem(g_monitorPanel, IDC_PANEL_STATUS_LOG);
    for (int row = RowCount(log) - 1; row >= 0; --row)
        if (CellText(log, row, 1) == text)
            return true;
    return false;
}

namespace {

WNDPROC g_listViewProc;  // the class's own, the same for every list view

LRESULT CALLBACK RefusingListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == LVM_INSERTITEMA)
        return -1;
    return CallWindowProcA(g_listViewProc, list, message, wParam, lParam);
}

}  // namespace

void RefuseRows(HWND list, bool refuse) {
    if (!refuse) {
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_listViewProc));
        return;
    }
    const LONG_PTR own =
        SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RefusingListProc));
    if (own != reinterpret_cast<LONG_PTR>(RefusingListProc))
        g_listViewProc = reinterpret_cast<WNDPROC>(own);
}
