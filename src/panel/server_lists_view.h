// The test items list and the events list as the view of the server mirror
// (link/server_mirror.h), and through them the notification icon's news of
// the items. Registered with SetMirrorView at start-up.
#pragma once

#include "link/server_mirror.h"

const MirrorView* ServerListsView();
