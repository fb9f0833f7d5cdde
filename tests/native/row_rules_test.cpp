// The panel's row rules: cell colours, event colours, the
// custom-draw answers and the status log's timestamp text.
#include <gtest/gtest.h>

#include <cstring>

#include "core/rules/row_rules.h"

namespace {

TEST(ItemCellColours, OnlyTheStatusColumnOfARunningItemIsColoured) {
    struct Case {
        int subItem;
        uint32_t started, up, text, background;
    };
    const Case cases[] = {
        {4, 0, 0, COLOUR_BLACK, COLOUR_WHITE}, {4, 0, 1, COLOUR_BLACK, COLOUR_WHITE},
        {4, 1, 1, COLOUR_BLACK, 0x00CEECBA},   {4, 1, 0, COLOUR_WHITE, 0x000033FF},
        {0, 1, 0, COLOUR_BLACK, COLOUR_WHITE}, {3, 1, 1, COLOUR_BLACK, COLOUR_WHITE},
        {5, 1, 0, COLOUR_BLACK, COLOUR_WHITE},
    };
    for (const Case& c : cases) {
        const CellColours colours = ItemCellColours(c.subItem, c.started, c.up);
        EXPECT_EQ(colours.text, c.text) << c.subItem << " " << c.started << " " << c.up;
        EXPECT_EQ(colours.background, c.background) << c.subItem << " " << c.started << " " << c.up;
    }
}

TEST(EventTextColour, ExactCaseSensitiveDownAndUp) {
    char field[82];
    auto colour = [&](const char* text) {
        memset(field, 0, sizeof field);
        memcpy(field, text, strlen(text));
        return EventTextColour(field, sizeof field);
    };
    EXPECT_EQ(colour("Down"), 0x000033FFu);
    EXPECT_EQ(colour("Up"), 0x00006600u);
    EXPECT_EQ(colour("down"), COLOUR_BLACK);
    EXPECT_EQ(colour("DOWN"), COLOUR_BLACK);
    EXPECT_EQ(colour("Down "), COLOUR_BLACK);
    EXPECT_EQ(colour(" Up"), COLOUR_BLACK);
    EXPECT_EQ(colour("Upper"), COLOUR_BLACK);
    EXPECT_EQ(colour("Dow"), COLOUR_BLACK);
    EXPECT_EQ(colour(""), COLOUR_BLACK);
}

TEST(EventTextColour, ReadsNothingPastAnUnterminatedField) {
    // Exactly "Down" filling the field, no NUL: a field of width 4 is "Down".
    const char down[4] = {'D', 'o', 'w', 'n'};
    EXPECT_EQ(EventTextColour(down, sizeof down), 0x000033FFu);
    const char full[6] = {'D', 'o', 'w', 'n', 'x', 'y'};
    EXPECT_EQ(EventTextColour(full, sizeof full), COLOUR_BLACK);
}

TEST(CustomDrawResult, ItemsThenSubitemsThenNewColours) {
    EXPECT_EQ(CustomDrawResult(0x00001), 0x20);  // prepaint: notify item draw
    EXPECT_EQ(CustomDrawResult(0x10001), 0x20);  // item prepaint: notify subitem draw
    EXPECT_EQ(CustomDrawResult(0x30001), 0x02);  // subitem prepaint: new font
    EXPECT_EQ(CustomDrawResult(0x00002), 0x00);  // postpaint
    EXPECT_EQ(CustomDrawResult(0x10002), 0x00);  // item postpaint
    EXPECT_EQ(CustomDrawResult(0x30002), 0x00);  // subitem postpaint
    EXPECT_EQ(CustomDrawResult(0x00003), 0x00);  // pre-erase
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
