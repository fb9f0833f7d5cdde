// Reading and writing quorvex.ini. Text mode throughout, so the file has the
// platform's own line ends on disk.
#include "core/session/client_config.h"

#include <cctype>
#include <cstdio>
#include <cstring>

ClientConfig g_clientConfig = {2111, "127.0.0.1"};

namespace {

// The two keys, as written and as read (in any letter case).
constexpr char PORT_KEY[] = "SERVER_PORT=";
constexpr char IP_KEY[] = "SERVER_IP=";

bool StartsWithKey(const char* line, const char* key, size_t keyLength) {
    for (size_t i = 0; i < keyLength; ++i) {
        if (line[i] == '\0')
            return false;
        if (std::toupper(static_cast<unsigned char>(line[i])) != static_cast<unsigned char>(key[i]))
            return false;
    }
    return true;
}

// A decimal conversion as the C library does it (leading blanks, one sign,
// digits up to the first non-digit), kept to its low 16 bits with wrap-around
// instead of the library's undefined overflow.
uint16_t LowBitsOfNumber(const char* s) {
    while (*s == ' ' || *s == '\t' || *s == '\n' || *s == '\r' || *s == '\f' || *s == '\v')
        ++s;
    bool negative = false;
    if (*s == '+' || *s == '-')
        negative = *s++ == '-';
    uint32_t value = 0;
    while (*s >= '0' && *s <= '9')
        value = value * 10u + static_cast<uint32_t>(*s++ - '0');
    if (negative)
        value = 0u - value;
    return static_cast<uint16_t>(value & 0xFFFFu);
}

void ApplyLine(const char* line, ClientConfig* cfg) {
    if (StartsWithKey(line, PORT_KEY, sizeof PORT_KEY - 1)) {
        const uint16_t port = LowBitsOfNumber(line + sizeof PORT_KEY - 1);
        if (port != 0)
            cfg->serverPort = port;
    }
    if (StartsWithKey(line, IP_KEY, sizeof IP_KEY - 1)) {
        const char* value = line + sizeof IP_KEY - 1;
        size_t n = std::strcspn(value, "\n");
        // A CR before the line break comes from a file written with CR LF and
        // read where text mode keeps it; it is not part of the address.
        if (n > 0 && value[n - 1] == '\r')
            --n;
        if (n < sizeof cfg->serverIp) {
            std::memcpy(cfg->serverIp, value, n);
            cfg->serverIp[n] = '\0';
        }
    }
}

}  // namespace

int ReadClientConfig(const char* fileName, ClientConfig* cfg, char* errorText) {
    FILE* file = std::fopen(fileName, "r");
    if (file == nullptr)
        return WriteClientConfig(fileName, cfg, errorText);
    // At most 255 characters at a time: a longer line is read as several pieces.
    char line[256];
    while (std::fgets(line, sizeof line, file) != nullptr)
        ApplyLine(line, cfg);
    std::fclose(file);
    return 1;
}

int WriteClientConfig(const char* fileName, const ClientConfig* cfg, char* errorText) {
    FILE* file = std::fopen(fileName, "w");
    if (file == nullptr) {
        std::snprintf(errorText, CONFIG_ERROR_TEXT, "%s", "Failed to create configuration file");
        return 0;
    }
    std::fprintf(file, "%s%u\n", PORT_KEY, static_cast<unsigned>(cfg->serverPort));
    std::fprintf(file, "%s%s\n", IP_KEY, cfg->serverIp);
    std::fclose(file);
    return 1;
}
