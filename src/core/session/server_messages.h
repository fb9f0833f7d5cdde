// The server message handler: what each complete payload from the server
// does to the lists, the status log and the settings copy.
#pragma once

#include <cstddef>
#include <cstdint>

// One call per complete payload, in the order received. Registered with the
// framing (SetServerMessageHandler) at start-up.
void HandleServerMessage(const uint8_t* payload, size_t length);
