#include "csv_table.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "driver/input_files.h"
#include "text_encoding.h"
#include "time_zone.h"

namespace fieldcast::map {

const char* const kPredictionColumns =
    "groundRangeKm,pathKind,hopCount,hourJst,hourUtc,groundWaveMvm,groundWaveDb,skyWaveMvm,"
    "skyWaveDb,"
    "combinedMvm,combinedDb,fieldMvm,fieldDb,rxGroundCode,midGroundCode";

namespace {

std::optional<double> parseNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

ReceiverSite reportSiteFor(const std::string& nameCp932, double latDeg, double lonDeg) {
    ReceiverSite site{};
    const std::size_t kept = sjisCutLength(nameCp932.data(), nameCp932.size(), kNameCapacity - 1);
    std::memcpy(site.name, nameCp932.data(), kept);
    site.latitude = latDeg;
    site.longitude = lonDeg;
    return site;
}

void appendNumber(std::string& line, double value) {
    char buffer[32];
    if (std::isinf(value)) {
        line += value > 0 ? "inf" : "-inf";
        return;
    }
    const auto [end, error] = std::to_chars(buffer, buffer + sizeof buffer, value);
    line.append(buffer, end);
}

}  // namespace

std::string formatNumber(double value) {
    std::string text;
    appendNumber(text, value);
    return text;
}

std::vector<PointSite> pointsFromReceiverList(const std::vector<ReceiverSite>& sites) {
    std::vector<PointSite> points;
    for (const ReceiverSite& site : sites) {
        std::string name;
        try {
            name = cp932ToUtf8(site.name);
        } catch (const std::runtime_error&) {
            // not Shift-JIS: the CSV names the point by its place in the list; the report
            // prints the bytes as they stand, as fieldcast does
            name = "point " + std::to_string(points.size());
        }
        points.push_back({name, site, site.latitude, site.longitude});
    }
    return points;
}

std::vector<std::string> splitCsvLine(std::string_view line) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (quoted) {
            if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
                fields.back() += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                fields.back() += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == ',') {
            fields.emplace_back();
        } else if (c != '\r') {
            fields.back() += c;
        }
    }
    return fields;
}

std::string csvField(std::string_view text) {
    if (text.find_first_of(",\"\n\r") == std::string_view::npos) return std::string(text);
    std::string quoted = "\"";
    for (const char c : text) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

std::vector<PointSite> readPointsCsv(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) throw std::runtime_error(path.string() + ": cannot open");
    std::vector<PointSite> points;
    std::string line;
    int lineNumber = 0;
    bool first = true;
    while (std::getline(in, line)) {
        ++lineNumber;
        if (line.empty() || line == "\r" || line.front() == '#') continue;
        const std::vector<std::string> fields = splitCsvLine(line);
        const auto where = [&] { return path.string() + ":" + std::to_string(lineNumber) + ": "; };
        if (fields.size() != 3) {
            throw std::runtime_error(where() + "expected 3 fields (pointName,latDeg,lonDeg), got " +
                                     std::to_string(fields.size()));
        }
        const std::optional<double> lat = parseNumber(fields[1]);
        const std::optional<double> lon = parseNumber(fields[2]);
        if (first && !lat) {  // a header
            first = false;
            continue;
        }
        first = false;
        if (!lat || !lon)
            throw std::runtime_error(where() + "latitude and longitude must be numbers");
        if (!allows(kLatitudeDeg, *lat)) {
            throw std::runtime_error(where() + "latitude outside -90..90");
        }
        if (!allows(kLongitudeDeg, *lon)) {
            throw std::runtime_error(where() + "longitude outside -180..360");
        }
        if (fields[0].empty()) throw std::runtime_error(where() + "empty point name");
        std::string cp932;
        try {
            cp932 = utf8ToCp932(fields[0]);
        } catch (const std::runtime_error& e) {
            throw std::runtime_error(where() + e.what());
        }
        points.push_back({fields[0], reportSiteFor(cp932, *lat, *lon), *lat, *lon});
    }
    return points;
}

const char* pathKindName(PathKind kind) {
    switch (kind) {
        case PathKind::groundOnly:
            return "groundOnly";
        case PathKind::oneHop:
            return "oneHop";
        case PathKind::twoHop:
            return "twoHop";
        case PathKind::beyondRange:
            return "beyondRange";
        case PathKind::skyWave:
            return "skyWave";
    }
    return "";
}

namespace {

void appendValueCells(std::string& line, const PointResult& point, int hour, int resultMode) {
    const auto cell = [&](double value) {
        line += ',';
        appendNumber(line, value);
    };
    const auto empty = [&](int count) { line.append(static_cast<std::size_t>(count), ','); };
    appendNumber(line, point.groundRangeKm);
    line += ',';
    line += pathKindName(point.pathKind);
    switch (point.pathKind) {
        case PathKind::beyondRange:
            line += ",,";
            line += std::to_string(hour);
            line += ',';
            line += std::to_string(utcHourOfJstHour(hour));
            empty(8);
            return;
        case PathKind::groundOnly:
            line += ",,";
            line += std::to_string(hour);
            line += ',';
            line += std::to_string(utcHourOfJstHour(hour));
            cell(point.groundWaveMvm);
            cell(point.groundWaveDb);
            empty(4);
            cell(point.groundWaveMvm);
            cell(point.groundWaveDb);
            return;
        case PathKind::oneHop:
        case PathKind::twoHop:
        case PathKind::skyWave: {
            line += point.pathKind == PathKind::twoHop   ? ",2,"
                    : point.pathKind == PathKind::oneHop ? ",1,"
                                                         : ",,";  // every order: see below
            line += std::to_string(hour);
            line += ',';
            line += std::to_string(utcHourOfJstHour(hour));
            const HourResult& h = point.hours[static_cast<std::size_t>(hour)];
            cell(point.groundWaveMvm);
            cell(point.groundWaveDb);
            cell(h.skyWaveMvm);
            cell(h.skyWaveDb);
            if (resultMode == 2) {
                cell(h.combinedMvm);
                cell(h.combinedDb);
            } else {
                empty(2);
            }
            const FieldStrength field = reportedField(point, hour, resultMode);
            cell(field.mvm);
            cell(field.db);
            return;
        }
    }
}

}  // namespace

void appendPredictionCells(std::string& line, const PointResult& point, int hour, int resultMode) {
    appendValueCells(line, point, hour, resultMode);
    line += ',';
    if (point.pathKind != PathKind::beyondRange) line += std::to_string(point.rxGroundCode);
    line += ',';
    if (point.pathKind == PathKind::oneHop || point.pathKind == PathKind::twoHop ||
        point.pathKind == PathKind::skyWave) {
        line += std::to_string(point.midGroundCode);
    }
}

const char* const kHopOrderColumns = "strongestHopOrder,hopOrderCount";

void appendHopOrderCells(std::string& line, const PointResult& point, int hour) {
    line += ',';
    if (point.pathKind != PathKind::skyWave) {
        line += ',';
        return;
    }
    const HourResult& h = point.hours[static_cast<std::size_t>(hour)];
    line += std::to_string(h.strongestHopOrder);
    line += ',';
    line += std::to_string(h.hopOrderCount);
}

}  // namespace fieldcast::map
