// What a benchmark reads about the shipped client while the reference
// server feeds it: the server's timing lines, and the client's CPU and
// memory as Linux sees the quorvex.exe process.
#pragma once

#include <string>

#include "refserver.h"

// The milliseconds of the server's first output line that starts with
// `prefix` (e.g. "fence-ack: " or "mark-ack: responses "), or -1.
double ServerMs(const RefServer& server, const std::string& prefix);

// The number after `key` (e.g. "sent=") on the server's first line that
// starts with `prefix`, or -1.
long ServerCount(const RefServer& server, const std::string& prefix, const std::string& key);

struct ProcFigures {
    double cpuSeconds = -1;
    double rssMb = -1;
    double peakMb = -1;
};

// CPU seconds, resident and peak resident memory of the quorvex.exe process
// started from `exe` (its Windows path, as given to CreateProcess); all -1
// when not exactly one such process runs. Other copies of the program (other
// build trees) do not count. Wine's own figures for another process are not
// reliable.
ProcFigures ClientFigures(const RefServer& server, const std::string& exe);
