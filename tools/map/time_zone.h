// The clock the results are shown in. The prediction is always made for the 24 whole hours of
// JST (the 135 degree meridian); --time-zone only names those hours in another zone.
#pragma once

#include <string>
#include <vector>

namespace fieldcast::map {

struct TimeZone {
    std::string label = "JST";  // "JST", "UTC", or "UTC+05:30"
    int offsetMinutes = 540;    // east of UTC
};

// "UTC", "JST", "+HH:MM" or "-HH:MM" (at most 14 hours; "Z" and a lower-case word too).
// Throws UsageError.
TimeZone parseTimeZone(const std::string& text);

// The hour of UTC at the start of a JST hour, 0..23.
int utcHourOfJstHour(int hourJst);
// Minutes after the zone's midnight at the start of a JST hour, 0..1439.
int zoneMinutesOfJstHour(int hourJst, const TimeZone& zone);
// "21:00 UTC"
std::string zoneClock(int hourJst, const TimeZone& zone);
// The part of a file name that names the hour: "21", or "2130" in a zone of half hours.
std::string zoneFileStamp(int hourJst, const TimeZone& zone);
// The JST hours that start within the given hours of the zone's clock, ascending.
std::vector<int> jstHoursOfZoneHours(const std::vector<int>& zoneHours, const TimeZone& zone);

}  // namespace fieldcast::map
