// Hands whole frames to the socket layer for the server connection. A frame
// goes into the send queue whole or not at all: half a frame would leave the
// server's reassembler out of step for the rest of the connection.
#include "link/server_transport.h"

#include "core/session/status_report.h"
#include "link/server_connection.h"
#include "net/socket.h"

int ServerTransportSend(const uint8_t* frame, size_t length) {
    // A connection that ended (or never opened) drops its frames quietly:
    // the user has already been told that it closed.
    if (!SocketCanQueue(g_serverConnection))
        return SOCK_NOT_OPEN;
    if (SocketQueueRoom(g_serverConnection) < length) {
        ReportStatus("Send queue full, command not sent");
        return SOCK_NO_RESOURCES;
    }
    uint32_t queued = 0;
    return SocketQueueSend(g_serverConnection, frame, static_cast<int32_t>(length), &queued);
}
