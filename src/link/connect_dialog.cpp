// The connect dialog. It rewrites quorvex.ini whenever it closes, so the file
// always holds the values last confirmed (or those read at start-up).
#include "link/connect_dialog.h"

#include <commctrl.h>

#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "link/client_config.h"
#include "link/server_connection.h"
#include "link/session.h"
#include "net/address.h"
#include "panel/status_log.h"
#include "res/resource.h"

void SetAddressField(HWND control, const char* text) {
    SetWindowTextA(control, text);
    unsigned a, b, c, d;
    if (IsDottedQuad(text) && std::sscanf(text, "%u.%u.%u.%u", &a, &b, &c, &d) == 4 && a < 256 &&
        b < 256 && c < 256 && d < 256)
        SendMessageA(control, IPM_SETADDRESS, 0, MAKEIPADDRESS(a, b, c, d));
}

void ReadAddressField(HWND control, char* out16) {
    DWORD address = 0;
    if (SendMessageA(control, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)) == 0) {
        out16[0] = '\0';
        return;
    }
    std::snprintf(out16, 16, "%u.%u.%u.%u", static_cast<unsigned>(FIRST_IPADDRESS(address)),
                  static_cast<unsigned>(SECOND_IPADDRESS(address)), static_cast<unsigned>(THIRD_IPADDRESS(address)),
                  static_cast<unsigned>(FOURTH_IPADDRESS(address)));
}

namespace {

void OnInitDialog(HWND dialog) {
    if (g_connectionState != CONN_DISCONNECTED) {
        DestroyWindow(dialog);
        return;
    }
    CenterWindow(dialog);
    SetAddressField(GetDlgItem(dialog, IDC_CONNECT_ADDRESS), g_clientConfig.serverIp);
    SendDlgItemMessageA(dialog, IDC_CONNECT_PORT, EM_LIMITTEXT, 5, 0);
    SetDlgItemInt(dialog, IDC_CONNECT_PORT, g_clientConfig.serverPort, FALSE);
}

void OnDestroy() {
    char error[CONFIG_ERROR_TEXT];
    if (!WriteClientConfig(CLIENT_CONFIG_FILE, &g_clientConfig, error))
        LogStatus(error);
}

}  // namespace

INT_PTR CALLBACK ConnectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CONNECT_OK:
            // The Connect button stays disabled while the attempt runs, and is
            // enabled again by ConnectToServer when it fails at once.
            ConnectToServer(dialog);
            DestroyWindow(dialog);
            return TRUE;
        case IDCANCEL:
            DestroyWindow(dialog);
            SetConnectButton(nullptr, TRUE);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY:
        OnDestroy();
        return FALSE;
    }
    return FALSE;
}
