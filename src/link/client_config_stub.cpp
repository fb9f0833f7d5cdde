// Stand-in for the configuration file reader so the program links: the
// defaults stay in use and nothing is read or written.
#include "link/client_config.h"

ClientConfig g_clientConfig = {2111, "127.0.0.1"};

int ReadClientConfig(const char*, ClientConfig*, char*) {
    return 1;
}
