// The CSV line of hostile texts from the server, all in one row.
#include <gtest/gtest.h>

#include <string>

#include "core/rules/csv_rules.h"

namespace {

// Windows-1252 and Latin-1 agree on the accented letters used here.
void Latin1ToUtf8(const char* text, size_t length, std::string* out) {
    for (size_t i = 0; i < length; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            *out += static_cast<char>(c);
        } else {
            *out += static_cast<char>(0xC0 | (c >> 6));
            *out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
}

TEST(CsvLine, QuotesEscapesDefusesAndConvertsEveryField) {
    const std::string full(80, 'n');  // a name filling its whole field
    const char* fields[] = {"a,b",   "say \"hi\"", "cr\rhere", "lf\nhere", "=1+1",
                            "+33 1", "-2",         "@sum",     "-a,\"b\"", "Jos\xE9 M\xFCller",
                            "",      full.c_str(), "plain"};
    std::string line;
    AppendCsvLine(&line, fields, sizeof fields / sizeof fields[0], Latin1ToUtf8);
    EXPECT_EQ(line,
              "\"a,b\",\"say \"\"hi\"\"\",\"cr\rhere\",\"lf\nhere\",'=1+1,'+33 1,'-2,'@sum,"
              "\"'-a,\"\"b\"\"\",Jos\xC3\xA9 M\xC3\xBCller,," +
                  full + ",plain\r\n");
}

TEST(CsvLine, DefaultFileNameCarriesListAndTime) {
    char name[64];
    FormatExportName(name, sizeof name, "events", 2026, 12, 9, 3, 15, 0);
    EXPECT_STREQ(name, "quorvex-events-20261209-031500.csv");
}

}  // namespace
