// The server connection's life: attempt, established, data, closed.
#include "link/server_connection.h"

#include "app/app.h"
#include "link/address_field.h"
#include "link/client_config.h"
#include "link/frame_io.h"
#include "link/server_lists.h"
#include "link/session.h"
#include "panel/list_batch.h"
#include "panel/status_log.h"
#include "panel/tray_icon.h"
#include "res/resource.h"

char g_serverReceiveBuffer[RECEIVE_CHUNK];

namespace {

ConnectButtonHandler g_connectButtonHandler;

// Every way a connection ends: closed by the server, an attempt that failed
// after it started, a receive error, or the user's Disconnect.
//
// Two things differ for the user's Disconnect. The settings copy: when the
// socket layer ended the connection, settingsAvailable is cleared; the
// user's Disconnect leaves it as it is, as nothing reads it while
// disconnected and the next connection's synchronisation clears it before
// asking for the settings again. And the alert: only an established
// connection that ended without the user is reported as lost.
void EndConnection(bool byUser) {
    const bool lost = !byUser && g_connectionState == CONN_CONNECTED;
    g_connectionState = CONN_DISCONNECTED;
    ResetFrameReassembler();
    if (!byUser)
        g_settingsAvailable = 0;
    LogStatus("Server connection closed");
    ClearServerLists();
    TrayConnectionChanged(lost);
    UpdateConnectButton("Connect", FALSE);
    PostMessageA(g_mainWindow, WM_SHOW_CONNECT, 0, 0);
}

}  // namespace

void SetConnectButtonHandler(ConnectButtonHandler handler) {
    g_connectButtonHandler = handler;
}

void UpdateConnectButton(const char* caption, BOOL enabled) {
    if (g_connectButtonHandler != nullptr)
        g_connectButtonHandler(caption, enabled);
}

void ConnectToServer(HWND dialog) {
    if (dialog != nullptr) {
        ZeroMemory(g_clientConfig.serverIp, sizeof g_clientConfig.serverIp);
        ReadAddressField(GetDlgItem(dialog, IDC_CONNECT_ADDRESS), g_clientConfig.serverIp);
        // No range check: an empty field gives 0, a larger number keeps its low 16 bits.
        g_clientConfig.serverPort =
            static_cast<uint16_t>(GetDlgItemInt(dialog, IDC_CONNECT_PORT, nullptr, FALSE));
    }
    const int rc = SocketConnect(g_clientConfig.serverIp, g_clientConfig.serverPort, 1,
                                 &g_serverConnection, ServerSocketCallback, g_serverReceiveBuffer);
    if (rc == SOCK_OK || rc == SOCK_IN_PROGRESS) {
        g_connectionState = CONN_CONNECTING;
        LogStatus("Connecting to Quorvex Server ...");
    } else {
        g_connectionState = CONN_DISCONNECTED;
        LogStatus("Connection attempt to server failed");
        UpdateConnectButton(nullptr, TRUE);
    }
}

int ServerSocketCallback(uint32_t, uint32_t event, uint32_t value, uint32_t, uint32_t) {
    switch (event) {
    case SOCK_EVENT_CONNECTED:
        if (g_connectionState != CONN_CONNECTING)
            break;
        g_connectionState = CONN_CONNECTED;
        LogStatus("Connection to server established");
        UpdateConnectButton("Disconnect", TRUE);
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
    case SOCK_EVENT_CONNECT_FAILED: EndConnection(false); break;
    }
    return 0;
}

void DisconnectFromServer() {
    SocketClose(g_serverConnection);
    EndConnection(true);
}
