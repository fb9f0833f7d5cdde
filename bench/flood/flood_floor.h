// What the flood benchmark and its floor (flood_floor.exe) share: the floor's
// hidden window, found by its class, and the message that lets it connect.
#pragma once

#include <windows.h>

#define QX_FLOOR_WINDOW_CLASS "QuorvexBenchFloor"

// Posted to the floor's window once the benchmark has read its CPU at rest:
// the floor connects, and the server's clock starts at the accept.
constexpr UINT WM_FLOOR_CONNECT = WM_APP + 1;
