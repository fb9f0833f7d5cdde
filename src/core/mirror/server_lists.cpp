// The server-fed lists own their rows' records: whoever deletes a row frees
// its record, and this is the one place that deletes them all, when a
// connection ends or the program closes.
#include "core/mirror/server_lists.h"

#include "core/mirror/server_mirror.h"

void ClearServerLists() {
    ClearItemRows();
    ClearEventRows();
}
