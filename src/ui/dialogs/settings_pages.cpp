// Settings pages: "General" (the server's GUI port) and "Email" (the mail
// settings). Nothing is validated: the server owns these values, and a port
// above 65535 is stored as its low 16 bits. Text written back replaces only
// the bytes up to the new NUL; what the server sent behind it stays.
#include "ui/dialogs/settings_pages.h"

#include "core/session/session.h"
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
    SetDlgItemInt(page, IDC_GENERAL_GUI_PORT, g_settingsCopy.guiPort, FALSE);
    return TRUE;
}

void OnGeneralDestroy(HWND page) {
    g_settingsCopy.guiPort = ReadPort(page, IDC_GENERAL_GUI_PORT);
    Gone(page);
}

INT_PTR OnEmailInit(HWND page) {
    Shown(page);
    const int texts[] = {IDC_EMAIL_ADMIN, IDC_EMAIL_SOURCE, IDC_EMAIL_SMTP_SERVER, IDC_EMAIL_USER,
                         IDC_EMAIL_PASSWORD};
    for (int id : texts)
        SendDlgItemMessageA(page, id, EM_LIMITTEXT, NAME_FIELD - 1, 0);
    SendDlgItemMessageA(page, IDC_EMAIL_SMTP_PORT, EM_LIMITTEXT, 5, 0);
    if (g_settingsCopy.smtpAuth != 0)
        CheckDlgButton(page, IDC_EMAIL_AUTH, BST_CHECKED);
    SetDlgItemInt(page, IDC_EMAIL_SMTP_PORT, g_settingsCopy.smtpPort, FALSE);
    ShowText(page, IDC_EMAIL_ADMIN, g_settingsCopy.adminEmail);
    ShowText(page, IDC_EMAIL_SOURCE, g_settingsCopy.sourceEmail);
    ShowText(page, IDC_EMAIL_SMTP_SERVER, g_settingsCopy.smtpServer);
    ShowText(page, IDC_EMAIL_USER, g_settingsCopy.smtpUser);
    ShowText(page, IDC_EMAIL_PASSWORD, g_settingsCopy.smtpPassword);
    return TRUE;
}

void OnEmailDestroy(HWND page) {
    ReadText(page, IDC_EMAIL_ADMIN, g_settingsCopy.adminEmail);
    ReadText(page, IDC_EMAIL_SOURCE, g_settingsCopy.sourceEmail);
    ReadText(page, IDC_EMAIL_SMTP_SERVER, g_settingsCopy.smtpServer);
    ReadText(page, IDC_EMAIL_USER, g_settingsCopy.smtpUser);
    ReadText(page, IDC_EMAIL_PASSWORD, g_settingsCopy.smtpPassword);
    g_settingsCopy.smtpPort = ReadPort(page, IDC_EMAIL_SMTP_PORT);
    g_settingsCopy.smtpAuth = IsDlgButtonChecked(page, IDC_EMAIL_AUTH) == BST_CHECKED ? 1 : 0;
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
