// Emptying the two server-fed lists of the monitor panel.
#pragma once

// Frees the record behind every row of the test items list and then of the
// events list, and deletes the rows. The status log is not touched.
void ClearServerLists();
