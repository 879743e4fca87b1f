#include "time_zone.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "batch_options.h"
#include "record/constants.h"

namespace fieldcast::map {

namespace {

constexpr int kMinutesPerDay = 24 * 60;
constexpr int kJstOffsetMinutes = static_cast<int>(kStandardMeridianDeg / 15.0 * 60.0);
constexpr int kMaxOffsetMinutes = 14 * 60;

int wrapDay(int minutes) { return ((minutes % kMinutesPerDay) + kMinutesPerDay) % kMinutesPerDay; }

}  // namespace

TimeZone parseTimeZone(const std::string& text) {
    std::string word = text;
    std::transform(word.begin(), word.end(), word.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (word == "UTC" || word == "Z") return {"UTC", 0};
    if (word == "JST") return {"JST", kJstOffsetMinutes};
    // "+HH:MM" or "-HH:MM", each of the four a digit: sscanf's numbers alone would take a sign
    // or a blank of their own ("+-1:00", "+01:-5", "- 1:00")
    const auto digit = [&](std::size_t i) {
        return std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    };
    const bool shaped = text.size() == 6 && (text[0] == '+' || text[0] == '-') && digit(1) &&
                        digit(2) && text[3] == ':' && digit(4) && digit(5);
    const char sign = text.empty() ? '+' : text[0];
    const int hours = shaped ? (text[1] - '0') * 10 + (text[2] - '0') : 0;
    const int minutes = shaped ? (text[4] - '0') * 10 + (text[5] - '0') : 0;
    const int offset = hours * 60 + minutes;
    if (!shaped || minutes >= 60 || offset > kMaxOffsetMinutes) {
        throw UsageError("--time-zone: \"" + text +
                         "\" is not UTC, JST or an offset from UTC such as +01:00 or -05:30 "
                         "(at most 14 hours)");
    }
    if (offset == 0) return {"UTC", 0};
    return {"UTC" + text, sign == '-' ? -offset : offset};
}

int utcHourOfJstHour(int hourJst) { return wrapDay(hourJst * 60 - kJstOffsetMinutes) / 60; }

int zoneMinutesOfJstHour(int hourJst, const TimeZone& zone) {
    return wrapDay(hourJst * 60 - kJstOffsetMinutes + zone.offsetMinutes);
}

std::string zoneClock(int hourJst, const TimeZone& zone) {
    const int minutes = zoneMinutesOfJstHour(hourJst, zone);
    char text[48];
    std::snprintf(text, sizeof text, "%02d:%02d %s", minutes / 60, minutes % 60,
                  zone.label.c_str());
    return text;
}

std::string zoneFileStamp(int hourJst, const TimeZone& zone) {
    const int minutes = zoneMinutesOfJstHour(hourJst, zone);
    char text[16];
    if (minutes % 60 == 0) {
        std::snprintf(text, sizeof text, "%02d", minutes / 60);
    } else {
        std::snprintf(text, sizeof text, "%02d%02d", minutes / 60, minutes % 60);
    }
    return text;
}

std::vector<int> jstHoursOfZoneHours(const std::vector<int>& zoneHours, const TimeZone& zone) {
    // the zone's clock runs `shift` minutes ahead of JST: whole hours and a rest under one
    const int shift = wrapDay(zone.offsetMinutes - kJstOffsetMinutes);
    std::vector<int> hours;
    for (int hour : zoneHours) hours.push_back(((hour - shift / 60) % 24 + 24) % 24);
    std::sort(hours.begin(), hours.end());
    hours.erase(std::unique(hours.begin(), hours.end()), hours.end());
    return hours;
}

}  // namespace fieldcast::map
