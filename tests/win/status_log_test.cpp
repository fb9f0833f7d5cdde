// The status log in the real panel: order, timestamp text, the constant
// lParam, scrolling and the 30000-line cap. The line counter is process-wide,
// so these tests share one main window; none relies on the lines another
// logged (the cap test only needs to run before the log is full).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "app_harness.h"
#include "list_reader.h"
#include "res/resource.h"
#include "ui/panel/list_batch.h"
#include "ui/panel/panel_windows.h"
#include "ui/panel/status_log.h"

namespace {

HWND Log() {
    return GetDlgItem(g_monitorPanel, IDC_PANEL_STATUS_LOG);
}

int RowCount() {
    return RowCount(Log());
}

std::string Cell(int row, int column) {
    return CellText(Log(), row, column);
}

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

TEST_F(StatusLog, StartsEmpty) {
    EXPECT_EQ(g_rowsAtStart, 0);
}

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
        ASSERT_EQ(sscanf(stamp.c_str(), "%2u/%2u/%4u %2u:%2u:%2u.%3u%c", &d, &mo, &y, &h, &mi, &s,
                         &ms, &tail),
                  7)
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

// Logs "line NNNNN" lines, as one long receive would, until the log holds 30000.
void FillTo30000() {
    char text[32];
    BeginListBatch();
    for (int i = RowCount(); i < 30000; ++i) {
        snprintf(text, sizeof text, "line %05d", i);
        LogStatus(text);
    }
    EndListBatch();
}

TEST_F(StatusLog, HoldsTheNewest30000LinesOldestFirst) {
    // Whatever ran before, the four oldest lines are known before the fill.
    for (int i = RowCount(); i < 4; ++i)
        LogStatus(i == 0 ? "oldest" : i == 1 ? "next" : i == 2 ? "third" : "fourth");
    const std::string oldest = Cell(0, 1), next = Cell(1, 1), fourth = Cell(3, 1);
    const int already = RowCount();
    ASSERT_LT(already, 30000) << "the log must not be full yet";
    // Fill up to exactly 30000 lines: nothing is dropped yet.
    FillTo30000();
    ASSERT_EQ(RowCount(), 30000);
    EXPECT_EQ(Cell(0, 1), oldest);

    LogStatus("line 30000");
    ASSERT_EQ(RowCount(), 30000) << "the 30001st line removes the oldest";
    EXPECT_EQ(Cell(0, 1), next);
    EXPECT_EQ(Cell(29999, 1), "line 30000");

    BeginListBatch();
    LogStatus("line 30001");
    LogStatus("line 30002");
    EndListBatch();
    ASSERT_EQ(RowCount(), 30000);
    EXPECT_EQ(Cell(0, 1), fourth);
    // Every line in logging order, the oldest first.
    char text[32];
    for (int row = 0; row < 30000; ++row) {
        const int line = row + 3;
        if (line >= already) {
            snprintf(text, sizeof text, "line %05d", line);
            ASSERT_EQ(Cell(row, 1), text) << row;
        }
    }
    EXPECT_TRUE(PumpMessages(2000, [] {
        const int top = static_cast<int>(SendMessageA(Log(), LVM_GETTOPINDEX, 0, 0));
        return top + static_cast<int>(SendMessageA(Log(), LVM_GETCOUNTPERPAGE, 0, 0)) >= 30000;
    })) << "the newest line in view";
}

TEST_F(StatusLog, ALineTheListRefusesRemovesNoOlderLine) {
    FillTo30000();
    ASSERT_EQ(RowCount(), 30000);
    const std::string oldest = Cell(0, 1);
    RefuseRows(Log(), true);
    LogStatus("refused");
    RefuseRows(Log(), false);
    EXPECT_EQ(RowCount(), 30000);
    EXPECT_EQ(Cell(0, 1), oldest);
    LogStatus("after");
    EXPECT_EQ(RowCount(), 30000);
    EXPECT_EQ(Cell(29999, 1), "after");
}

}  // namespace
