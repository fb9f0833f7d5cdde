// How a list's rows are written to a CSV file (RFC 4180) and what the file
// is called at first, as pure rules with no Win32. The texts are the
// lists' own, in the ANSI code page; the file is UTF-8, so the caller gives
// the conversion (on Windows MultiByteToWideChar and back).
#pragma once

#include <cstddef>
#include <string>

// Appends the UTF-8 form of text (length bytes, in the ANSI code page) to out.
using ToUtf8Fn = void (*)(const char* text, size_t length, std::string* out);

// The byte order mark that starts the file, so that a spreadsheet reads it
// as UTF-8.
extern const char CSV_UTF8_BOM[4];

// Appends one line: the fields (NUL-terminated texts) separated by commas,
// then CR LF. A field that begins with '=', '+', '-' or '@' gets a leading
// apostrophe, so that a spreadsheet shows it instead of running it as a
// formula; a field holding a comma, a quote, CR or LF is quoted, its
// quotes doubled.
void AppendCsvLine(std::string* out, const char* const* fields, size_t count, ToUtf8Fn toUtf8);

// The name the Save As dialog offers: quorvex-LIST-YYYYMMDD-HHMMSS.csv.
void FormatExportName(char* out, size_t size, const char* list, unsigned year, unsigned month,
                      unsigned day, unsigned hour, unsigned minute, unsigned second);
