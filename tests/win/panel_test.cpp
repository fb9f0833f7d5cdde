// The monitor panel as the real main window builds it: list columns and
// styles, buttons and their icons, the depth selector, custom-draw colours,
// and the emptying of the server-fed lists.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app_harness.h"
#include "core/mirror/record_memory.h"
#include "core/mirror/server_lists.h"
#include "core/mirror/server_mirror.h"
#include "core/wire/wire.h"
#include "list_reader.h"
#include "res/resource.h"
#include "ui/panel/event_depth.h"
#include "ui/panel/monitor_panel.h"
#include "ui/panel/panel_windows.h"
#include "ui/panel/status_log.h"

namespace {

class Panel : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(StartMainWindow(), nullptr); }
    void TearDown() override { StopMainWindow(); }
    HWND Item(int id) { return GetDlgItem(g_monitorPanel, id); }
};

struct Column {
    std::string title;
    int width;
    int format;
};

std::vector<Column> Columns(HWND list) {
    std::vector<Column> columns;
    HWND header = reinterpret_cast<HWND>(SendMessageA(list, LVM_GETHEADER, 0, 0));
    const int count = static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        char title[64] = "";
        LVCOLUMNA column = {};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
        column.pszText = title;
        column.cchTextMax = sizeof title;
        SendMessageA(list, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column));
        columns.push_back({title, column.cx, column.fmt & LVCFMT_JUSTIFYMASK});
    }
    return columns;
}

void ExpectColumns(HWND list, const std::vector<Column>& expected) {
    const std::vector<Column> actual = Columns(list);
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(actual[i].title, expected[i].title) << "column " << i;
        EXPECT_EQ(actual[i].width, expected[i].width) << "column " << i;
        EXPECT_EQ(actual[i].format, expected[i].format) << "column " << i;
    }
}

TEST_F(Panel, EachListHasItsColumns) {
    EXPECT_EQ(g_itemsList, Item(IDC_PANEL_ITEMS));
    ExpectColumns(g_itemsList, {{"Test Item", 210, LVCFMT_LEFT},
                                {"Hostname or IP address", 230, LVCFMT_LEFT},
                                {"Test Type", 90, LVCFMT_LEFT},
                                {"Port", 60, LVCFMT_LEFT},
                                {"Status", 80, LVCFMT_CENTER}});
    EXPECT_EQ(g_eventsList, Item(IDC_PANEL_EVENTS));
    ExpectColumns(g_eventsList, {{"Date", 100, LVCFMT_LEFT},
                                 {"Time", 100, LVCFMT_LEFT},
                                 {"Test Item", 180, LVCFMT_LEFT},
                                 {"Hostname", 145, LVCFMT_LEFT},
                                 {"Event Text", 145, LVCFMT_LEFT}});
    ExpectColumns(Item(IDC_PANEL_STATUS_LOG),
                  {{"Timestamp", 140, LVCFMT_LEFT}, {"Event text", 530, LVCFMT_LEFT}});
    EXPECT_TRUE(GetWindowLongA(Item(IDC_PANEL_STATUS_LOG), GWL_STYLE) & LVS_NOCOLUMNHEADER);
}

TEST_F(Panel, ListsAreSingleSelectionReportsWithoutSorting) {
    const LONG common = LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER |
                        WS_TABSTOP | WS_CHILD | WS_VISIBLE;
    for (int id : {IDC_PANEL_ITEMS, IDC_PANEL_EVENTS, IDC_PANEL_STATUS_LOG}) {
        const LONG style = GetWindowLongA(Item(id), GWL_STYLE);
        EXPECT_EQ(style & common, common) << "list " << id;
        // The template's WS_BORDER becomes a client edge in a dialog.
        EXPECT_TRUE((style & WS_BORDER) ||
                    (GetWindowLongA(Item(id), GWL_EXSTYLE) & WS_EX_CLIENTEDGE));
        EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT) << "list " << id;
        EXPECT_FALSE(style & (LVS_SORTASCENDING | LVS_SORTDESCENDING)) << "list " << id;
    }
    EXPECT_FALSE(GetWindowLongA(g_itemsList, GWL_STYLE) & LVS_NOCOLUMNHEADER);
    EXPECT_FALSE(GetWindowLongA(g_eventsList, GWL_STYLE) & LVS_NOCOLUMNHEADER);
}

