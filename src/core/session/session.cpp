#include "core/session/session.h"

uint32_t g_connectionState = CONN_DISCONNECTED;
int32_t g_serverConnection = 0;
Cfg g_settingsCopy = {};
uint32_t g_settingsAvailable = 0;
