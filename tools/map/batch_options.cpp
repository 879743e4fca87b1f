#include "batch_options.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "point_prediction.h"
#include "record/constants.h"

namespace fieldcast::map {

namespace {

// Items between commas, the empty ones included ("3," is "3" and "").
std::vector<std::string> commaItems(const std::string& text) {
    std::vector<std::string> items(1);
    for (const char c : text) {
        if (c == ',') {
            items.emplace_back();
        } else {
            items.back() += c;
        }
    }
    return items;
}

}  // namespace

std::vector<int> parseHourList(const std::string& text) {
    if (text == "all") {
        std::vector<int> all(kHourCount);
        for (int h = 0; h < kHourCount; ++h) all[static_cast<std::size_t>(h)] = h;
        return all;
    }
    std::vector<int> hours;
    const auto hourOf = [&](const std::string& word) {
        std::size_t used = 0;
        int hour = -1;
        try {
            hour = std::stoi(word, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != word.size() || hour < 0 || hour >= kHourCount) {
            throw UsageError("--hours: \"" + word + "\" is not an hour 0-23");
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
        if (last < first) throw UsageError("--hours: range \"" + item + "\" runs backwards");
        for (int h = first; h <= last; ++h) hours.push_back(h);
    }
    if (hours.empty()) throw UsageError("--hours: no hour given");
    std::sort(hours.begin(), hours.end());
    hours.erase(std::unique(hours.begin(), hours.end()), hours.end());
    return hours;
}

std::vector<double> parseLevelList(const std::string& text) {
    std::vector<double> levels;
    for (const std::string& item : commaItems(text)) {
        std::size_t used = 0;
        double level = NAN;
        try {
            level = std::stod(item, &used);
        } catch (const std::exception&) {
            used = 0;
        }
        if (used == 0 || used != item.size() || !std::isfinite(level)) {
            throw UsageError("--contours: \"" + item + "\" is not a level in dB(uV/m)");
        }
        levels.push_back(level);
    }
    std::sort(levels.begin(), levels.end());
    levels.erase(std::unique(levels.begin(), levels.end()), levels.end());
    return levels;
}

void parseRegion(const std::string& text, AreaOptions& options) {
    double w = 0.0;
    double e = 0.0;
    double s = 0.0;
    double n = 0.0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%lf/%lf/%lf/%lf%c", &w, &e, &s, &n, &tail) != 4) {
        throw UsageError("--region: expected WEST/EAST/SOUTH/NORTH in degrees, got \"" + text +
                         "\"");
    }
    if (!(w < e) || !(s < n) || s < kMinLatitudeDeg || n > kMaxLatitudeDeg ||
        w < kMinLongitudeDeg || e > kMaxLongitudeDeg || e - w > 360.0) {
        throw UsageError(
            "--region: need west < east, south < north, latitudes within "
            "-90..90, longitudes within -180..360 and at most 360 degrees apart");
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
