// Definitions of the process-wide globals declared in app.h.
#include "app/app.h"

uint32_t g_itemDialogMode;
TestItem* g_itemUnderEdit;
