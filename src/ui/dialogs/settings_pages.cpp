// Settings pages: "General" (the server's GUI port) and "Email" (the mail
// settings). Nothing is validated: the server owns these values, and a port
// above 65535 is stored as its low 16 bits. Text written back replaces only
// the bytes up to the new NUL; what the server sent behind it stays.
#include "ui/dialogs/settings_pages.h"

#include "core/session/server_settings.h"
#include "res/resource.h"

namespace {

HWND g_shownPage;

void ReadText(HWND page, int id, char (&field)[NAME_FIELD]) {
    GetDlgItemTextA(page, id, field, sizeof field);
}

void ShowText(HWND page, int id, const char (&field)[NAME_FIELD]) {
    char text[NAME_FIELD];
    CopyFieldText(text, field);  // the server may have left out the NUL
    SetDlgItemTextA(page, id, text);
}

uint16_t ReadPort(HWND page, int id) {
    return static_cast<uint16_t>(GetDlgItemInt(page, id, nullptr, FALSE) & 0xFFFFu);
}

INT_PTR ClosePage(HWND page) {
    DestroyWindow(page);
    return TRUE;
}

void Shown(HWND page) {
    g_shownPage = page;
}

void Gone(HWND page) {
    if (g_shownPage == page)
        g_shownPage = nullptr;
}

INT_PTR OnGeneralInit(HWND page) {
    Shown(page);
    SetDlgItemInt(page, IDC_GENERAL_GUI_PORT, ServerSettings().guiPort, FALSE);
    return TRUE;
}

void OnGeneralDestroy(HWND page) {
    Cfg edited = ServerSettings();
    edited.guiPort = ReadPort(page, IDC_GENERAL_GUI_PORT);
    StoreSettingsEdits(edited);
    Gone(page);
}

INT_PTR OnEmailInit(HWND page) {
    Shown(page);
    const int texts[] = {IDC_EMAIL_ADMIN, IDC_EMAIL_SOURCE, IDC_EMAIL_SMTP_SERVER, IDC_EMAIL_USER,
                         IDC_EMAIL_PASSWORD};
    for (int id : texts)
        SendDlgItemMessageA(page, id, EM_LIMITTEXT, NAME_FIELD - 1, 0);
    SendDlgItemMessageA(page, IDC_EMAIL_SMTP_PORT, EM_LIMITTEXT, 5, 0);
    const Cfg settings = ServerSettings();
    if (settings.smtpAuth != 0)
        CheckDlgButton(page, IDC_EMAIL_AUTH, BST_CHECKED);
    SetDlgItemInt(page, IDC_EMAIL_SMTP_PORT, settings.smtpPort, FALSE);
    ShowText(page, IDC_EMAIL_ADMIN, settings.adminEmail);
    ShowText(page, IDC_EMAIL_SOURCE, settings.sourceEmail);
    ShowText(page, IDC_EMAIL_SMTP_SERVER, settings.smtpServer);
    ShowText(page, IDC_EMAIL_USER, settings.smtpUser);
    ShowText(page, IDC_EMAIL_PASSWORD, settings.smtpPassword);
    return TRUE;
}

void OnEmailDestroy(HWND page) {
    Cfg edited = ServerSettings();
    ReadText(page, IDC_EMAIL_ADMIN, edited.adminEmail);
    ReadText(page, IDC_EMAIL_SOURCE, edited.sourceEmail);
    ReadText(page, IDC_EMAIL_SMTP_SERVER, edited.smtpServer);
    ReadText(page, IDC_EMAIL_USER, edited.smtpUser);
    ReadText(page, IDC_EMAIL_PASSWORD, edited.smtpPassword);
    edited.smtpPort = ReadPort(page, IDC_EMAIL_SMTP_PORT);
    edited.smtpAuth = IsDlgButtonChecked(page, IDC_EMAIL_AUTH) == BST_CHECKED ? 1 : 0;
    StoreSettingsEdits(edited);
    Gone(page);
}

bool IsCloseCommand(WPARAM wParam) {
    return LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
}

}  // namespace

HWND ShownSettingsPage() {
    return g_shownPage;
}

void CloseSettingsPage() {
    if (g_shownPage != nullptr)
        DestroyWindow(g_shownPage);
}

INT_PTR CALLBACK GeneralPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return OnGeneralInit(page);
    case WM_DESTROY: OnGeneralDestroy(page); return FALSE;
    case WM_COMMAND: return IsCloseCommand(wParam) ? ClosePage(page) : FALSE;
    default: return FALSE;
    }
}

INT_PTR CALLBACK EmailPageProc(HWND page, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: return OnEmailInit(page);
    case WM_DESTROY: OnEmailDestroy(page); return FALSE;
    case WM_COMMAND: return IsCloseCommand(wParam) ? ClosePage(page) : FALSE;
    default: return FALSE;
    }
}
