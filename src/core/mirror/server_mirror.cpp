// The server mirror's records and tables. Every allocation goes through the
// record memory (so a test can make it fail) and every failure undoes what
// the operation had done, so a message either changes the mirror whole or
// not at all.
#include "core/mirror/server_mirror.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "core/mirror/item_index.h"
#include "core/mirror/item_state.h"
#include "core/mirror/record_memory.h"

namespace {

// A row of the test items list: the TestItem the row's lParam points to,
// and the text its Status column shows (the server's own after a status
// notice, "Started", "Stopped", or the text of the flags).
struct ItemRecord {
    TestItem item;  // first, so a TestItem* is its record's address
    char status[sizeof(Pkt::text) + 1];
};

const MirrorView* g_view;
const MirrorView* g_watchers[MIRROR_WATCHERS];
ItemIndex g_items;
ItemCounts g_counts;
// A vector, not a deque: emptied, it keeps no block of its own, which would
// hold on to a heap region that the rows' memory came from.
std::vector<EventRecord*, RefusableAllocator<EventRecord*, MEMORY_EVENT_TABLE>> g_events;

ItemRecord* RecordOf(TestItem* item) {
    return reinterpret_cast<ItemRecord*>(item);
}

void SetStatusText(ItemRecord* record, const char* text) {
    CopyFieldText(record->status, sizeof record->status, text, sizeof record->status - 1);
}

// Calls `member` of the view and of every watcher that has one.
template <typename Member, typename... Args>
void Tell(Member member, Args... args) {
    if (g_view != nullptr && g_view->*member != nullptr)
        (g_view->*member)(args...);
    for (const MirrorView* watcher : g_watchers)
        if (watcher != nullptr && watcher->*member != nullptr)
            (watcher->*member)(args...);
}

bool ShowAppended(MirrorList list, size_t row, const void* record, int scroll) {
    if (g_view != nullptr && g_view->rowAppended != nullptr &&
        !g_view->rowAppended(list, row, record, scroll != 0))
        return false;
    for (const MirrorView* watcher : g_watchers)
        if (watcher != nullptr && watcher->rowAppended != nullptr)
            watcher->rowAppended(list, row, record, scroll != 0);
    return true;
}

}  // namespace

void SetMirrorView(const MirrorView* view) {
    g_view = view;
}

bool AddMirrorWatcher(const MirrorView* watcher) {
    for (const MirrorView* known : g_watchers)
        if (known == watcher)
            return true;
    for (const MirrorView*& slot : g_watchers) {
        if (slot == nullptr) {
            slot = watcher;
            return true;
        }
    }
    return false;
}

void RemoveMirrorWatcher(const MirrorView* watcher) {
    for (const MirrorView*& slot : g_watchers)
        if (slot == watcher)
            slot = nullptr;
}

TestItem* NewTestItem() {
    return static_cast<TestItem*>(AllocateRecord(MEMORY_TEST_ITEM, sizeof(ItemRecord)));
}

bool AddItemRow(TestItem* item, int scroll) {
    if (!g_items.Add(item)) {
        ReleaseRecord(item);
        return false;
    }
    SetStatusText(RecordOf(item), ItemStatusText(item->started, item->up));
    const ItemState state = ItemStateOf(item->started, item->up);
    g_counts.Change(ItemState::None, state);
    const size_t row = g_items.Size() - 1;
    if (!ShowAppended(MirrorList::Items, row, item, scroll)) {
        g_counts.Change(state, ItemState::None);
        g_items.Remove(item);
        ReleaseRecord(item);
        return false;
    }
    return true;
}

TestItem* FindItemRow(uint32_t itemId, size_t* row) {
    TestItem* item = g_items.First(itemId);
    if (item != nullptr)
        *row = static_cast<size_t>(g_items.RowOf(item));
    return item;
}

void SetItemState(size_t row, uint32_t started, uint32_t up, const char* statusText,
                  bool statusNotice) {
    TestItem* item = g_items.At(row);
    if (item == nullptr)
        return;
    const ItemChange change = {item->started, item->up, statusNotice};
    item->started = started;
    item->up = up;
    SetStatusText(RecordOf(item), statusText != nullptr ? statusText : ItemStatusText(started, up));
    g_counts.Change(ItemStateOf(change.oldStarted, change.oldUp), ItemStateOf(started, up));
    Tell(&MirrorView::rowChanged, MirrorList::Items, row, change);
}