TEST_F(Panel, OnlyTheItemsListHasGridLines) {
    auto extended = [](HWND list) {
        return static_cast<DWORD>(SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    };
    EXPECT_EQ(extended(g_itemsList), DWORD(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES));
    EXPECT_EQ(extended(g_eventsList), DWORD(LVS_EX_FULLROWSELECT));
    EXPECT_EQ(extended(Item(IDC_PANEL_STATUS_LOG)), DWORD(LVS_EX_FULLROWSELECT));
}

TEST_F(Panel, ButtonsReadLeftToRightWithAnIconEach) {
    const struct {
        int id;
        const char* text;
    } buttons[] = {{IDC_PANEL_CONNECT, "Connect"},       {IDC_PANEL_NEW_ITEM, "New Item"},
                   {IDC_PANEL_EDIT_ITEM, "Edit Item"},   {IDC_PANEL_DELETE_ITEM, "Delete Item"},
                   {IDC_PANEL_START_TEST, "Start Test"}, {IDC_PANEL_STOP_TEST, "Stop Test"},
                   {IDC_PANEL_SETTINGS, "Settings"}};
    LONG lastLeft = -1;
    for (const auto& button : buttons) {
        HWND control = Item(button.id);
        ASSERT_NE(control, nullptr) << button.text;
        EXPECT_EQ(WindowText(control), button.text);
        RECT rect;
        GetWindowRect(control, &rect);
        EXPECT_GT(rect.left, lastLeft) << button.text;
        lastLeft = rect.left;

        BUTTON_IMAGELIST images = {};
        ASSERT_TRUE(SendMessageA(control, BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&images)))
            << button.text;
        ASSERT_NE(images.himl, nullptr) << button.text;
        EXPECT_EQ(ImageList_GetImageCount(images.himl), 1) << button.text;
        EXPECT_EQ(images.uAlign, UINT(BUTTON_IMAGELIST_ALIGN_LEFT));
        int cx = 0, cy = 0;
        ImageList_GetIconSize(images.himl, &cx, &cy);
        EXPECT_EQ(cx, GetSystemMetrics(SM_CXSMICON));
        EXPECT_EQ(cy, GetSystemMetrics(SM_CYSMICON));
    }
    EXPECT_EQ(WindowText(Item(IDC_PANEL_RELOAD_EVENTS)), "Reload Events");
}

TEST_F(Panel, ConnectStartsDisabledAndTheOtherButtonsEnabled) {
    EXPECT_FALSE(IsWindowEnabled(Item(IDC_PANEL_CONNECT)));
    for (int id :
         {IDC_PANEL_NEW_ITEM, IDC_PANEL_EDIT_ITEM, IDC_PANEL_DELETE_ITEM, IDC_PANEL_START_TEST,
          IDC_PANEL_STOP_TEST, IDC_PANEL_SETTINGS, IDC_PANEL_RELOAD_EVENTS})
        EXPECT_TRUE(IsWindowEnabled(Item(id))) << id;
}

TEST_F(Panel, DepthSelectorOffersThreeChoicesWithThisMonthSelected) {
    HWND combo = Item(IDC_PANEL_DEPTH);
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 3);
    const char* texts[] = {"Today", "This Month", "All Time"};
    for (int i = 0; i < 3; ++i) {
        char text[64] = "";
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, texts[i]);
    }
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 1);
    EXPECT_EQ(SelectedEventDepth(), 1u);
}

TEST_F(Panel, EventDepthFollowsTheSelectionAndIsAllTimeWithoutOne) {
    HWND combo = Item(IDC_PANEL_DEPTH);
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(SelectedEventDepth(), 0u);
    SendMessageA(combo, CB_SETCURSEL, 2, 0);
    EXPECT_EQ(SelectedEventDepth(), 2u);
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ASSERT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
    EXPECT_EQ(SelectedEventDepth(), 2u);
}

// --- Custom draw -----------------------------------------------------------

