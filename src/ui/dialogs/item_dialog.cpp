// The test item dialog. It is told what it opens for when it is created and
// reads the item under edit once, while it opens; Save checks the fields with
// ValidateItemFields and either shows the first problem in the heading line
// (and stays open) or sends CODE_ITEM_NEW / CODE_ITEM_EDIT and closes. It
// never waits for the server's answer.
#include "ui/dialogs/item_dialog.h"

#include <cstring>
#include <new>

#include "core/rules/item_validation.h"
#include "core/rules/row_rules.h"
#include "core/session/frame_io.h"
#include "res/resource.h"
#include "ui/common/combo_fill.h"
#include "ui/common/dpi.h"
#include "ui/common/gdi_object.h"
#include "ui/common/window_ops.h"

namespace {

HWND g_itemDialog;
HFONT g_headingFont;

// What OpenItemDialog hands the dialog, read during its WM_INITDIALOG only.
struct OpeningArgs {
    ItemDialogMode mode;
    const TestItem* item;
};

// What the open dialog keeps, behind DWLP_USER. The item under edit belongs
// to its list row, and the server may delete the row (or the connection may
// end and empty the list) while this modeless dialog is open. So the dialog
// copies the item's id when it opens and never touches the TestItem again.
// If the item is gone by the time of Save, the edit still goes out with the
// remembered id: the server answers that no such item exists, and that
// answer is logged like any other failure.
struct DialogState {
    ItemDialogMode mode;
    uint32_t itemId;    // of the item under edit, copied at opening
    bool headingError;  // the heading shows a failed Save's message, not its greeting
};

DialogState* StateOf(HWND dialog) {
    return reinterpret_cast<DialogState*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

void CreateHeadingFontOnce(HWND dialog) {
    if (g_headingFont != nullptr)
        return;
    LOGFONTA fnt = {};
    fnt.lfHeight = -MulDiv(9, static_cast<int>(WindowDpi(dialog)), 72);
    fnt.lfItalic = TRUE;
    lstrcpynA(fnt.lfFaceName, "Arial", sizeof fnt.lfFaceName);
    g_headingFont = CreateFontIndirectA(&fnt);
}

void ShowConfig(HWND dialog, const TestItemConfig& config) {
    char text[NAME_FIELD];
    CopyFieldText(text, config.name);
    SetDlgItemTextA(dialog, IDC_ITEM_NAME, text);
    CopyFieldText(text, config.host);
    SetDlgItemTextA(dialog, IDC_ITEM_HOST, text);
    SetDlgItemInt(dialog, IDC_ITEM_PORT, config.port, FALSE);
    SetDlgItemInt(dialog, IDC_ITEM_INTERVAL, config.interval, FALSE);
    SetDlgItemInt(dialog, IDC_ITEM_TIMEOUT, config.timeout, FALSE);
    SetDlgItemInt(dialog, IDC_ITEM_RETRIES, config.retries, FALSE);
    // A testType outside the list leaves the combo box without a selection
    // (and Save then stores -1). Passing -1 says so explicitly: Wine keeps the
    // old selection for an index past the end, where Windows clears it.
    const LRESULT count = SendDlgItemMessageA(dialog, IDC_ITEM_TEST_TYPE, CB_GETCOUNT, 0, 0);
    const WPARAM index =
        config.testType < static_cast<uint32_t>(count) ? config.testType : static_cast<WPARAM>(-1);
    SendDlgItemMessageA(dialog, IDC_ITEM_TEST_TYPE, CB_SETCURSEL, index, 0);
    if (config.mailOnDown != 0)
        CheckDlgButton(dialog, IDC_ITEM_MAIL_DOWN, BST_CHECKED);
    if (config.mailOnUp != 0)
        CheckDlgButton(dialog, IDC_ITEM_MAIL_UP, BST_CHECKED);
}

INT_PTR OnInitDialog(HWND dialog, const OpeningArgs* args) {
    auto* state = new (std::nothrow) DialogState{ItemDialogMode::NewItem, 0, false};
    if (state == nullptr) {
        DestroyWindow(dialog);  // not opened, as if it could not be created
        return FALSE;
    }
    SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
    g_itemDialog = dialog;
    CreateHeadingFontOnce(dialog);
    SendDlgItemMessageA(dialog, IDC_ITEM_HEADING, WM_SETFONT,
                        reinterpret_cast<WPARAM>(g_headingFont), TRUE);
    CenterWindow(dialog);

    SendDlgItemMessageA(dialog, IDC_ITEM_NAME, EM_LIMITTEXT, NAME_FIELD - 1, 0);
    SendDlgItemMessageA(dialog, IDC_ITEM_HOST, EM_LIMITTEXT, NAME_FIELD - 1, 0);
    SendDlgItemMessageA(dialog, IDC_ITEM_PORT, EM_LIMITTEXT, 5, 0);
    SendDlgItemMessageA(dialog, IDC_ITEM_INTERVAL, EM_LIMITTEXT, 5, 0);
    SendDlgItemMessageA(dialog, IDC_ITEM_TIMEOUT, EM_LIMITTEXT, 2, 0);
    SendDlgItemMessageA(dialog, IDC_ITEM_RETRIES, EM_LIMITTEXT, 1, 0);
    FillCombo(dialog, testTypeNames, IDC_ITEM_TEST_TYPE, TEST_ICMP_PING);

    if (args == nullptr || args->mode == ItemDialogMode::NewItem || args->item == nullptr) {
        SetDlgItemTextA(dialog, IDC_ITEM_HEADING, "Please fill in details for new test item");
        SetDlgItemInt(dialog, IDC_ITEM_INTERVAL, 60, FALSE);
        SetDlgItemInt(dialog, IDC_ITEM_TIMEOUT, 3, FALSE);
        SetDlgItemInt(dialog, IDC_ITEM_RETRIES, 3, FALSE);
    } else {
        state->mode = ItemDialogMode::EditItem;
        state->itemId = args->item->itemId;
        SetDlgItemTextA(dialog, IDC_ITEM_HEADING, "Please edit details of test item");
        ShowConfig(dialog, args->item->config);
    }
    return TRUE;  // focus on the first tab stop, the description
}

ItemFields ReadFields(HWND dialog, char (&name)[NAME_FIELD], char (&host)[NAME_FIELD]) {
    GetDlgItemTextA(dialog, IDC_ITEM_NAME, name, sizeof name);
    GetDlgItemTextA(dialog, IDC_ITEM_HOST, host, sizeof host);
    ItemFields f;
    f.name = name;
    f.host = host;
    // An empty or non-numeric field reads as 0, which the checks then refuse.
    f.port = GetDlgItemInt(dialog, IDC_ITEM_PORT, nullptr, FALSE);
    f.interval = GetDlgItemInt(dialog, IDC_ITEM_INTERVAL, nullptr, FALSE);
    f.timeout = GetDlgItemInt(dialog, IDC_ITEM_TIMEOUT, nullptr, FALSE);
    f.testTypeSelection =
        static_cast<int>(SendDlgItemMessageA(dialog, IDC_ITEM_TEST_TYPE, CB_GETCURSEL, 0, 0));
    f.retries = GetDlgItemInt(dialog, IDC_ITEM_RETRIES, nullptr, FALSE);
    f.mailOnDown = IsDlgButtonChecked(dialog, IDC_ITEM_MAIL_DOWN) == BST_CHECKED;
    f.mailOnUp = IsDlgButtonChecked(dialog, IDC_ITEM_MAIL_UP) == BST_CHECKED;
    return f;
}

void ShowFailure(HWND dialog, const char* message) {
    HWND heading = GetDlgItem(dialog, IDC_ITEM_HEADING);
    SetWindowTextA(heading, message);
    StateOf(dialog)->headingError = true;
    RedrawWindow(heading, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_INTERNALPAINT | RDW_ERASE | RDW_ERASENOW);
}

void OnSave(HWND dialog) {
    char name[NAME_FIELD];
    char host[NAME_FIELD];
    const ItemFields fields = ReadFields(dialog, name, host);

    const DialogState& state = *StateOf(dialog);
    Pkt sPkt = state.mode == ItemDialogMode::NewItem ? MakeRequest(CODE_ITEM_NEW)
                                                     : MakeRequest(CODE_ITEM_EDIT, state.itemId);
    if (const char* failure = ValidateItemFields(fields, &sPkt.config)) {
        ShowFailure(dialog, failure);
        return;
    }
    // Without a connection the socket layer refuses the frame silently; the
    // dialog closes all the same.
    SendPkt(&sPkt);
    DestroyWindow(dialog);
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam) {
    switch (LOWORD(wParam)) {
    case IDOK: OnSave(dialog); return TRUE;
    case IDCANCEL: DestroyWindow(dialog); return TRUE;
    default: return FALSE;
    }
}

INT_PTR OnCtlColorStatic(HWND dialog, HDC dc, HWND control) {
    const DialogState* state = StateOf(dialog);
    switch (GetDlgCtrlID(control)) {
    case IDC_ITEM_HEADING:
        SetBkMode(dc, TRANSPARENT);
        // The greeting in black, a failed Save's message in the red-orange of a
        // host that is down.
        SetTextColor(dc,
                     state != nullptr && state->headingError ? COLOUR_RED_ORANGE : COLOUR_BLACK);
        return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
    case IDC_ITEM_NOTE: return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
    default: return FALSE;
    }
}

}  // namespace

INT_PTR CALLBACK TestItemDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: return OnInitDialog(dialog, reinterpret_cast<const OpeningArgs*>(lParam));
    case WM_COMMAND: return OnCommand(dialog, wParam);
    case WM_CTLCOLORSTATIC:
        return OnCtlColorStatic(dialog, reinterpret_cast<HDC>(wParam),
                                reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
        // Also when the dialog goes with its owner rather than by Save or
        // Cancel: the single dialog rule must not see a dead handle.
        delete StateOf(dialog);
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        if (g_itemDialog == dialog)
            g_itemDialog = nullptr;
        return FALSE;
    default: return FALSE;
    }
}

void OpenItemDialog(HWND owner, ItemDialogMode mode, const TestItem* item) {
    const OpeningArgs args = {mode, item};
    OpenModelessDialog(InstanceOf(owner), owner, TestItemDialogProc, IDD_TEST_ITEM,
                       reinterpret_cast<LPARAM>(&args));
}

HWND ItemDialogWindow() {
    return g_itemDialog;
}

void DeleteHeadingFont() {
    DeleteGdiObject(g_headingFont);
}
