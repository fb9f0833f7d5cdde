// The notification icon's two choices, kept for the user in the registry
// under HKCU\Software\Quorvex Client (quorvex.ini holds only the server's
// address): "Show Alerts" (on at first) and "Sound on Down" (off at first).
#pragma once

struct AlertChoices {
    bool showAlerts;
    bool soundOnDown;
};

// A value that is missing, not a DWORD or neither 0 nor 1 gives its default.
AlertChoices ReadAlertChoices();
// Nothing is reported when the registry refuses: the choice holds for the run.
void SaveAlertChoices(const AlertChoices& choices);

// The key and its values, also named by the uninstaller.
#define QX_CHOICES_KEY "Software\\Quorvex Client"
#define QX_SHOW_ALERTS_VALUE "Show Alerts"
#define QX_SOUND_ON_DOWN_VALUE "Sound on Down"
