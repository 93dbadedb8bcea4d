// SPDX-License-Identifier: GPL-3.0-or-later
#include "archive/ArchiveTime.h"

#include <cstdio>
#include <ctime>

namespace corvalin {

namespace {

constexpr int64_t SECONDS_PER_HOUR = 3600;
// Longer than any clock change: what a change can move a wall time by.
constexpr int64_t CHANGE_REACH = 3 * SECONDS_PER_HOUR;

// The computer's offset from UTC at an instant, in seconds east.
int64_t UtcOffset(int64_t instant) {
    const std::time_t t = static_cast<std::time_t>(instant);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm.tm_gmtoff;
}

std::tm TmFromWall(int64_t wallSeconds) {
    const std::time_t t = static_cast<std::time_t>(wallSeconds);
    std::tm tm{};
    gmtime_r(&t, &tm);
    return tm;
}

// The local instant with wall time `wall` under the daylight-saving flag
// `dst`, if that wall time exists with that flag.
std::optional<int64_t> LocalInstant(int64_t wallSeconds, int dst) {
    std::tm tm = TmFromWall(wallSeconds);
    tm.tm_isdst = dst;
    const std::time_t instant = std::mktime(&tm);
    if (instant == static_cast<std::time_t>(-1)) return std::nullopt;
    std::tm back{};
    localtime_r(&instant, &back);
    // mktime moves a wall time the flag does not fit; only a round trip counts.
    if (back.tm_isdst != dst) return std::nullopt;
    if (timegm(&back) != static_cast<std::time_t>(wallSeconds)) return std::nullopt;
    return static_cast<int64_t>(instant);
}

bool ReadDigits(std::string_view text, size_t& at, size_t count, int& value) {
    if (at + count > text.size()) return false;
    value = 0;
    for (size_t i = 0; i < count; ++i) {
        const char c = text[at + i];
        if (c < '0' || c > '9') return false;
        value = value * 10 + (c - '0');
    }
    at += count;
    return true;
}

bool Expect(std::string_view text, size_t& at, char c) {
    if (at >= text.size() || text[at] != c) return false;
    ++at;
    return true;
}

}  // namespace

int64_t WallSeconds(const CivilTime& time) {
    std::tm tm{};
    tm.tm_year = time.year - 1900;
    tm.tm_mon = time.month - 1;
    tm.tm_mday = time.day;
    tm.tm_hour = time.hour;
    tm.tm_min = time.minute;
    tm.tm_sec = time.second;
    return static_cast<int64_t>(timegm(&tm));
}

CardTimeZone CardTimeZone::Local() {
    tzset();
    return CardTimeZone();
}

CardTimeZone CardTimeZone::FixedOffset(int offsetSeconds) {
    CardTimeZone zone;
    zone.local_ = false;
    zone.fixedOffset_ = offsetSeconds;
    return zone;
}

void CardTimeZone::FindOffsets(int64_t wallSeconds) const {
    const int64_t hourKey = wallSeconds - wallSeconds % SECONDS_PER_HOUR;
    if (cache_.hourKey == hourKey) return;
    // mktime is slow; where the offset of the last hour holds for some hours
    // around this one, no clock change can make this hour repeat or vanish.
    if (cache_.count == 1 && cache_.hourKey >= 0) {
        const int64_t offset = cache_.offsets[0];
        const int64_t instant = hourKey + offset;
        if (UtcOffset(instant) == -offset && UtcOffset(instant - CHANGE_REACH) == -offset &&
            UtcOffset(instant + CHANGE_REACH) == -offset) {
            cache_.hourKey = hourKey;
            return;
        }
    }
    cache_ = {};
    cache_.hourKey = hourKey;
    // Zones change offset on the hour: what holds at its start holds for it.
    for (int dst : {1, 0}) {
        const std::optional<int64_t> instant = LocalInstant(hourKey, dst);
        if (!instant) continue;
        const int64_t offset = *instant - hourKey;
        if (cache_.count == 1 && cache_.offsets[0] == offset) continue;
        cache_.offsets[cache_.count++] = offset;
    }
    if (cache_.count == 2 && cache_.offsets[1] < cache_.offsets[0]) {
        std::swap(cache_.offsets[0], cache_.offsets[1]);
    }
    if (cache_.count == 0) {
        // A skipped hour (spring forward): the station cannot log it; read it
        // as the C library does, moved past the gap.
        std::tm tm = TmFromWall(hourKey);
        tm.tm_isdst = -1;
        cache_.offsets[0] = static_cast<int64_t>(std::mktime(&tm)) - hourKey;
        cache_.count = 1;
    }
}

int64_t CardTimeZone::ToUtc(const CivilTime& wall, std::optional<int64_t> previousUtc) const {
    const int64_t wallSeconds = WallSeconds(wall);
    if (!local_) return wallSeconds - fixedOffset_;
    FindOffsets(wallSeconds);
    const int64_t earliest = wallSeconds + cache_.offsets[0];
    if (cache_.count == 1 || !previousUtc || earliest >= *previousUtc) return earliest;
    return wallSeconds + cache_.offsets[1];
}

std::string IsoTime(int64_t utcSeconds, bool utc) {
    const std::time_t t = static_cast<std::time_t>(utcSeconds);
    std::tm tm{};
    if (utc) {
        gmtime_r(&t, &tm);
    } else {
        localtime_r(&t, &tm);
    }
    char text[48];
    int length = std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d",
                               tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                               tm.tm_min, tm.tm_sec);
    if (utc) {
        std::snprintf(text + length, sizeof text - length, "Z");
    } else {
        const long offset = tm.tm_gmtoff;
        const long magnitude = offset < 0 ? -offset : offset;
        std::snprintf(text + length, sizeof text - length, "%c%02ld:%02ld",
                      offset < 0 ? '-' : '+', magnitude / 3600, magnitude / 60 % 60);
    }
    return text;
}

