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
    int hours = 0;
    int minutes = 0;
    char sign = 0;
    char tail = 0;
    // "+HH:MM" or "-HH:MM" with four digits: %2d alone would also take a sign or a blank
    // ("+-1:30", "+01:-5"), an offset the label would not say
    const auto digit = [&](std::size_t i) {
        return std::isdigit(static_cast<unsigned char>(text[i])) != 0;
    };
    const bool shaped =
        text.size() == 6 && (text[0] == '+' || text[0] == '-') && text[3] == ':' && digit(1) &&
        digit(2) && digit(4) && digit(5) &&
        std::sscanf(text.c_str(), "%c%2d:%2d%c", &sign, &hours, &minutes, &tail) == 3;
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
