// Hands whole frames to the socket layer for the server connection.
#include "link/frame_io.h"

int FrameTransportSend(const uint8_t*, size_t) {
    return 14;  // not open: the socket layer is not wired in yet
}
