// Dotted-quad recognition (decides whether a host needs a look-up) and
// formatting of network-order addresses.
#include <gtest/gtest.h>

#include "core/sockets/address.h"

namespace {

TEST(IsDottedQuad, Table) {
    const char* pass[] = {"1.2.3.4",         "0.0.0.0",   "255.255.255.255",
                          "999.999.999.999", "127.0.0.1", "001.02.3.4"};
    for (const char* t : pass)
        EXPECT_TRUE(IsDottedQuad(t)) << t;
    const char* fail[] = {"1.2.3",    "1.2.3.4.",   "1..2.3",   "1.2.3.4567", "a.b.c.d",
                          ".1.2.3.4", "1.2.3.4.5",  "1.2.3.",   "1.2.3.x",    "1.2 .3.4",
                          "",         "1111.2.3.4", "1.2.3.-4", "1.2.3.4 ",   "1000.100.100.10"};
    for (const char* t : fail)
        EXPECT_FALSE(IsDottedQuad(t)) << t;
    EXPECT_FALSE(IsDottedQuad(nullptr));
}

TEST(IsDottedQuad, LengthBounds) {
    EXPECT_FALSE(IsDottedQuad("1.2.34"));            // 6 characters
    EXPECT_TRUE(IsDottedQuad("1.2.3.4"));            // 7
    EXPECT_TRUE(IsDottedQuad("123.123.123.123"));    // 15
    EXPECT_FALSE(IsDottedQuad("123.123.123.1234"));  // 16
    EXPECT_FALSE(IsDottedQuad("1.2.3.4............"));
}

TEST(FormatDottedQuad, LeastSignificantByteFirst) {
    char out[16];
    // inet_addr("10.1.2.3") holds the bytes 10, 1, 2, 3 in memory order.
    FormatDottedQuad(0x0302010Au, out);
    EXPECT_STREQ(out, "10.1.2.3");
    FormatDottedQuad(0xFFFFFFFFu, out);
    EXPECT_STREQ(out, "255.255.255.255");
    FormatDottedQuad(0, out);
    EXPECT_STREQ(out, "0.0.0.0");
    FormatDottedQuad(0x0100007Fu, out);
    EXPECT_STREQ(out, "127.0.0.1");
    FormatDottedQuad(1, nullptr);  // no crash
}

}  // namespace
