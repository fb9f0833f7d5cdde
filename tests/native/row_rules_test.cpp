// The row rules where no list can show them: an event text that fills its
// field, and the status log's timestamp text. The colours and custom-draw
// answers are checked as the lists receive them (tests/win/panel_test.cpp).
#include <gtest/gtest.h>

#include <cstring>

#include "core/rules/row_rules.h"

namespace {

TEST(EventTextColour, ReadsNothingPastAnUnterminatedField) {
    // Exactly "Down" filling the field, no NUL: a field of width 4 is "Down".
    const char down[4] = {'D', 'o', 'w', 'n'};
    EXPECT_EQ(EventTextColour(down, sizeof down), 0x000033FFu);
    const char full[6] = {'D', 'o', 'w', 'n', 'x', 'y'};
    EXPECT_EQ(EventTextColour(full, sizeof full), COLOUR_BLACK);
}

TEST(FormatTimestamp, DayMonthYearThenTimeWithMilliseconds) {
    char text[32];
    FormatTimestamp(text, sizeof text, 7, 3, 2026, 14, 5, 9, 42);
    EXPECT_STREQ(text, "07/03/2026 14:05:09.042");
    FormatTimestamp(text, sizeof text, 31, 12, 999, 0, 0, 0, 0);
    EXPECT_STREQ(text, "31/12/0999 00:00:00.000");
    FormatTimestamp(text, sizeof text, 1, 1, 2025, 23, 59, 59, 999);
    EXPECT_STREQ(text, "01/01/2025 23:59:59.999");
}

TEST(FormatTimestamp, TruncatesIntoASmallBuffer) {
    char text[8] = "xxxxxxx";
    FormatTimestamp(text, sizeof text, 7, 3, 2026, 14, 5, 9, 42);
    EXPECT_STREQ(text, "07/03/2");
    FormatTimestamp(text, 0, 7, 3, 2026, 14, 5, 9, 42);
    EXPECT_STREQ(text, "07/03/2");
}

}  // namespace
