#include "core/session/status_report.h"

namespace {

StatusReporter g_reporter;

}  // namespace

void SetStatusReporter(StatusReporter reporter) {
    g_reporter = reporter;
}

void ReportStatus(const char* text) {
    if (g_reporter != nullptr)
        g_reporter(text);
}
