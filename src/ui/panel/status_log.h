// The status log: the two-column list at the bottom left of the monitor
// panel, the program's running record of what happened.
#pragma once

// Appends one timestamped line (newest at the bottom, scrolled into view);
// from the 30001st line on, each new line removes the oldest.
void LogStatus(const char* text);
