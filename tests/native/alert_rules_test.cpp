// The notification-area icon's rules: counts, picture, tooltip, which status
// changes alert, the gathering of alerts into paced balloons, and the
// cutting of their texts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/mirror/record_memory.h"
#include "core/rules/alert_rules.h"

namespace {

// A double-byte code page as Windows has them: 0x81..0x9F and 0xE0..0xFC
// lead a two-byte character, even the last byte of a text.
size_t FakeDbcsCharSize(const char* s, size_t) {
    const auto c = static_cast<unsigned char>(*s);
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC) ? 2 : 1;
}

TEST(ItemCounts, FollowEveryChangeAndNeverGoBelowZero) {
    ItemCounts c;
    c.Change(ItemState::None, ItemStateOf(1, 1));
    c.Change(ItemState::None, ItemStateOf(1, 0));
    c.Change(ItemState::None, ItemStateOf(0, 1));  // stopped whatever up says
    c.Change(ItemState::None, ItemStateOf(7, 9));  // any nonzero flag counts
    EXPECT_EQ(c.Up(), 2u);
    EXPECT_EQ(c.Down(), 1u);
    EXPECT_EQ(c.Stopped(), 1u);
    c.Change(ItemState::Up, ItemState::Down);
    c.Change(ItemState::Down, ItemState::Stopped);
    c.Change(ItemState::Up, ItemState::None);
    EXPECT_EQ(c.Up(), 0u);
    EXPECT_EQ(c.Down(), 1u);
    EXPECT_EQ(c.Stopped(), 2u);
    c.Change(ItemState::Up, ItemState::None);
    EXPECT_EQ(c.Up(), 0u);
    c.Clear();
    EXPECT_EQ(c.Down() + c.Stopped(), 0u);
}

TEST(TrayIcon, PictureAndTooltipShowTheWorstState) {
    ItemCounts c;
    char tip[128];
    EXPECT_EQ(TrayImageFor(false, c), TrayImage::Disconnected);
    FormatTrayTip(tip, sizeof tip, false, c);
    EXPECT_STREQ(tip, "Quorvex Client");
    EXPECT_EQ(TrayImageFor(true, c), TrayImage::AllUp);
    c.Change(ItemState::None, ItemState::Stopped);
    c.Change(ItemState::None, ItemState::Up);
    EXPECT_EQ(TrayImageFor(true, c), TrayImage::AllUp) << "a stopped item is not down";
    c.Change(ItemState::None, ItemState::Down);
    EXPECT_EQ(TrayImageFor(true, c), TrayImage::SomeDown);
    EXPECT_EQ(TrayImageFor(false, c), TrayImage::Disconnected);
    FormatTrayTip(tip, sizeof tip, true, c);
    EXPECT_STREQ(tip, "Quorvex Client: 1 up, 1 down, 1 stopped");
    FormatTrayTip(tip, 8, true, c);
    EXPECT_STREQ(tip, "Quorvex");
}

TEST(StatusTransition, OnlyAStartedRowChangingBetweenUpAndDown) {
    EXPECT_EQ(StatusTransition(1, 1, 0), Transition::WentDown);
    EXPECT_EQ(StatusTransition(1, 0, 1), Transition::CameUp);
    EXPECT_EQ(StatusTransition(5, 0, 9), Transition::CameUp);
    EXPECT_EQ(StatusTransition(1, 1, 1), Transition::None);
    EXPECT_EQ(StatusTransition(1, 0, 0), Transition::None);
    // A stopped row (never tested, or answered "Started") has no state yet.
    EXPECT_EQ(StatusTransition(0, 0, 1), Transition::None);
    EXPECT_EQ(StatusTransition(0, 1, 0), Transition::None);
}