Result<int64_t> ParseTimeArgument(std::string_view text) {
    const auto bad = [&] {
        return Result<int64_t>::Fail("\"" + std::string(text) +
                                     "\" is not a time: give YYYY-MM-DD, YYYY-MM-DD hh:mm[:ss] "
                                     "or YYYY-MM-DDThh:mm:ss[Z|+hh:mm]");
    };
    CivilTime time;
    size_t at = 0;
    if (!ReadDigits(text, at, 4, time.year) || !Expect(text, at, '-') ||
        !ReadDigits(text, at, 2, time.month) || !Expect(text, at, '-') ||
        !ReadDigits(text, at, 2, time.day)) {
        return bad();
    }
    time.hour = time.minute = time.second = 0;
    if (at < text.size() && (text[at] == 'T' || text[at] == ' ')) {
        ++at;
        if (!ReadDigits(text, at, 2, time.hour) || !Expect(text, at, ':') ||
            !ReadDigits(text, at, 2, time.minute)) {
            return bad();
        }
        if (at < text.size() && text[at] == ':' && !(++at, ReadDigits(text, at, 2, time.second))) {
            return bad();
        }
    }
    if (!IsValidCivilTime(time)) return bad();
    const int64_t wall = WallSeconds(time);
    if (at == text.size()) {
        std::tm tm = TmFromWall(wall);
        tm.tm_isdst = -1;
        return Result<int64_t>::Of(static_cast<int64_t>(std::mktime(&tm)));
    }
    if (text.substr(at) == "Z") return Result<int64_t>::Of(wall);
    const char sign = text[at++];
    int hours = 0;
    int minutes = 0;
    if ((sign != '+' && sign != '-') || !ReadDigits(text, at, 2, hours)) return bad();
    if (at < text.size() && text[at] == ':') ++at;
    if (!ReadDigits(text, at, 2, minutes) || at != text.size() || hours > 23 || minutes > 59) {
        return bad();
    }
    const int64_t offset = (hours * 60 + minutes) * 60;
    return Result<int64_t>::Of(sign == '+' ? wall - offset : wall + offset);
}

}  // namespace corvalin
