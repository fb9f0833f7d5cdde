// The server settings dialog's frame: the page tree, the page title and the
// Save and Cancel buttons. Which page is shown follows the tree's selection;
// the pages themselves keep the settings copy up to date (settings_pages).
#include "ui/dialogs/settings_dialog.h"

#include <cstring>

#include "core/session/frame_io.h"
#include "core/session/server_settings.h"
#include "core/session/session.h"
#include "res/resource.h"
#include "ui/common/gdi_object.h"
#include "ui/common/window_ops.h"
#include "ui/dialogs/settings_pages.h"

namespace {

HWND g_settingsDialog;
HBRUSH g_whiteBrush;

void ShowPage(HWND frame, const char* title, DLGPROC proc, int templateId) {
    SetDlgItemTextA(frame, IDC_SETTINGS_TITLE, title);
    CloseSettingsPage();  // it writes its fields back
    OpenModelessDialog(InstanceOf(frame), frame, proc, templateId);
}

INT_PTR OnInitDialog(HWND frame) {
    g_settingsDialog = frame;
    CenterWindow(frame);
    HWND tree = GetDlgItem(frame, IDC_SETTINGS_TREE);
    HTREEITEM root = AddTreeItem(tree, "Configuration", nullptr);
    HTREEITEM general = AddTreeItem(tree, "General", root);
    AddTreeItem(tree, "Email", root);
    // The selection notice arrives at once, so the "General" page is shown
    // before this returns.
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(general));
    return TRUE;
}

INT_PTR OnSelectionChanged(HWND frame) {
    HWND tree = GetDlgItem(frame, IDC_SETTINGS_TREE);
    auto selected = reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
    if (selected == nullptr)
        return FALSE;
    char cfgname[80] = "";
    TVITEMA tvitem = {};
    tvitem.mask = TVIF_TEXT | TVIF_HANDLE;
    tvitem.hItem = selected;
    tvitem.pszText = cfgname;
    tvitem.cchTextMax = sizeof cfgname;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&tvitem)))
        return FALSE;
    // "Configuration" is only the tree's root: selecting it keeps the page.
    if (lstrcmpiA(cfgname, "General") == 0)
        ShowGeneralPage(frame);
    else if (lstrcmpiA(cfgname, "Email") == 0)
        ShowEmailPage(frame);
    return FALSE;
}

INT_PTR OnNotify(HWND frame, WPARAM wParam, LPARAM lParam) {
    const auto* header = reinterpret_cast<const NMHDR*>(lParam);
    if (wParam == IDC_SETTINGS_TREE && header->code == TVN_SELCHANGEDA)
        return OnSelectionChanged(frame);
    return FALSE;
}

void OnSave(HWND frame) {
    // Without a connection (it ended while the dialog was open) nothing is
    // sent; the edits stay in the settings copy for the next Save.
    if (ShownSettingsPage() != nullptr && g_connectionState == CONN_CONNECTED) {
        CloseSettingsPage();
        Cfg request = ServerSettings();
        request.kind = KIND_REQUEST;
        request.code = CODE_SETTINGS_SET;
        SendRecord(&request, sizeof request);
    }
    DestroyWindow(frame);  // a page still shown goes with it and writes back
}

INT_PTR OnCommand(HWND frame, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDOK: OnSave(frame); return TRUE;
    case IDCANCEL: DestroyWindow(frame); return TRUE;
    default: return FALSE;
    }
}

INT_PTR OnCtlColorStatic(HWND control) {
    if (GetDlgCtrlID(control) == IDC_SETTINGS_TITLE)
        return reinterpret_cast<INT_PTR>(g_whiteBrush);
    return FALSE;
}

}  // namespace

INT_PTR CALLBACK SettingsDialogProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(frame);
    case WM_NOTIFY: return OnNotify(frame, wParam, lParam);
    case WM_COMMAND: return OnCommand(frame, wParam);
    case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
        // Also when the frame goes with its owner, so that the single dialog
        // rule never sees a dead handle. The page, a child, goes after it
        // and forgets itself.
        g_settingsDialog = nullptr;
        return FALSE;
    default: return FALSE;
    }
}

HTREEITEM AddTreeItem(HWND tree, const char* text, HTREEITEM parent) {
    TVINSERTSTRUCTA is = {};
    is.hParent = parent;
    is.hInsertAfter = TVI_LAST;
    is.item.mask = TVIF_TEXT;
    is.item.pszText = const_cast<char*>(text);
    is.item.cchTextMax = 80;
    auto item = reinterpret_cast<HTREEITEM>(
        SendMessageA(tree, TVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&is)));
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
    return item;
}

void ShowGeneralPage(HWND frame) {
    ShowPage(frame, "General Settings", GeneralPageProc, IDD_SETTINGS_GENERAL);
}

void ShowEmailPage(HWND frame) {
    ShowPage(frame, "Email Settings", EmailPageProc, IDD_SETTINGS_EMAIL);
}

void OpenSettingsDialog(HWND owner) {
    OpenModelessDialog(InstanceOf(owner), owner, SettingsDialogProc, IDD_SETTINGS);
}

HWND SettingsDialogWindow() {
    return g_settingsDialog;
}

void CreateWhiteBrush() {
    g_whiteBrush = CreateSolidBrush(0x00FFFFFF);
}

void DeleteWhiteBrush() {
    DeleteGdiObject(g_whiteBrush);
}
