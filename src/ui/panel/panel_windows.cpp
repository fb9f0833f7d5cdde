#include "ui/panel/panel_windows.h"

#include <initializer_list>

#include "res/resource.h"

HWND g_monitorPanel;
HWND g_itemsList;
HWND g_eventsList;
HWND g_statusLog;

void FindPanelWindows(HWND panel) {
    g_monitorPanel = panel;
    g_itemsList = GetDlgItem(panel, IDC_PANEL_ITEMS);
    g_eventsList = GetDlgItem(panel, IDC_PANEL_EVENTS);
    g_statusLog = GetDlgItem(panel, IDC_PANEL_STATUS_LOG);
}

void ReplacePanelList(HWND old, HWND fresh) {
    for (HWND* list : {&g_itemsList, &g_eventsList, &g_statusLog})
        if (*list == old)
            *list = fresh;
}

void ForgetPanelWindows() {
    g_monitorPanel = g_itemsList = g_eventsList = g_statusLog = nullptr;
}
