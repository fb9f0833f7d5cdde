// How the layers below the status log report progress and failures to the
// user: the server link, the message handler and the dialogs. The lines go
// to the status log, which belongs to the panel: it registers itself at
// start-up, and nothing reaches up to it.
#pragma once

// Receives one line, read only during the call. Without one, lines are dropped.
using StatusReporter = void (*)(const char* text);
void SetStatusReporter(StatusReporter reporter);

// Hands one line to the registered reporter.
void ReportStatus(const char* text);
