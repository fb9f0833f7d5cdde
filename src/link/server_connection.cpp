// The server connection's life: attempt, established, data, closed.
#include "link/server_connection.h"

#include "app/app.h"
#include "link/client_config.h"
#include "link/connect_dialog.h"
#include "link/frame_io.h"
#include "link/server_lists.h"
#include "link/session.h"
#include "net/socket.h"
#include "panel/list_batch.h"
#include "panel/monitor_panel.h"
#include "panel/status_log.h"
#include "panel/tray_icon.h"
#include "res/resource.h"

char g_serverReceiveBuffer[2048];

namespace {

// Both an orderly close and a failed attempt end here.
void OnConnectionEnded() {
    const bool lost = g_connectionState == CONN_CONNECTED;  // not a failed attempt
    g_connectionState = CONN_DISCONNECTED;
    ResetFrameReassembler();
    g_settingsAvailable = 0;
    LogStatus("Server connection closed");
    ClearServerLists();
    TrayConnectionChanged(lost);
    SetConnectButton("Connect", FALSE);
    PostMessageA(g_mainWindow, WM_SHOW_CONNECT, 0, 0);
}

}  // namespace

void SetConnectButton(const char* caption, BOOL enabled) {
    HWND button = GetDlgItem(g_monitorPanel, IDC_PANEL_CONNECT);
    if (caption != nullptr)
        SetWindowTextA(button, caption);
    EnableWindow(button, enabled);
}

void ConnectToServer(HWND dialog) {
    if (dialog != nullptr) {
        ZeroMemory(g_clientConfig.serverIp, sizeof g_clientConfig.serverIp);
        ReadAddressField(GetDlgItem(dialog, IDC_CONNECT_ADDRESS), g_clientConfig.serverIp);
        // No range check: an empty field gives 0, a larger number keeps its low 16 bits.
        g_clientConfig.serverPort = static_cast<uint16_t>(GetDlgItemInt(dialog, IDC_CONNECT_PORT, nullptr, FALSE));
    }
    const int rc = SocketConnect(g_clientConfig.serverIp, g_clientConfig.serverPort, 1, &g_serverConnection,
                                 ServerSocketCallback, g_serverReceiveBuffer);
    if (rc == SOCK_OK || rc == SOCK_IN_PROGRESS) {
        g_connectionState = CONN_CONNECTING;
        LogStatus("Connecting to Quorvex Server ...");
    } else {
        g_connectionState = CONN_DISCONNECTED;
        LogStatus("Connection attempt to server failed");
        SetConnectButton(nullptr, TRUE);
    }
}

int ServerSocketCallback(uint32_t, uint32_t event, uint32_t value, uint32_t, uint32_t) {
    switch (event) {
    case SOCK_EVENT_CONNECTED:
        if (g_connectionState != CONN_CONNECTING)
            break;
        g_connectionState = CONN_CONNECTED;
        LogStatus("Connection to server established");
        SetConnectButton("Disconnect", TRUE);
        TrayConnectionChanged(false);
        PostMessageA(g_mainWindow, WM_START_SYNC, 0, 0);
        break;
    case SOCK_EVENT_DATA:
        if (g_connectionState != CONN_CONNECTED)
            break;
        BeginListBatch();
        FeedFrameBytes(reinterpret_cast<const uint8_t*>(g_serverReceiveBuffer),
                       value < sizeof g_serverReceiveBuffer ? value : sizeof g_serverReceiveBuffer);
        EndListBatch();
        break;
    case SOCK_EVENT_CLOSED:
    case SOCK_EVENT_CONNECT_FAILED:
        OnConnectionEnded();
        break;
    }
    return 0;
}

void DisconnectFromServer() {
    SocketClose(g_serverConnection);
    g_connectionState = CONN_DISCONNECTED;
    ResetFrameReassembler();
    LogStatus("Server connection closed");
    ClearServerLists();
    TrayConnectionChanged(false);  // the user's own doing: no alert
    SetConnectButton("Connect", FALSE);
    PostMessageA(g_mainWindow, WM_SHOW_CONNECT, 0, 0);
}