TEST(CutText, WholeCharactersThenAnEllipsis) {
    char out[16];
    EXPECT_EQ(CutText(out, 10, "0123456789", SingleByteCharSize), 10u);
    EXPECT_STREQ(out, "0123456789");
    EXPECT_EQ(CutText(out, 10, "0123456789A", SingleByteCharSize), 10u);
    EXPECT_STREQ(out, "0123456...");
    CutText(out, 10, "a\tb\nc\x7f", SingleByteCharSize);
    EXPECT_STREQ(out, "a b c ");

    // Double-byte: a pair is never split, and its trail byte (which may look
    // like anything) is kept as it is.
    CutText(out, 10, "abcdef\x82\x0a\x82\xa0xyz", FakeDbcsCharSize);
    EXPECT_STREQ(out, "abcdef...") << "the pair at 6..7 would end past 7";
    CutText(out, 11, "abcde\x82\x0a\x82\xa0xy", FakeDbcsCharSize);
    EXPECT_EQ(std::string(out), std::string("abcde\x82\x0a\x82\xa0xy"));
    CutText(out, 10, "abcde\x82\x0a\x82\xa0xyz", FakeDbcsCharSize);
    EXPECT_EQ(std::string(out), std::string("abcde\x82\x0a..."));

    // UTF-8: "é" is two bytes, "€" three; broken sequences stand alone.
    CutText(out, 9, "abcd\xc3\xa9\xe2\x82\xac!", Utf8CharSize);
    EXPECT_STREQ(out, "abcd\xc3\xa9...");
    CutText(out, 8, "abcde\xe2\x82\xac!", Utf8CharSize);
    EXPECT_STREQ(out, "abcde...");
    CutText(out, 10, "abc\xe2\x82", Utf8CharSize);
    EXPECT_STREQ(out, "abc") << "a sequence cut short at the end is left out";
    EXPECT_EQ(Utf8CharSize("\xc3(", 2), 1u);
    EXPECT_EQ(Utf8CharSize("\xf0\x9f\x98\x80", 4), 4u);
}

std::string Title(const Balloon& b) {
    return b.title;
}
std::string Text(const Balloon& b) {
    return b.text;
}

TEST(AlertGatherer, OneBalloonAtATimeGatheringWhatComesBetween) {
    AlertGatherer g;
    Balloon b;
    EXPECT_FALSE(g.Pending());
    EXPECT_FALSE(g.Take(0, &b, SingleByteCharSize));

    g.NoteTransition(1, "web", Transition::None, 1000);
    EXPECT_FALSE(g.Pending());
    g.NoteTransition(1, "web", Transition::WentDown, 1000);
    ASSERT_TRUE(g.Pending());
    EXPECT_EQ(g.DelayMs(1000), ALERT_GATHER_MS);  // the first one after a quiet spell
    g.NoteTransition(2, "db", Transition::WentDown, 1100);
    EXPECT_EQ(g.DelayMs(1250), 0u);
    ASSERT_TRUE(g.Take(1250, &b, SingleByteCharSize));
    EXPECT_EQ(Title(b), "2 hosts down");
    EXPECT_EQ(Text(b), "web, db");
    EXPECT_TRUE(b.hostDown);
    EXPECT_TRUE(b.warning);
    EXPECT_FALSE(g.Pending());

    // The next comes no sooner than the interval after the last.
    g.NoteTransition(1, "web", Transition::CameUp, 2000);
    EXPECT_EQ(g.DelayMs(2000), 1250 + ALERT_INTERVAL_MS - 2000);
    EXPECT_EQ(g.DelayMs(1250 + ALERT_INTERVAL_MS), 0u);
    ASSERT_TRUE(g.Take(6250, &b, SingleByteCharSize));
    EXPECT_EQ(Title(b), "Host up again");
    EXPECT_EQ(Text(b), "web");
    EXPECT_FALSE(b.hostDown);
    EXPECT_FALSE(b.warning);

    // Ticks wrap after 49.7 days; the pacing does not notice.
    g.NoteTransition(3, "x", Transition::WentDown, 0xFFFFFF00u);
    ASSERT_TRUE(g.Take(0xFFFFFF00u + ALERT_GATHER_MS, &b, SingleByteCharSize));
    g.NoteTransition(3, "x", Transition::CameUp, 0xFFFFFFF0u);
    // Last shown 6 ms before the wrap, asked 16 ms after it.
    EXPECT_EQ(g.DelayMs(0x10), ALERT_INTERVAL_MS - 6 - 0x10);
    EXPECT_EQ(g.DelayMs(0xFFFFFF00u + ALERT_GATHER_MS + ALERT_INTERVAL_MS), 0u);
}

