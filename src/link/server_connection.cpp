// The server connection's life: attempt, established, data, closed.
#include "link/server_connection.h"

#include "core/mirror/server_lists.h"
#include "core/session/client_config.h"
#include "core/session/frame_io.h"
#include "core/session/server_settings.h"
#include "core/session/session.h"
#include "core/session/status_report.h"

namespace {

// Handed to the socket layer for the server connection: one receive's worth
// of bytes, read by the data event that follows.
char g_serverReceiveBuffer[RECEIVE_CHUNK];

ConnectionHandlers g_handlers;

// Every way a connection ends: closed by the server, an attempt that failed
// after it started, a receive error, or the user's Disconnect.
//
// Two things differ for the user's Disconnect. The settings copy: when the
// socket layer ended the connection, the settings are forgotten; the
// user's Disconnect leaves them available, as nothing reads it while
// disconnected and the next connection's synchronisation clears it before
// asking for the settings again. And the alert: only an established
// connection that ended without the user is reported as lost.
void EndConnection(bool byUser) {
    const bool lost = !byUser && g_connectionState == CONN_CONNECTED;
    g_connectionState = CONN_DISCONNECTED;
    ResetFrameReassembler();
    if (!byUser)
        ForgetServerSettings();
    ClearServerLists();  // first: what is made after it takes the rows' room (ClearEventRows)
    ReportStatus("Server connection closed");
    UpdateConnectButton("Connect", false);
    if (g_handlers.ended != nullptr)
        g_handlers.ended(lost);
}

}  // namespace

int32_t g_serverConnection = 0;

void SetConnectionHandlers(const ConnectionHandlers& handlers) {
    g_handlers = handlers;
}

void UpdateConnectButton(const char* caption, bool enabled) {
    if (g_handlers.connectButton != nullptr)
        g_handlers.connectButton(caption, enabled);
}

void ConnectToServer() {
    const int rc = SocketConnect(g_clientConfig.serverIp, g_clientConfig.serverPort, 1,
                                 &g_serverConnection, ServerSocketCallback, g_serverReceiveBuffer);
    if (rc == SOCK_OK || rc == SOCK_IN_PROGRESS) {
        g_connectionState = CONN_CONNECTING;
        ReportStatus("Connecting to Quorvex Server ...");
    } else {
        g_connectionState = CONN_DISCONNECTED;
        ReportStatus("Connection attempt to server failed");
        UpdateConnectButton(nullptr, true);
    }
}

int ServerSocketCallback(uint32_t, uint32_t event, uint32_t value, uint32_t, uint32_t) {
    switch (event) {
    case SOCK_EVENT_CONNECTED:
        if (g_connectionState != CONN_CONNECTING)
            break;
        g_connectionState = CONN_CONNECTED;
        ReportStatus("Connection to server established");
        UpdateConnectButton("Disconnect", true);
        if (g_handlers.established != nullptr)
            g_handlers.established();
        break;
    case SOCK_EVENT_DATA:
        if (g_connectionState != CONN_CONNECTED)
            break;
        if (g_handlers.receiveBegins != nullptr)
            g_handlers.receiveBegins();
        FeedFrameBytes(reinterpret_cast<const uint8_t*>(g_serverReceiveBuffer),
                       value < sizeof g_serverReceiveBuffer ? value : sizeof g_serverReceiveBuffer);
        if (g_handlers.receiveEnds != nullptr)
            g_handlers.receiveEnds();
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