int AddRow(HWND list, void* record) {
    LVITEMA item = {};
    item.mask = LVIF_TEXT | LVIF_PARAM;
    item.iItem = 0xFFFF;
    item.pszText = const_cast<char*>("row");
    item.lParam = reinterpret_cast<LPARAM>(record);
    return static_cast<int>(
        SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

TestItem* NewItem(uint32_t started, uint32_t up) {
    auto item = static_cast<TestItem*>(calloc(1, sizeof(TestItem)));
    item->started = started;
    item->up = up;
    return item;
}

EventRecord* NewEvent(const char* text) {
    auto event = static_cast<EventRecord*>(calloc(1, sizeof(EventRecord)));
    memcpy(event->text, text, strlen(text));
    return event;
}

struct DrawResult {
    LRESULT sent;  // what SendMessage returned to the list view
    COLORREF text;
    COLORREF background;
};

// Sends one synthetic custom-draw notification as the list view would.
DrawResult Draw(HWND list, DWORD stage, int row, int subItem) {
    NMLVCUSTOMDRAW draw = {};
    draw.nmcd.hdr.hwndFrom = list;
    draw.nmcd.hdr.idFrom = GetDlgCtrlID(list);
    draw.nmcd.hdr.code = NM_CUSTOMDRAW;
    draw.nmcd.dwDrawStage = stage;
    draw.nmcd.dwItemSpec = row;
    draw.iSubItem = subItem;
    draw.clrText = 0x00123456;
    draw.clrTextBk = 0x00654321;
    const LRESULT sent = SendMessageA(g_monitorPanel, WM_NOTIFY, draw.nmcd.hdr.idFrom,
                                      reinterpret_cast<LPARAM>(&draw));
    return {sent, draw.clrText, draw.clrTextBk};
}

TEST_F(Panel, CustomDrawAsksForItemsThenSubitemsOfBothLists) {
    for (HWND list : {g_itemsList, g_eventsList}) {
        AddRow(list, list == g_itemsList ? static_cast<void*>(NewItem(1, 1)) : NewEvent("Up"));
        EXPECT_EQ(Draw(list, CDDS_PREPAINT, 0, 0).sent, CDRF_NOTIFYITEMDRAW);
        EXPECT_EQ(Draw(list, CDDS_ITEMPREPAINT, 0, 0).sent, CDRF_NOTIFYSUBITEMDRAW);
        EXPECT_EQ(Draw(list, CDDS_ITEMPREPAINT | CDDS_SUBITEM, 0, ITEM_STATUS_COLUMN).sent,
                  CDRF_NEWFONT);
        EXPECT_EQ(Draw(list, CDDS_POSTPAINT, 0, 0).sent, CDRF_DODEFAULT);
        EXPECT_EQ(Draw(list, CDDS_ITEMPOSTPAINT, 0, 0).sent, CDRF_DODEFAULT);
    }
}

TEST_F(Panel, StatusCellIsColouredByStartedAndUp) {
    const struct {
        uint32_t started, up;
        COLORREF text, background;
    } cases[] = {
        {0, 0, 0x00000000, 0x00FFFFFF},         {0, 1, 0x00000000, 0x00FFFFFF},
        {1, 1, 0x00000000, RGB(186, 236, 206)}, {1, 0, 0x00FFFFFF, RGB(255, 51, 0)},
        {7, 9, 0x00000000, RGB(186, 236, 206)},
    };
    for (const auto& c : cases) {
        const int row = AddRow(g_itemsList, NewItem(c.started, c.up));
        const DrawResult r =
            Draw(g_itemsList, CDDS_ITEMPREPAINT | CDDS_SUBITEM, row, ITEM_STATUS_COLUMN);
        EXPECT_EQ(r.text, c.text) << "started " << c.started << " up " << c.up;
        EXPECT_EQ(r.background, c.background) << "started " << c.started << " up " << c.up;
    }
}

TEST_F(Panel, OtherCellsOfAnItemRowAreBlackOnWhite) {
    const int row = AddRow(g_itemsList, NewItem(1, 0));
    for (int subItem = 0; subItem < 4; ++subItem) {
        const DrawResult r = Draw(g_itemsList, CDDS_ITEMPREPAINT | CDDS_SUBITEM, row, subItem);
        EXPECT_EQ(r.text, 0x00000000u) << subItem;
        EXPECT_EQ(r.background, 0x00FFFFFFu) << subItem;
    }
}

TEST_F(Panel, EventRowsAreColouredOnlyByExactDownAndUp) {
    const struct {
        const char* text;
        COLORREF colour;
    } cases[] = {
        {"Down", RGB(255, 51, 0)},
        {"Up", RGB(0, 102, 0)},
        {"down", 0},
        {"Down ", 0},
        {"UP", 0},
        {" Up", 0},
        {"Upper", 0},
        {"Dow", 0},
        {"", 0},
        {"Host is Down", 0},
    };
    for (const auto& c : cases) {
        const int row = AddRow(g_eventsList, NewEvent(c.text));
        for (int subItem : {0, 2, 4}) {
            const DrawResult r = Draw(g_eventsList, CDDS_ITEMPREPAINT | CDDS_SUBITEM, row, subItem);
            EXPECT_EQ(r.text, c.colour) << "\"" << c.text << "\" column " << subItem;
            EXPECT_EQ(r.background, 0x00FFFFFFu);
        }
    }
}

TEST_F(Panel, StatusLogKeepsTheListViewsOwnColours) {
    HWND log = Item(IDC_PANEL_STATUS_LOG);
    AddRow(log, reinterpret_cast<void*>(1));
    const DrawResult r = Draw(log, CDDS_ITEMPREPAINT | CDDS_SUBITEM, 0, 1);
    EXPECT_EQ(r.sent, 0);
    EXPECT_EQ(r.text, 0x00123456u);
    EXPECT_EQ(r.background, 0x00654321u);
}

// The default heap's calloc and free, counting the records alive.
TEST_F(Panel, ClearServerListsEmptiesBothListsAndFreesTheirRecordsButNotTheLog) {
    CountRecords();
    ASSERT_TRUE(AddItemRow(NewTestItem(), 0));
    ASSERT_TRUE(AddEventRow(EventRecord{}, 1));
    LogStatus("kept");
    ClearServerLists();
    ClearServerLists();  // empty lists stay empty
    EXPECT_EQ(LiveRecords(), 0u);
    EXPECT_EQ(BadRecordFrees(), 0);
    EXPECT_EQ(RowCount(g_itemsList), 0);
    EXPECT_EQ(RowCount(g_eventsList), 0);
    EXPECT_EQ(LastLogLine(), "kept");
}

}  // namespace
