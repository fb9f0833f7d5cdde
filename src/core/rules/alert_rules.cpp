// Rules of the notification-area icon and its alerts; kept free of Win32 so
// that they are tested natively. Every text the icon and its balloons show
// is here.
#include "core/rules/alert_rules.h"

#include <cstdio>
#include <cstring>

#include "core/mirror/item_state.h"

TrayImage TrayImageFor(bool connected, const ItemCounts& counts) {
    if (!connected)
        return TrayImage::Disconnected;
    return counts.Down() > 0 ? TrayImage::SomeDown : TrayImage::AllUp;
}

void FormatTrayTip(char* out, size_t size, bool connected, const ItemCounts& counts) {
    if (size == 0)
        return;
    if (!connected)
        std::snprintf(out, size, "Quorvex Client");
    else
        std::snprintf(out, size, "Quorvex Client: %u up, %u down, %u stopped",
                      static_cast<unsigned>(counts.Up()), static_cast<unsigned>(counts.Down()),
                      static_cast<unsigned>(counts.Stopped()));
}

Transition StatusTransition(uint32_t oldStarted, uint32_t oldUp, uint32_t newUp) {
    const ItemState from = ItemStateOf(oldStarted, oldUp);
    const ItemState to = ItemStateOf(STARTED_BY_STATUS_NOTICE, newUp);
    if (from == ItemState::Stopped || from == to)
        return Transition::None;
    return to == ItemState::Up ? Transition::CameUp : Transition::WentDown;
}

size_t SingleByteCharSize(const char*, size_t) {
    return 1;
}

size_t Utf8CharSize(const char* s, size_t left) {
    const auto lead = static_cast<unsigned char>(s[0]);
    size_t size = 1;
    if (lead >= 0xC2 && lead <= 0xDF)
        size = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
        size = 3;
    else if (lead >= 0xF0 && lead <= 0xF4)
        size = 4;
    for (size_t i = 1; i < size && i < left; ++i)
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80)
            return 1;  // a broken sequence: its bytes stand alone
    // More than left when the text ends inside the sequence.
    return size;
}

size_t CutText(char* out, size_t limit, const char* text, CharSizeFn charSize) {
    static const char ELLIPSIS[] = "...";
    auto sizeAt = [&](size_t at, size_t length) {
        const size_t size = charSize(text + at, length - at);
        return size == 0 ? 1 : size;
    };
    // A character cut short at the end (its lead byte would swallow what
    // follows the text) is left out; only a walk from the start finds it.
    size_t length = std::strlen(text);
    for (size_t at = 0; at < length;) {
        const size_t size = sizeAt(at, length);
        if (size > length - at)
            length = at;
        else
            at += size;
    }
    const size_t room = length <= limit ? limit : (limit >= 3 ? limit - 3 : 0);
    size_t used = 0;
    while (used < length) {
        const size_t size = sizeAt(used, length);
        if (used + size > room)
            break;
        for (size_t i = 0; i < size; ++i) {
            const auto c = static_cast<unsigned char>(text[used + i]);
            // Only a character's first byte can be a control character.
            out[used + i] = i == 0 && (c < 0x20 || c == 0x7F) ? ' ' : text[used + i];
        }
        used += size;
    }
    if (used < length && limit >= 3) {
        std::memcpy(out + used, ELLIPSIS, 3);
        used += 3;
    }
    out[used] = '\0';
    return used;
}

void AlertGatherer::Touch(uint32_t nowMs) {
    if (!gathering_) {
        gathering_ = true;
        firstNoteMs_ = nowMs;
    }
}

bool AlertGatherer::NoteTransition(uint32_t itemId, const char* name, Transition transition,
                                   uint32_t nowMs) {
    if (transition == Transition::None)
        return true;
    const bool isUp = transition == Transition::CameUp;
    auto found = hostIndex_.find(itemId);
    if (found != hostIndex_.end()) {
        hosts_[found->second].isUp = isUp;
    } else {
        // Both tables grow before either changes, so a refusal leaves them
        // as they were (a reserved vector's push_back does not allocate).
        try {
            if (hosts_.size() == hosts_.capacity())
                hosts_.reserve(hosts_.empty() ? 8 : 2 * hosts_.size());
            hostIndex_.emplace(itemId, hosts_.size());
        } catch (const std::bad_alloc&) {
            return false;
        }
        Host host;
        host.itemId = itemId;
        std::snprintf(host.name, sizeof host.name, "%s", name);
        host.wasUp = !isUp;
        host.isUp = isUp;
        hosts_.push_back(host);
    }
    Touch(nowMs);
    return true;
}

void AlertGatherer::NoteConnectionLost(const char* ip, uint16_t port, uint32_t nowMs) {
    // The lists are gone with the connection: what the hosts did before no
    // longer matters next to the connection itself.
    hosts_.clear();
    hostIndex_.clear();
    connectionLost_ = true;
    std::snprintf(lostText_, sizeof lostText_, "Server %s, port %u", ip,
                  static_cast<unsigned>(port));
    Touch(nowMs);
}

void AlertGatherer::Discard() {
    hosts_.clear();
    hostIndex_.clear();
    connectionLost_ = false;
    gathering_ = false;
}