TEST(AlertGatherer, HostsThatCameBackAreFlapsAndKindsShareOneBalloon) {
    AlertGatherer g;
    Balloon b;
    g.NoteTransition(1, "web", Transition::WentDown, 0);
    g.NoteTransition(1, "web", Transition::CameUp, 10);
    ASSERT_TRUE(g.Take(300, &b, SingleByteCharSize));
    EXPECT_EQ(Title(b), "Host flapping");
    EXPECT_EQ(Text(b), "web");
    EXPECT_FALSE(b.hostDown) << "it is up again";
    EXPECT_TRUE(b.warning);

    g.NoteTransition(2, "db", Transition::CameUp, 6000);
    g.NoteTransition(2, "db", Transition::WentDown, 6001);  // up and down again: a flap
    g.NoteTransition(3, "mail", Transition::WentDown, 6002);
    g.NoteTransition(4, "dns", Transition::CameUp, 6003);
    g.NoteTransition(5, "", Transition::WentDown, 6004);
    g.NoteTransition(3, "mail", Transition::CameUp, 6005);
    g.NoteTransition(3, "mail", Transition::WentDown, 6006);  // down in the end
    ASSERT_TRUE(g.Take(12000, &b, SingleByteCharSize));
    EXPECT_EQ(Title(b), "2 hosts down, 1 flapping, 1 up again");
    EXPECT_EQ(Text(b), "Down: mail, Test item 5\nFlapping: db\nUp again: dns");
    EXPECT_TRUE(b.hostDown);
}

TEST(AlertGatherer, NamesUpToTheLimitThenHowManyMore) {
    AlertGatherer g;
    Balloon b;
    for (uint32_t id = 1; id <= 40; ++id) {
        std::string name = "host-" + std::to_string(id) + std::string(24, 'x');
        g.NoteTransition(id, name.c_str(), Transition::WentDown, 0);
    }
    ASSERT_TRUE(g.Take(300, &b, SingleByteCharSize));
    EXPECT_EQ(Title(b), "40 hosts down");
    const std::string text = Text(b);
    EXPECT_LE(text.size(), BALLOON_TEXT_LIMIT);
    EXPECT_EQ(text.rfind("host-1" + std::string(24, 'x') + ", host-2", 0), 0u);
    const size_t listed = static_cast<size_t>(std::count(text.begin(), text.end(), ',')) + 1;
    EXPECT_NE(text.find(" and " + std::to_string(40 - listed) + " more"), std::string::npos)
        << text;
    EXPECT_EQ(text.substr(text.size() - 5), " more");

    // An 80-byte name without a NUL in its field, and a huge title, stay
    // inside their limits.
    char name[81];
    std::memset(name, 'N', 80);
    name[80] = '\0';
    for (uint32_t id = 1; id <= 9; ++id)
        g.NoteTransition(id, name, id % 2 ? Transition::WentDown : Transition::CameUp, 10000);
    ASSERT_TRUE(g.Take(20000, &b, SingleByteCharSize));
    EXPECT_LE(std::strlen(b.text), BALLOON_TEXT_LIMIT);
    EXPECT_EQ(Text(b).rfind("Down: " + std::string(80, 'N') + ", " + std::string(80, 'N'), 0), 0u);

    // A full field that ends in a double-byte lead byte: that lone byte
    // would swallow the comma after it.
    name[79] = '\x82';
    g.NoteTransition(1, name, Transition::WentDown, 30000);
    g.NoteTransition(2, "db", Transition::WentDown, 30000);
    ASSERT_TRUE(g.Take(40000, &b, FakeDbcsCharSize));
    EXPECT_EQ(Text(b), std::string(79, 'N') + ", db");
}

TEST(AlertGatherer, ALostConnectionHasItsOwnBalloonAndReplacesTheHosts) {
    AlertGatherer g;
    Balloon b;
    g.NoteTransition(1, "web", Transition::WentDown, 0);
    g.NoteConnectionLost("127.0.0.1", 2111, 100);
    g.NoteTransition(7, "after", Transition::WentDown, 200);  // on the next connection
    ASSERT_TRUE(g.Take(350, &b, SingleByteCharSize));
    EXPECT_EQ(Title(b), "Connection to the server lost");
    EXPECT_EQ(Text(b), "Server 127.0.0.1, port 2111");
    EXPECT_TRUE(b.warning);
    EXPECT_FALSE(b.hostDown);
    ASSERT_TRUE(g.Pending());
    EXPECT_EQ(g.DelayMs(350), ALERT_INTERVAL_MS);
    ASSERT_TRUE(g.Take(350 + ALERT_INTERVAL_MS, &b, SingleByteCharSize));
    EXPECT_EQ(Title(b), "Host down");
    EXPECT_EQ(Text(b), "after");

    g.NoteTransition(1, "web", Transition::WentDown, 20000);
    g.Discard();
    EXPECT_FALSE(g.Pending());

    // Short of memory, an alert is dropped and nothing throws.
    SetMemoryRefusal([](RecordMemoryUse use, size_t) { return use == MEMORY_ALERT; });
    EXPECT_FALSE(g.NoteTransition(1, "web", Transition::WentDown, 30000));
    SetMemoryRefusal(nullptr);
    EXPECT_FALSE(g.Pending());
}

}  // namespace
