#include "core/session/session.h"

uint32_t g_connectionState = CONN_DISCONNECTED;
