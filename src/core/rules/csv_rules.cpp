// The CSV encoding of a field. Quoting is decided on the converted text,
// which holds a comma, a quote, CR or LF exactly where the original does
// (UTF-8 and the ANSI code pages keep ASCII as it is).
#include "core/rules/csv_rules.h"

#include <cstdio>
#include <cstring>

const char CSV_UTF8_BOM[4] = "\xEF\xBB\xBF";

namespace {

bool StartsFormula(char c) {
    return c == '=' || c == '+' || c == '-' || c == '@';
}

void AppendField(std::string* out, const char* text, ToUtf8Fn toUtf8) {
    std::string field;
    if (StartsFormula(text[0]))
        field += '\'';
    toUtf8(text, std::strlen(text), &field);
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        *out += field;
        return;
    }
    *out += '"';
    for (char c : field) {
        if (c == '"')
            *out += '"';
        *out += c;
    }
    *out += '"';
}

}  // namespace

void AppendCsvLine(std::string* out, const char* const* fields, size_t count, ToUtf8Fn toUtf8) {
    for (size_t i = 0; i < count; ++i) {
        if (i > 0)
            *out += ',';
        AppendField(out, fields[i], toUtf8);
    }
    *out += "\r\n";
}

void FormatExportName(char* out, size_t size, const char* list, unsigned year, unsigned month,
                      unsigned day, unsigned hour, unsigned minute, unsigned second) {
    std::snprintf(out, size, "quorvex-%s-%04u%02u%02u-%02u%02u%02u.csv", list, year, month, day,
                  hour, minute, second);
}
