// What the notification-area icon shows and when the client raises an
// alert, as pure rules with no Win32: the icon's picture and tooltip from
// the Up / Down / Stopped counts of the test items (kept by the server
// mirror, core/mirror/item_counts.h), which status changes alert,
// and the gathering of alerts into at most one balloon every few seconds,
// with its title and text cut to the balloon's limits.
//
// Texts are 8-bit in the system's code page. Cutting never splits a
// character: the caller says how long the character at a position is
// (one byte in a single-byte code page, one or two in a double-byte one,
// up to four in UTF-8). A text that ends inside a character (a name that
// fills its field and ends in a lead byte) loses that last piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "core/mirror/item_counts.h"
#include "core/mirror/record_memory.h"

// The icon's picture: the worst state there is.
enum class TrayImage : uint8_t { Disconnected, AllUp, SomeDown };

TrayImage TrayImageFor(bool connected, const ItemCounts& counts);

// The icon's tooltip into out (always NUL-terminated when size > 0).
void FormatTrayTip(char* out, size_t size, bool connected, const ItemCounts& counts);

// What a status notice did to a started row.
enum class Transition : uint8_t { None, WentDown, CameUp };

// A status notice sets started and takes up from the server. Only a row
// that was already started changes between up and not up; a row that was
// stopped (never tested on this connection, or just started) has no state
// to change from.
Transition StatusTransition(uint32_t oldStarted, uint32_t oldUp, uint32_t newUp);

// Bytes of the character that starts at s (left >= 1 bytes remain). More
// than left when the text ends inside it: a lone lead byte, or the start of
// a UTF-8 sequence cut short; a byte that starts no valid character is 1.
using CharSizeFn = size_t (*)(const char* s, size_t left);
size_t SingleByteCharSize(const char* s, size_t left);
size_t Utf8CharSize(const char* s, size_t left);

// Copies text into out (limit + 1 bytes) whole characters at a time,
// leaving out a character cut short at its end. A text longer than limit
// bytes is cut after the last character that leaves room for "...", which
// then ends it. Control characters become blanks. Returns the length
// written.
size_t CutText(char* out, size_t limit, const char* text, CharSizeFn charSize);

constexpr size_t BALLOON_TITLE_LIMIT = 63;
constexpr size_t BALLOON_TEXT_LIMIT = 255;
constexpr uint32_t ALERT_INTERVAL_MS = 5000;  // at most one balloon this often
constexpr uint32_t ALERT_GATHER_MS = 250;     // changes that come together share a balloon

struct Balloon {
    char title[BALLOON_TITLE_LIMIT + 1];
    char text[BALLOON_TEXT_LIMIT + 1];
    bool warning;   // a host is down or flapping, or the connection is lost
    bool hostDown;  // a host went down and stayed down: worth a flash
};

// Gathers the alerts that come in between two balloons. Each host is listed
// once with the state it ended in: down, up again, or flapping when it came
// back to where it was (down and up again, or up and down again).
class AlertGatherer {
public:
    // False when memory is short: that alert is dropped, nothing else.
    bool NoteTransition(uint32_t itemId, const char* name, Transition transition, uint32_t nowMs);
    // An established connection to the server at ip:port ended.
    void NoteConnectionLost(const char* ip, uint16_t port, uint32_t nowMs);
    // Forgets everything gathered (alerts switched off, or shutting down).
    void Discard();
    bool Pending() const { return connectionLost_ || !hosts_.empty(); }
    // Milliseconds until the next balloon is due (0: now). Only meaningful
    // while Pending().
    uint32_t DelayMs(uint32_t nowMs) const;
    // Composes the next balloon from what was gathered and starts a new
    // interval. A lost connection has a balloon of its own; hosts gathered
    // with it wait for the next one. False when nothing is pending.
    bool Take(uint32_t nowMs, Balloon* balloon, CharSizeFn charSize);

private:
    struct Host {
        uint32_t itemId;
        char name[81];  // a whole 80-byte name field
        bool wasUp;     // before its first change in this interval
        bool isUp;
    };
    void Touch(uint32_t nowMs);
    void ComposeHosts(Balloon* balloon, CharSizeFn charSize) const;

    template <typename T>
    using Allocator = RefusableAllocator<T, MEMORY_ALERT>;
    std::vector<Host, Allocator<Host>> hosts_;  // in the order they first changed
    std::unordered_map<uint32_t, size_t, std::hash<uint32_t>, std::equal_to<uint32_t>,
                       Allocator<std::pair<const uint32_t, size_t>>>
        hostIndex_;
    bool connectionLost_ = false;
    char lostText_[64] = "";
    bool gathering_ = false;
    uint32_t firstNoteMs_ = 0;
    bool shownOnce_ = false;
    uint32_t lastShownMs_ = 0;
};
