// The status log in the real panel: order, timestamp text, the constant
// lParam, scrolling and the 30000-line cap. The line counter is process-wide,
// so these tests share one main window; none relies on what another logged.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "app/app.h"
#include "app_harness.h"
#include "list_reader.h"
#include "panel/status_log.h"
#include "res/resource.h"

namespace {

HWND Log() { return GetDlgItem(g_monitorPanel, IDC_PANEL_STATUS_LOG); }

int RowCount() { return RowCount(Log()); }

std::string Cell(int row, int column) { return CellText(Log(), row, column); }

// Rows in the log right after the panel opened, before any test logged.
int g_rowsAtStart = -1;

class StatusLog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartMainWindow();
        g_rowsAtStart = RowCount();
    }
    static void TearDownTestSuite() { StopMainWindow(); }
    void SetUp() override { ASSERT_NE(g_monitorPanel, nullptr); }
};

TEST_F(StatusLog, StartsEmpty) { EXPECT_EQ(g_rowsAtStart, 0); }

TEST_F(StatusLog, AppendsTimestampedLinesInOrder) {
    SYSTEMTIME before;
    GetLocalTime(&before);
    const int already = RowCount();
    LogStatus("first");
    LogStatus("second");
    LogStatus("");
    ASSERT_EQ(RowCount(), already + 3);
    EXPECT_EQ(Cell(already, 1), "first");
    EXPECT_EQ(Cell(already + 1, 1), "second");
    EXPECT_EQ(Cell(already + 2, 1), "") << "an empty text still gives a row";

    for (int row = already; row < already + 3; ++row) {
        const std::string stamp = Cell(row, 0);
        unsigned d, mo, y, h, mi, s, ms;
        char tail;
        ASSERT_EQ(sscanf(stamp.c_str(), "%2u/%2u/%4u %2u:%2u:%2u.%3u%c", &d, &mo, &y, &h, &mi, &s, &ms, &tail), 7)
            << stamp;
        ASSERT_EQ(stamp.size(), 23u) << stamp;  // every field zero-padded
        EXPECT_EQ(d, before.wDay);
        EXPECT_EQ(mo, before.wMonth);
        EXPECT_EQ(y, before.wYear);
        EXPECT_LT(h, 24u);
        EXPECT_LT(ms, 1000u);
        LVITEMA item = {};
        item.mask = LVIF_PARAM;
        item.iItem = row;
        SendMessageA(Log(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        EXPECT_EQ(item.lParam, 1);
    }
}

TEST_F(StatusLog, KeepsTheNewestLineInView) {
    for (int i = 0; i < 50; ++i)
        LogStatus("scroll");
    const int top = static_cast<int>(SendMessageA(Log(), LVM_GETTOPINDEX, 0, 0));
    const int perPage = static_cast<int>(SendMessageA(Log(), LVM_GETCOUNTPERPAGE, 0, 0));
    EXPECT_GT(top, 0);
    EXPECT_GE(top + perPage, RowCount());
}

TEST_F(StatusLog, HoldsTheNewest30000LinesOldestFirst) {
    // Whatever ran before, the three oldest lines are known before the fill.
    for (int i = RowCount(); i < 3; ++i)
        LogStatus(i == 0 ? "oldest" : i == 1 ? "next" : "third");
    const std::string oldest = Cell(0, 1), next = Cell(1, 1), third = Cell(2, 1);
    char text[32];
    // Fill up to exactly 30000 lines: nothing is dropped yet.
    for (int i = RowCount(); i < 30000; ++i) {
        snprintf(text, sizeof text, "line %05d", i);
        LogStatus(text);
    }
    ASSERT_EQ(RowCount(), 30000);
    EXPECT_EQ(Cell(0, 1), oldest);

    LogStatus("line 30000");
    ASSERT_EQ(RowCount(), 30000) << "the 30001st line removes the oldest";
    EXPECT_EQ(Cell(0, 1), next);
    EXPECT_EQ(Cell(29999, 1), "line 30000");

    LogStatus("line 30001");
    EXPECT_EQ(RowCount(), 30000);
    EXPECT_EQ(Cell(0, 1), third);
    EXPECT_EQ(Cell(29998, 1), "line 30000");
    EXPECT_EQ(Cell(29999, 1), "line 30001");
}

}  // namespace