void RefreshItemRow(size_t row) {
    if (const TestItem* item = g_items.At(row))
        SetItemState(row, item->started, item->up, nullptr, false);
}

void DeleteItemRow(size_t row) {
    TestItem* item = g_items.At(row);
    if (item == nullptr)
        return;
    g_counts.Change(ItemStateOf(item->started, item->up), ItemState::None);
    Tell(&MirrorView::rowRemoved, MirrorList::Items, row);
    g_items.Remove(item);
    ReleaseRecord(item);
}

void ClearItemRows() {
    g_counts.Clear();
    Tell(&MirrorView::cleared, MirrorList::Items);
    for (size_t row = 0; row < g_items.Size(); ++row)
        ReleaseRecord(g_items.At(row));
    g_items.Clear();
}

bool AddEventRow(const EventRecord& event, int scroll) {
    auto* copy = static_cast<EventRecord*>(CopyRecord(MEMORY_EVENT_COPY, &event, sizeof event));
    if (copy == nullptr)
        return false;
    try {
        g_events.push_back(copy);
    } catch (const std::bad_alloc&) {
        ReleaseRecord(copy);
        return false;
    }
    if (!ShowAppended(MirrorList::Events, g_events.size() - 1, copy, scroll)) {
        g_events.pop_back();
        ReleaseRecord(copy);
        return false;
    }
    return true;
}

// The copies go before the view is told, and the newest first. Wine's heap
// hands out the block of a size freed last before the others, so what is
// made next (the view's fresh list, a status line, the connect dialog)
// fills the oldest copies' room, low in the heap. Made while the copies
// were there, or after freeing them oldest first, it went to the top of the
// newest heap region, which then stayed resident (tens of MB) once the
// list view's own rows were gone too: Wine gives a region back only when
// nothing in it is in use. Nothing reads a copy meanwhile: the mirror
// holds no rows from the start.
void ClearEventRows() {
    decltype(g_events) copies;
    copies.swap(g_events);
    for (auto copy = copies.rbegin(); copy != copies.rend(); ++copy)
        ReleaseRecord(*copy);
    decltype(g_events)().swap(copies);  // its storage too
    Tell(&MirrorView::cleared, MirrorList::Events);
}

size_t MirrorRows(MirrorList list) {
    return list == MirrorList::Items ? g_items.Size() : g_events.size();
}

const TestItem* MirrorItem(size_t row) {
    return g_items.At(row);
}

const EventRecord* MirrorEvent(size_t row) {
    return row < g_events.size() ? g_events[row] : nullptr;
}

const ItemCounts& MirrorItemCounts() {
    return g_counts;
}

void MirrorCellText(MirrorList list, size_t row, int column, char* out, size_t size) {
    if (size == 0)
        return;
    out[0] = '\0';
    if (list == MirrorList::Items) {
        TestItem* item = g_items.At(row);
        if (item == nullptr)
            return;
        switch (column) {
        case ITEM_NAME_COLUMN:
            CopyFieldText(out, size, item->config.name, sizeof item->config.name);
            break;
        case ITEM_HOST_COLUMN:
            CopyFieldText(out, size, item->config.host, sizeof item->config.host);
            break;
        case ITEM_TYPE_COLUMN: {
            const char* type = TestTypeText(item->config.testType);
            CopyFieldText(out, size, type, std::strlen(type));
            break;
        }
        case ITEM_PORT_COLUMN: {
            char port[8];
            std::snprintf(port, sizeof port, "%u", static_cast<unsigned>(item->config.port));
            CopyFieldText(out, size, port, sizeof port);
            break;
        }
        case ITEM_STATUS_COLUMN: {
            const ItemRecord* record = RecordOf(item);
            CopyFieldText(out, size, record->status, sizeof record->status);
            break;
        }
        }
        return;
    }
    const EventRecord* event = MirrorEvent(row);
    if (event == nullptr)
        return;
    switch (column) {
    case EVENT_DATE_COLUMN: CopyFieldText(out, size, event->date, sizeof event->date); break;
    case EVENT_TIME_COLUMN: CopyFieldText(out, size, event->time, sizeof event->time); break;
    case EVENT_ITEM_COLUMN: CopyFieldText(out, size, event->itemName, sizeof event->itemName); break;
    case EVENT_HOST_COLUMN: CopyFieldText(out, size, event->host, sizeof event->host); break;
    case EVENT_TEXT_COLUMN: CopyFieldText(out, size, event->text, sizeof event->text); break;
    }
}
