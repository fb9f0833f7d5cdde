// The test item dialog's Save checks: order, messages, boundaries.
#include <gtest/gtest.h>

#include <string>

#include "core/rules/item_validation.h"

namespace {

ItemFields Valid() {
    return ItemFields{"web", "10.0.0.1", 80, 60, 3, 1, 3, false, true};
}

const char* Check(const ItemFields& f) {
    static TestItemConfig cfg;
    return ValidateItemFields(f, &cfg);
}

TEST(ItemValidation, EachFailureGivesItsMessage) {
    struct Case {
        const char* label;
        void (*change)(ItemFields&);
        const char* message;
    } cases[] = {
        {"port 65536", [](ItemFields& f) { f.port = 65536; },
         "(*) Please set port value 1 to 65535"},
        {"interval 65536", [](ItemFields& f) { f.interval = 65536; },
         "(*) Please set Interval value 1 to 65535"},
        {"empty name", [](ItemFields& f) { f.name = ""; }, "(*) Please set non empty item name"},
        {"empty host", [](ItemFields& f) { f.host = ""; },
         "(*) Please set non empty hostname or IP address"},
        {"tcp port 0", [](ItemFields& f) { f.port = 0; }, "(*) Please set non zero Port number"},
        {"interval 0", [](ItemFields& f) { f.interval = 0; }, "(*) Please set non zero Interval"},
        {"timeout 0", [](ItemFields& f) { f.timeout = 0; }, "(*) Please set non zero Timeout"},
        {"timeout 65536", [](ItemFields& f) { f.timeout = 65536; },
         "(*) Please set non zero Timeout"},
        {"retries 0", [](ItemFields& f) { f.retries = 0; },
         "(*) Please set non zero Number of retries"},
    };
    for (const Case& c : cases) {
        ItemFields f = Valid();
        c.change(f);
        const char* message = Check(f);
        ASSERT_NE(message, nullptr) << c.label;
        EXPECT_STREQ(message, c.message) << c.label;
    }
}

TEST(ItemValidation, ChecksRunInTheirFixedOrder) {
    ItemFields f = Valid();
    f.name = "";
    f.port = 70000;  // the port check comes before the empty description
    EXPECT_STREQ(Check(f), "(*) Please set port value 1 to 65535");
    f.port = 80;
    f.interval = 0;
    f.host = "";
    EXPECT_STREQ(Check(f), "(*) Please set non empty item name");
    f.name = "x";
    EXPECT_STREQ(Check(f), "(*) Please set non empty hostname or IP address");
    f = Valid();
    f.interval = 0;
    f.timeout = 0;
    f.retries = 0;
    EXPECT_STREQ(Check(f), "(*) Please set non zero Interval");
}

TEST(ItemValidation, BoundariesAccepted) {
    ItemFields f = Valid();
    f.port = 65535;
    f.interval = 65535;
    EXPECT_EQ(Check(f), nullptr);
    f = Valid();
    f.testTypeSelection = 0;  // ICMP may have port 0
    f.port = 0;
    EXPECT_EQ(Check(f), nullptr);
}

TEST(ItemValidation, SuccessFillsTheWholeConfiguration) {
    ItemFields f = Valid();
    f.mailOnDown = true;
    f.timeout = 65536 + 7;  // only the low 16 bits are kept
    TestItemConfig cfg;
    ASSERT_EQ(ValidateItemFields(f, &cfg), nullptr);
    EXPECT_STREQ(cfg.name, "web");
    EXPECT_STREQ(cfg.host, "10.0.0.1");
    EXPECT_EQ(cfg.testType, TEST_TCP);
    EXPECT_EQ(cfg.port, 80);
    EXPECT_EQ(cfg.interval, 60u);
    EXPECT_EQ(cfg.timeout, 7u);
    EXPECT_EQ(cfg.retries, 3u);
    EXPECT_EQ(cfg.mailOnDown, 1u);
    EXPECT_EQ(cfg.mailOnUp, 1u);
    EXPECT_EQ(cfg.reserved[0], 0);
}

TEST(ItemValidation, NoSelectionSavesAllOnesTestType) {
    ItemFields f = Valid();
    f.testTypeSelection = -1;
    TestItemConfig cfg;
    ASSERT_EQ(ValidateItemFields(f, &cfg), nullptr);
    EXPECT_EQ(cfg.testType, 0xFFFFFFFFu);
}

TEST(ItemValidation, LongTextsKeep79Characters) {
    const std::string longName(200, 'n');
    ItemFields f = Valid();
    f.name = longName.c_str();
    TestItemConfig cfg;
    ASSERT_EQ(ValidateItemFields(f, &cfg), nullptr);
    EXPECT_EQ(std::string(cfg.name), std::string(79, 'n'));
}

}  // namespace
