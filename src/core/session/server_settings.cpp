// The settings copy and its availability, behind store, read and forget.
#include "core/session/server_settings.h"

namespace {

Cfg g_settingsCopy = {};
bool g_settingsAvailable = false;

}  // namespace

void StoreServerSettings(const Cfg& settings) {
    g_settingsCopy = settings;
    g_settingsAvailable = true;
}

void StoreSettingsEdits(const Cfg& settings) {
    g_settingsCopy = settings;
}

Cfg ServerSettings() {
    return g_settingsCopy;
}

bool ServerSettingsAvailable() {
    return g_settingsAvailable;
}

void ForgetServerSettings() {
    g_settingsAvailable = false;
}