uint32_t AlertGatherer::DelayMs(uint32_t nowMs) const {
    // Differences of tick counts stay right across the counter's wrap.
    int64_t delay = static_cast<int32_t>(firstNoteMs_ + ALERT_GATHER_MS - nowMs);
    if (shownOnce_) {
        const int64_t paced = static_cast<int32_t>(lastShownMs_ + ALERT_INTERVAL_MS - nowMs);
        if (paced > delay)
            delay = paced;
    }
    return delay > 0 ? static_cast<uint32_t>(delay) : 0;
}

namespace {

enum Kind { KIND_DOWN, KIND_FLAPPING, KIND_UP_AGAIN, KIND_COUNT };

const char* const KIND_SINGLE_TITLE[KIND_COUNT] = {"Host down", "Host flapping", "Host up again"};
const char* const KIND_WORD[KIND_COUNT] = {"down", "flapping", "up again"};
const char* const KIND_LINE[KIND_COUNT] = {"Down: ", "Flapping: ", "Up again: "};

// Appends as much of `piece` as fits (whole text or nothing).
bool Append(char* out, size_t* used, size_t limit, const char* piece) {
    const size_t n = std::strlen(piece);
    if (*used + n > limit)
        return false;
    std::memcpy(out + *used, piece, n + 1);
    *used += n;
    return true;
}

}  // namespace

void AlertGatherer::ComposeHosts(Balloon* balloon, CharSizeFn charSize) const {
    auto kindOf = [](const Host& h) {
        if (h.isUp == h.wasUp)
            return KIND_FLAPPING;
        return h.isUp ? KIND_UP_AGAIN : KIND_DOWN;
    };
    unsigned count[KIND_COUNT] = {};
    for (const Host& h : hosts_)
        ++count[kindOf(h)];
    int kinds = 0;
    for (unsigned c : count)
        kinds += c > 0 ? 1 : 0;

    // Title: "Host down", "3 hosts down", or "2 hosts down, 1 up again".
    char title[128] = "";
    size_t used = 0;
    for (int k = 0; k < KIND_COUNT; ++k) {
        if (count[k] == 0)
            continue;
        char part[48];
        if (used == 0 && kinds == 1 && count[k] == 1)
            std::snprintf(part, sizeof part, "%s", KIND_SINGLE_TITLE[k]);
        else if (used == 0)
            std::snprintf(part, sizeof part, "%u host%s %s", count[k], count[k] == 1 ? "" : "s",
                          KIND_WORD[k]);
        else
            std::snprintf(part, sizeof part, ", %u %s", count[k], KIND_WORD[k]);
        Append(title, &used, sizeof title - 1, part);
    }
    CutText(balloon->title, BALLOON_TITLE_LIMIT, title, charSize);

    // Text: the names, by kind, as many as fit, then "and N more".
    char* text = balloon->text;
    used = 0;
    text[0] = '\0';
    const size_t total = hosts_.size();
    size_t shown = 0;
    bool full = false;
    for (int k = 0; k < KIND_COUNT && !full; ++k) {
        bool first = true;
        for (const Host& h : hosts_) {
            if (kindOf(h) != k)
                continue;
            char name[sizeof h.name + 16];
            if (h.name[0] == '\0')
                std::snprintf(name, sizeof name, "Test item %u", static_cast<unsigned>(h.itemId));
            else
                CutText(name, sizeof h.name - 1, h.name, charSize);
            char piece[sizeof name + 16];
            std::snprintf(piece, sizeof piece, "%s%s%s",
                          first && used > 0 ? "\n"
                          : first           ? ""
                                            : ", ",
                          first && kinds > 1 ? KIND_LINE[k] : "", name);
            // Keep room for the " and N more" that the hosts after this one would need.
            char more[32] = "";
            if (total - shown - 1 > 0)
                std::snprintf(more, sizeof more, " and %u more",
                              static_cast<unsigned>(total - shown - 1));
            if (used + std::strlen(piece) + std::strlen(more) > BALLOON_TEXT_LIMIT) {
                full = true;
                break;
            }
            Append(text, &used, BALLOON_TEXT_LIMIT, piece);
            ++shown;
            first = false;
        }
    }
    if (shown < total) {
        char more[32];
        std::snprintf(more, sizeof more, "%sand %u more", shown > 0 ? " " : "",
                      static_cast<unsigned>(total - shown));
        Append(text, &used, BALLOON_TEXT_LIMIT, more);
    }
    balloon->warning = count[KIND_DOWN] > 0 || count[KIND_FLAPPING] > 0;
    balloon->hostDown = count[KIND_DOWN] > 0;
}

bool AlertGatherer::Take(uint32_t nowMs, Balloon* balloon, CharSizeFn charSize) {
    if (!Pending())
        return false;
    if (connectionLost_) {
        CutText(balloon->title, BALLOON_TITLE_LIMIT, "Connection to the server lost", charSize);
        CutText(balloon->text, BALLOON_TEXT_LIMIT, lostText_, charSize);
        balloon->warning = true;
        balloon->hostDown = false;
        connectionLost_ = false;
    } else {
        ComposeHosts(balloon, charSize);
        hosts_.clear();
        hostIndex_.clear();
    }
    shownOnce_ = true;
    lastShownMs_ = nowMs;
    // Whatever is left (hosts gathered with a lost connection) is due at
    // the next interval.
    gathering_ = false;
    if (Pending())
        Touch(nowMs);
    return true;
}
