// What a benchmark reads about a program the reference server feeds (the
// shipped client or the floor) and about the server itself: the server's
// timing lines, and CPU and memory as Linux sees each process.
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
    double anonMb = -1;  // of rssMb, what is not a file's pages: the heap's, the stacks'
    double peakMb = -1;
};

// One reading, taken at one moment, of the process started from `exe` (its
// Windows path, as given to CreateProcess), of the server feeding it, and of
// the window system that serves it: this prefix's wineserver and the X server
// of this display. Where a process was not found, its figures are -1.
struct Figures {
    ProcFigures process;  // -1 also when more than one such process runs
    ProcFigures feeder;   // CPU only, as for the two below
    ProcFigures wineserver;
    ProcFigures display;
    double atSeconds = -1;  // the machine's uptime when it was taken
    // CPU seconds the machine's cores have spent busy since boot: less the
    // processes above, what else ran meanwhile (another build, a test).
    double machineBusySeconds = -1;
};

// Other copies of the program (other build trees) do not count. Wine's own
// figures for another process are not reliable, hence Linux's.
Figures ReadFigures(const RefServer& server, const std::string& exe);

inline ProcFigures ClientFigures(const RefServer& server, const std::string& exe) {
    return ReadFigures(server, exe).process;
}

// Percent of one core that one of them used between two readings; -1 when
// either lacks it.
double CpuPercent(const Figures& from, const Figures& to,
                  ProcFigures Figures::*who = &Figures::process);
