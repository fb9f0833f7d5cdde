// How the server link reports progress and failures to the user. The lines
// go to the status log, which belongs to the user interface: it registers
// itself at start-up, and the link never reaches up to it.
#pragma once

// Receives one line, read only during the call. Without one, lines are dropped.
using StatusReporter = void (*)(const char* text);
void SetStatusReporter(StatusReporter reporter);

// Hands one line to the registered reporter.
void ReportStatus(const char* text);
