// Temporary stand-in for the status log so the program links; replaced by
// the monitor panel's real log.
#include "panel/status_log.h"

void LogStatus(const char*) {}
