// The server-fed lists own their rows' records: whoever deletes a row frees
// its record. Both lists are emptied together here, when a connection ends
// or the program closes; Reload Events empties the events alone
// (ClearEventRows).
#include "core/mirror/server_lists.h"

#include "core/mirror/server_mirror.h"

void ClearServerLists() {
    ClearItemRows();
    ClearEventRows();
}
