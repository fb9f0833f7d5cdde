// The connection to the Quorvex Server: connecting, the socket layer's
// events for it, and the user's disconnect.
#pragma once

// The Disconnect button: closes the connection, empties the lists and opens
// the connect dialog again.
void DisconnectFromServer();
