// The connect dialog. OK stores the address and port typed into it and
// starts the attempt; it rewrites quorvex.ini whenever it closes, so the file
// always holds the values last confirmed (or those read at start-up).
#include "ui/dialogs/connect_dialog.h"

#include "core/session/client_config.h"
#include "core/session/session.h"
#include "core/session/status_report.h"
#include "link/server_connection.h"
#include "res/resource.h"
#include "ui/common/window_ops.h"
#include "ui/dialogs/address_field.h"

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

void OnConnect(HWND dialog) {
    ZeroMemory(g_clientConfig.serverIp, sizeof g_clientConfig.serverIp);
    ReadAddressField(GetDlgItem(dialog, IDC_CONNECT_ADDRESS), g_clientConfig.serverIp);
    // No range check: an empty field gives 0, a larger number keeps its low 16 bits.
    g_clientConfig.serverPort =
        static_cast<uint16_t>(GetDlgItemInt(dialog, IDC_CONNECT_PORT, nullptr, FALSE));
    // The Connect button stays disabled while the attempt runs, and is
    // enabled again by ConnectToServer when it fails at once.
    ConnectToServer();
}

void OnDestroy() {
    char error[CONFIG_ERROR_TEXT];
    if (!WriteClientConfig(CLIENT_CONFIG_FILE, &g_clientConfig, error))
        ReportStatus(error);
}

}  // namespace

INT_PTR CALLBACK ConnectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: OnInitDialog(dialog); return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_CONNECT_OK:
            OnConnect(dialog);
            DestroyWindow(dialog);
            return TRUE;
        case IDCANCEL:
            DestroyWindow(dialog);
            UpdateConnectButton(nullptr, true);
            return TRUE;
        }
        return FALSE;
    case WM_DESTROY: OnDestroy(); return FALSE;
    }
    return FALSE;
}
