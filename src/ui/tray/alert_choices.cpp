#include "ui/tray/alert_choices.h"

#include <windows.h>

namespace {

bool ReadChoice(HKEY key, const char* name, bool fallback) {
    DWORD type = 0, value = 0, size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) !=
            ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof value || value > 1)
        return fallback;
    return value == 1;
}

void SaveChoice(HKEY key, const char* name, bool on) {
    const DWORD value = on ? 1 : 0;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

}  // namespace

AlertChoices ReadAlertChoices() {
    AlertChoices choices = {true, false};
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, QX_CHOICES_KEY, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return choices;
    choices.showAlerts = ReadChoice(key, QX_SHOW_ALERTS_VALUE, choices.showAlerts);
    choices.soundOnDown = ReadChoice(key, QX_SOUND_ON_DOWN_VALUE, choices.soundOnDown);
    RegCloseKey(key);
    return choices;
}

void SaveAlertChoices(const AlertChoices& choices) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, QX_CHOICES_KEY, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    SaveChoice(key, QX_SHOW_ALERTS_VALUE, choices.showAlerts);
    SaveChoice(key, QX_SOUND_ON_DOWN_VALUE, choices.soundOnDown);
    RegCloseKey(key);
}
