// The client's own configuration: the server address and port, kept in
// quorvex.ini in the working directory.
#pragma once

#include <cstdint>

struct ClientConfig {
    uint16_t serverPort;  // 2111 until the file or the connect dialog says otherwise
    char serverIp[16];    // dotted IPv4 text, at most 15 characters
};

extern ClientConfig g_clientConfig;

// Reads the file into *cfg (a missing file is created with the current
// values). Returns 1, or 0 with a message in errorText (at least 128 bytes).
int ReadClientConfig(const char* fileName, ClientConfig* cfg, char* errorText);
