// What a run's result files say about themselves: the scenario, the model, the clock of the
// hours and any warning, as named items for the grids' attributes and the CSV's companion
// JSON, and as the one-line title of maps and plots.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "batch_common.h"
#include "time_zone.h"

namespace fieldcast::map {

// The program's version: the source tree's git description when it was configured.
const char* programVersion();

// One item: a number when `isNumber` (a whole one, such as a code, when `isWhole`), else text.
struct DescriptionItem {
    std::string key;  // lowerCamelCase with its unit, as the CSV names things
    std::string text;
    double number = 0.0;
    bool isNumber = false;
    bool isWhole = false;
};

struct RunDescription {
    std::vector<DescriptionItem> items;
    std::string headline;  // "77.5 kHz, 50 kW, June, activity 2"
    std::string details;   // "transmitter 50.01 N 9.01 E, grounds ..., sky wave, classic model"
    std::string title;     // both
    int month = 1;
    std::string model;            // the model's one-line name
    double noValueRangeKm = 0.0;  // over this ground range the model gives no value
    std::string warning;          // the frequency's, or empty
    TimeZone zone;
};

RunDescription describeRun(const RunSetup& setup, const CommonOptions& common,
                           const TimeZone& zone);

// The time of the day/night terminator drawn on a map of a JST hour: that hour in UTC on a
// nominal day of the month (its 15th), "2000-06-15T03:00:00".
std::string terminatorTime(int month, int hourJst);

// The items as one JSON object, with `extra` items (such as the files) after them.
std::string descriptionJson(const RunDescription& description,
                            const std::vector<DescriptionItem>& extra = {});

// Writes `name` (a companion of a CSV) into the output folder. Throws OutputError.
void writeDescriptionFile(const RunDescription& description, const std::filesystem::path& path,
                          const std::vector<DescriptionItem>& extra = {});

}  // namespace fieldcast::map
