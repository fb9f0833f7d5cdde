// The client's own settings: the server's address and port, remembered in
// quorvex.ini in the current directory.
#pragma once

#include <cstdint>

struct ClientConfig {
    uint16_t serverPort;  // default 2111
    char serverIp[16];    // dotted IPv4 text, at most 15 characters; default "127.0.0.1"
};

extern ClientConfig g_clientConfig;

constexpr const char* CLIENT_CONFIG_FILE = "quorvex.ini";
constexpr int CONFIG_ERROR_TEXT = 128;  // size of the error text buffers

// Reads the file over the values already in cfg: keys SERVER_PORT= and
// SERVER_IP= (any letter case), later lines override earlier ones, a port
// whose low 16 bits are 0 and an address longer than 15 characters are
// ignored. A missing file is created with the current values. Returns 1, or 0
// with errorText (>= 128 bytes) filled when the file could not be created.
int ReadClientConfig(const char* fileName, ClientConfig* cfg, char* errorText);

// Replaces the file with the two lines SERVER_PORT=%u and SERVER_IP=%s.
// Returns 1, or 0 with "Failed to create configuration file" in errorText.
int WriteClientConfig(const char* fileName, const ClientConfig* cfg, char* errorText);
