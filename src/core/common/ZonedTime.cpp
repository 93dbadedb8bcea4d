// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/ZonedTime.h"

#include <cstdio>
#include <ctime>

namespace corvalin {

namespace {

constexpr int64_t SECONDS_PER_HOUR = 3600;
// Longer than any clock change: what a change can move a wall time by.
constexpr int64_t CHANGE_REACH = 3 * SECONDS_PER_HOUR;

std::tm LocalParts(int64_t instant) {
    const std::time_t t = static_cast<std::time_t>(instant);
    std::tm tm{};
    localtime_r(&t, &tm);
    return tm;
}

CivilTime CivilFromParts(const std::tm& tm) {
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// The computer's offset from UTC at an instant, in seconds east.
int64_t UtcOffset(int64_t instant) { return LocalParts(instant).tm_gmtoff; }

std::tm PartsOfWall(int64_t wallSeconds) {
    const CivilTime wall = CivilFromWallSeconds(wallSeconds);
    std::tm tm{};
    tm.tm_year = wall.year - 1900;
    tm.tm_mon = wall.month - 1;
    tm.tm_mday = wall.day;
    tm.tm_hour = wall.hour;
    tm.tm_min = wall.minute;
    tm.tm_sec = wall.second;
    return tm;
}

// The local instant with this wall time under the daylight-saving flag
// `dst`, if that wall time exists with that flag.
std::optional<int64_t> LocalInstant(int64_t wallSeconds, int dst) {
    std::tm tm = PartsOfWall(wallSeconds);
    tm.tm_isdst = dst;
    const std::time_t instant = std::mktime(&tm);
    if (instant == static_cast<std::time_t>(-1)) return std::nullopt;
    const std::tm back = LocalParts(instant);
    // mktime moves a wall time the flag does not fit; only a round trip counts.
    if (back.tm_isdst != dst || WallSeconds(CivilFromParts(back)) != wallSeconds) {
        return std::nullopt;
    }
    return static_cast<int64_t>(instant);
}

// The instant of a local wall time as the C library places it.
int64_t LocalMktime(int64_t wallSeconds) {
    std::tm tm = PartsOfWall(wallSeconds);
    tm.tm_isdst = -1;
    return static_cast<int64_t>(std::mktime(&tm));
}

}  // namespace

CivilTime LocalTimeNow() { return LocalCivilTime(static_cast<int64_t>(std::time(nullptr))); }

CivilTime LocalCivilTime(int64_t utcSeconds) { return CivilFromParts(LocalParts(utcSeconds)); }

std::string IsoTime(int64_t utcSeconds, bool utc) {
    const int64_t offset = utc ? 0 : UtcOffset(utcSeconds);
    std::string text = CivilText(CivilFromWallSeconds(utcSeconds + offset));
    text[10] = 'T';
    if (utc) return text + "Z";
    const int64_t magnitude = offset < 0 ? -offset : offset;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+',
                  static_cast<int>(magnitude / 3600), static_cast<int>(magnitude / 60 % 60));
    return text + zone;
}

Result<int64_t> ParseTimeArgument(std::string_view text) {
    const auto bad = [&] {
        return Result<int64_t>::Fail("\"" + std::string(text) +
                                     "\" is not a time: give YYYY-MM-DD, YYYY-MM-DD hh:mm[:ss] "
                                     "or YYYY-MM-DDThh:mm:ss[Z|+hh:mm]");
    };
    // The zone after the time, if any: "Z", or a sign after the date.
    std::string civil(text);
    std::optional<int64_t> offset;
    if (!civil.empty() && civil.back() == 'Z') {
        offset = 0;
        civil.pop_back();
    } else if (const size_t sign = civil.find_last_of("+-");
               sign != std::string::npos && sign > 10) {
        std::string zone = civil.substr(sign + 1);
        if (zone.size() == 5 && zone[2] == ':') zone.erase(2, 1);
        if (zone.size() != 4 || zone.find_first_not_of("0123456789") != std::string::npos) {
            return bad();
        }
        const int hours = std::stoi(zone.substr(0, 2));
        const int minutes = std::stoi(zone.substr(2));
        if (hours > 23 || minutes > 59) return bad();
        offset = (hours * 60 + minutes) * 60 * (civil[sign] == '-' ? -1 : 1);
        civil.erase(sign);
    }
    if (civil.size() == 10) civil += " 00:00";
    if (civil.size() > 10 && civil[10] == 'T') civil[10] = ' ';
    if (civil.size() == 16) civil += ":00";
    const std::optional<CivilTime> time = ParseCivilText(civil);
    if (!time) return bad();
    const int64_t wall = WallSeconds(*time);
    return Result<int64_t>::Of(offset ? wall - *offset : LocalMktime(wall));
}

WallTimeZone WallTimeZone::Local() {
    tzset();
    return WallTimeZone();
}

WallTimeZone WallTimeZone::FixedOffset(int offsetSeconds) {
    WallTimeZone zone;
    zone.local_ = false;
    zone.fixedOffset_ = offsetSeconds;
    return zone;
}

void WallTimeZone::FindOffsets(int64_t wallSeconds) const {
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
        cache_.offsets[0] = LocalMktime(hourKey) - hourKey;
        cache_.count = 1;
    }
}

int64_t WallTimeZone::ToUtc(const CivilTime& wall, std::optional<int64_t> previousUtc) const {
    const int64_t wallSeconds = WallSeconds(wall);
    if (!local_) return wallSeconds - fixedOffset_;
    FindOffsets(wallSeconds);
    const int64_t earliest = wallSeconds + cache_.offsets[0];
    if (cache_.count == 1 || !previousUtc || earliest >= *previousUtc) return earliest;
    return wallSeconds + cache_.offsets[1];
}

}  // namespace corvalin
