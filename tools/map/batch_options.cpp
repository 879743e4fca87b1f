#include "batch_options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "point_prediction.h"
#include "record/constants.h"

namespace fieldcast::map {

namespace {

// Without the blanks a user types around list items ("0, 6 - 9").
std::string withoutBlanks(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Items between separators, the empty ones included ("3," is "3" and "").
std::vector<std::string> separatedItems(const std::string& text, char separator) {
    std::vector<std::string> items(1);
    for (const char c : text) {
        if (c == separator) {
            items.emplace_back();
        } else {
            items.back() += c;
        }
    }
    return items;
}

// Items between commas, blanks around them dropped.
std::vector<std::string> commaItems(const std::string& text) {
    std::vector<std::string> items = separatedItems(text, ',');
    for (std::string& item : items) item = withoutBlanks(item);
    return items;
}

// A limit as a user writes it: "90", "0.0001", "1e+06".
std::string limitText(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%g", value);
    return buffer;
}

// Items between slashes ("W/E/S/N", "MIN/MAX").
std::vector<std::string> slashItems(const std::string& text) { return separatedItems(text, '/'); }

}  // namespace

std::optional<double> parseFiniteNumber(std::string_view text) {
    // one sign at most: from_chars would read "inf", "nan", and the minus of "+-5"
    const bool plus = !text.empty() && text.front() == '+';
    if (plus) text.remove_prefix(1);
    const std::string_view magnitude =
        !plus && !text.empty() && text.front() == '-' ? text.substr(1) : text;
    if (magnitude.empty() || !(std::isdigit(static_cast<unsigned char>(magnitude.front())) ||
                               magnitude.front() == '.')) {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [end, error] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

std::string NumberRange::text() const {
    const char* kind = whole ? "a whole number" : "a number";
    if (max == HUGE_VAL)
        return std::string(kind) + (minOpen ? " above " : " from ") + limitText(min);
    if (minOpen)
        return std::string(kind) + " above " + limitText(min) + ", at most " + limitText(max);
    return std::string(kind) + " from " + limitText(min) + " to " + limitText(max);
}

std::string checkNumber(const std::string& text, const NumberRange& range) {
    const std::optional<double> value = parseFiniteNumber(text);
    const bool fits = value && (range.minOpen ? *value > range.min : *value >= range.min) &&
                      *value <= range.max && (!range.whole || *value == std::floor(*value));
    return fits ? std::string() : "\"" + text + "\" is not " + range.text();
}

void parseColourRange(const std::string& text, AreaOptions& options) {
    const std::vector<std::string> items = slashItems(text);
    const std::optional<double> low =
        items.size() == 2 ? parseFiniteNumber(items[0]) : std::nullopt;
    const std::optional<double> high =
        items.size() == 2 ? parseFiniteNumber(items[1]) : std::nullopt;
    if (!low || !high || *low < -kColourLimitDb || *high > kColourLimitDb ||
        !(*high - *low >= 1.0)) {
        throw UsageError("--colour-range: expected MIN/MAX in dB(uV/m) from " +
                         limitText(-kColourLimitDb) + " to " + limitText(kColourLimitDb) +
                         ", MAX at least 1 dB above MIN; got \"" + text + "\"");
    }
    options.colourMinDb = *low;
    options.colourMaxDb = *high;
}

void checkGmtRegion(const AreaOptions& options, bool maps, bool grids) {
    if (maps && (options.latMinDeg <= kMinLatitudeDeg || options.latMaxDeg >= kMaxLatitudeDeg)) {
        throw UsageError(
            "--region: the maps (Mercator) cannot reach a pole; keep the latitudes within "
            "-90..90 exclusive, or run with --no-maps");
    }
    if (!maps && !grids) return;
    const int columns = nodeCount(options.lonMinDeg, options.lonMaxDeg, options.stepDeg);
    const int rows = nodeCount(options.latMinDeg, options.latMaxDeg, options.stepDeg);
    if (columns < 2 || rows < 2) {
        throw UsageError("--step: " + limitText(options.stepDeg) +
                         " degrees leaves a single node across the region; grids, maps and "
                         "contours need at least two each way (take a smaller --step, or "
                         "--no-maps and --format csv or geotiff, or html with --contours none)");
    }
}

std::vector<int> parseHourList(const std::string& text) {
    if (text == "all") {
        std::vector<int> all(kHoursPerDay);
        for (int h = 0; h < kHoursPerDay; ++h) all[static_cast<std::size_t>(h)] = h;
        return all;
    }
    std::vector<int> hours;
    const auto hourOf = [&](const std::string& typed) {
        const std::string word = withoutBlanks(typed);
        const bool digits =
            !word.empty() && word.size() <= 2 && std::all_of(word.begin(), word.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c)) != 0;
            });
        const int hour = digits ? std::stoi(word) : -1;
        if (hour < 0 || hour >= kHoursPerDay) {
            throw UsageError("--hours: \"" + typed + "\" is not an hour 0-23");
        }
        return hour;
    };
    for (const std::string& item : commaItems(text)) {
        const std::size_t dash = item.find('-', 1);
        if (dash == std::string::npos) {
            hours.push_back(hourOf(item));
            continue;
        }
        const int first = hourOf(item.substr(0, dash));
        const int last = hourOf(item.substr(dash + 1));
        // an end below the start runs through midnight: 22-2 is 22, 23, 0, 1, 2
        for (int h = first; h != last; h = (h + 1) % kHoursPerDay) hours.push_back(h);
        hours.push_back(last);
    }
    if (hours.empty()) throw UsageError("--hours: no hour given");
    std::sort(hours.begin(), hours.end());
    hours.erase(std::unique(hours.begin(), hours.end()), hours.end());
    return hours;
}

std::vector<double> parseLevelList(const std::string& text) {
    std::vector<double> levels;
    for (const std::string& item : commaItems(text)) {
        const std::optional<double> level = parseFiniteNumber(item);
        if (!level || std::abs(*level) > kColourLimitDb) {
            throw UsageError("--contours: \"" + item + "\" is not a level in dB(uV/m) from " +
                             limitText(-kColourLimitDb) + " to " + limitText(kColourLimitDb));
        }
        levels.push_back(*level);
    }
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    return levels;
}

void parseRegion(const std::string& text, AreaOptions& options) {
    const std::vector<std::string> items = slashItems(text);
    std::optional<double> v[4];
    for (std::size_t i = 0; i < 4 && items.size() == 4; ++i) v[i] = parseFiniteNumber(items[i]);
    if (items.size() != 4 || !v[0] || !v[1] || !v[2] || !v[3]) {
        throw UsageError("--region: expected WEST/EAST/SOUTH/NORTH in degrees, got \"" + text +
                         "\"");
    }
    const double w = *v[0];
    const double e = *v[1];
    const double s = *v[2];
    const double n = *v[3];
    if (!(w < e) || !(s < n) || s < kMinLatitudeDeg || n > kMaxLatitudeDeg ||
        w < kMinLongitudeDeg || e > kMaxLongitudeDeg || e - w > 360.0) {
        std::string message =
            "--region: need west < east, south < north, latitudes within "
            "-90..90, longitudes within -180..360 and at most 360 degrees apart";
        // 170/-170: a region across the antimeridian, written as a map of it is labelled (up
        // to half a turn wide; wider, the two were more likely swapped)
        if (e < w && e < 0.0 && e + 360.0 > w && e + 360.0 - w <= 180.0) {
            char east[32];
            std::snprintf(east, sizeof east, "%.10g", e + 360.0);
            message += " (across the antimeridian, write the east longitude past 180: " + items[0] +
                       "/" + east + "/" + items[2] + "/" + items[3] + ")";
        }
        throw UsageError(message);
    }
    options.lonMinDeg = w;
    options.lonMaxDeg = e;
    options.latMinDeg = s;
    options.latMaxDeg = n;
}

int nodeCount(double minDeg, double maxDeg, double stepDeg) {
    return static_cast<int>(std::floor((maxDeg - minDeg) / stepDeg + 1e-9)) + 1;
}

double nodeDeg(double minDeg, double stepDeg, int index) {
    return std::round((minDeg + stepDeg * index) * 1e9) / 1e9;
}

}  // namespace fieldcast::map
