// Server connection. Not wired in yet: until the connect dialog can start a
// connection there is nothing to disconnect, so this does nothing.
#include "link/server_connection.h"

void DisconnectFromServer() {}
