// Definitions of the process-wide globals declared in app.h.
#include "app/app.h"

HWND g_itemDialog;
HWND g_settingsDialog;
HWND g_aboutBox;
uint32_t g_itemDialogMode;
TestItem* g_itemUnderEdit;

bool AnyItemDialogOpen() {
    return g_itemDialog != nullptr || g_settingsDialog != nullptr || g_aboutBox != nullptr;
}
