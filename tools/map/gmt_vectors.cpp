#include "gmt_vectors.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "gmt_maps.h"
#include "record/constants.h"

namespace fieldcast::map {

namespace {

// A coordinate to 1e-4 degrees (about 10 m), without trailing zeros.
std::string coordinate(double deg) {
    char buffer[40];
    std::snprintf(buffer, sizeof buffer, "%.4f", deg);
    std::string text = buffer;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string readWhole(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw GmtError("gmt wrote no " + path.filename().string());
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// "r/g/b" of a palette line
bool parseColour(const std::string& text, ColourBand& band) {
    double r = 0;
    double g = 0;
    double b = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%lf/%lf/%lf%c", &r, &g, &b, &tail) != 3) return false;
    band.red = static_cast<int>(std::lround(r));
    band.green = static_cast<int>(std::lround(g));
    band.blue = static_cast<int>(std::lround(b));
    return true;
}

}  // namespace

ColourScale gmtColourScale(double minDb, double maxDb, const std::filesystem::path& scratchDir,
                           const std::string& session) {
    const char* file = "palette.cpt";
    runGmt(paletteCommand(minDb, maxDb, file), scratchDir, session);
    ColourScale scale{};
    bool below = false;
    bool above = false;
    std::istringstream lines(readWhole(scratchDir / file));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string first;
        std::string colour;
        if (!(words >> first) || first[0] == '#') continue;
        if (first == "B" || first == "F") {
            ColourBand& end = first == "B" ? scale.below : scale.above;
            if (!(words >> colour) || !parseColour(colour, end)) break;
            (first == "B" ? below : above) = true;
            continue;
        }
        if (first == "N") continue;
        ColourBand band{};
        std::string highText;
        std::string highColour;
        if (!(words >> colour >> highText >> highColour) || !parseColour(colour, band)) break;
        band.lowDb = std::stod(first);
        band.highDb = std::stod(highText);
        scale.bands.push_back(band);
    }
    if (scale.bands.empty() || !below || !above) {
        throw GmtError("gmt makecpt gave no palette that could be read");
    }
    scale.below.lowDb = scale.below.highDb = scale.bands.front().lowDb;
    scale.above.lowDb = scale.above.highDb = scale.bands.back().highDb;
    return scale;
}

std::string multiSegmentToGeoJson(const std::string& dump, const std::string& name,
                                  const GeoBox& box) {
    const double middleDeg = (box.westDeg + box.eastDeg) / 2;
    std::vector<std::vector<std::string>> segments(1);
    std::string last;
    const auto cut = [&] {
        if (!segments.back().empty()) segments.emplace_back();
        last.clear();
    };
    const auto add = [&](double lon, double lat) {
        // appended piece by piece: g++ 12 warns falsely of "[" + std::string (-Wrestrict)
        std::string point(1, '[');
        point += coordinate(lon);
        point += ',';
        point += coordinate(lat);
        point += ']';
        if (point != last) segments.back().push_back(point);
        last = point;
    };
    // The part of the line from a to b inside the box (Liang and Barsky's clipping): a line
    // that leaves the box ends on its edge, and one that comes back begins there again.
    const auto lineTo = [&](double aLon, double aLat, double bLon, double bLat) {
        const double dLon = bLon - aLon;
        const double dLat = bLat - aLat;
        double enter = 0.0;
        double leave = 1.0;
        const auto edge = [&](double towards, double room) {
            if (towards == 0.0) return room >= 0.0;
            const double at = room / towards;
            if (towards < 0.0) {
                enter = std::max(enter, at);
            } else {
                leave = std::min(leave, at);
            }
            return enter <= leave;
        };
        if (!(edge(-dLon, aLon - box.westDeg) && edge(dLon, box.eastDeg - aLon) &&
              edge(-dLat, aLat - box.southDeg) && edge(dLat, box.northDeg - aLat))) {
            cut();
            return;
        }
        if (enter > 0.0) cut();
        add(aLon + enter * dLon, aLat + enter * dLat);
        add(aLon + leave * dLon, aLat + leave * dLat);
        if (leave < 1.0) cut();
    };
    bool hasPrevious = false;  // the point before on the line being read, in the box or not
    double previousLon = 0;
    double previousLat = 0;
    std::istringstream lines(dump);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty()) continue;
        if (line[0] == '>') {
            cut();
            hasPrevious = false;
            continue;
        }
        double lon = 0;
        double lat = 0;
        if (std::sscanf(line.c_str(), "%lf %lf", &lon, &lat) != 2) continue;
        lon -= 360.0 * std::round((lon - middleDeg) / 360.0);
        if (!hasPrevious) {
            if (lon >= box.westDeg && lon <= box.eastDeg && lat >= box.southDeg &&
                lat <= box.northDeg) {
                add(lon, lat);
            }
        } else if (std::abs(lon - previousLon) > 180.0) {
            // A line that crosses the meridian opposite the box's middle comes back on the
            // other side of a box nearly a turn wide: drawn as it stands, it would run across
            // the whole map. It is ended past that side and begun again before the other.
            const double turn = lon < previousLon ? 360.0 : -360.0;
            lineTo(previousLon, previousLat, lon + turn, lat);
            cut();
            lineTo(previousLon - turn, previousLat, lon, lat);
        } else {
            lineTo(previousLon, previousLat, lon, lat);
        }
        hasPrevious = true;
        previousLon = lon;
        previousLat = lat;
    }
    std::string lineStrings;
    for (const auto& segment : segments) {
        if (segment.size() < 2) continue;
        lineStrings += lineStrings.empty() ? "[" : ",[";
        for (std::size_t i = 0; i < segment.size(); ++i) {
            if (i > 0) lineStrings += ',';
            lineStrings += segment[i];
        }
        lineStrings += ']';
    }
    std::string json = "{\"type\":\"FeatureCollection\",\"features\":[";
    if (!lineStrings.empty()) {
        json += "{\"type\":\"Feature\",\"properties\":{\"name\":\"" + name +
                "\"},\"geometry\":{\"type\":\"MultiLineString\",\"coordinates\":[" + lineStrings +
                "]}}";
    }
    return json + "]}";
}

CoastVectors gmtCoastVectors(const GeoBox& box, const std::filesystem::path& scratchDir,
                             const std::string& session) {
    const double west = box.westDeg;
    const double east = std::min(box.eastDeg, west + 360.0);
    const double south = std::max(box.southDeg, kMinLatitudeDeg);
    const double north = std::min(box.northDeg, kMaxLatitudeDeg);
    const std::string region = "-R" + gmtNumber(west) + "/" + gmtNumber(east) + "/" +
                               gmtNumber(south) + "/" + gmtNumber(north);
    // the coastlines of the PNG maps: low resolution, no feature under 500 km2
    runGmt({"coast", region, "-Dl", "-A500", "-W", "-M", "->coastlines.txt"}, scratchDir, session);
    runGmt({"coast", region, "-Dl", "-N1", "-M", "->borders.txt"}, scratchDir, session);
    const GeoBox clipped{west, east, south, north};
    return {multiSegmentToGeoJson(readWhole(scratchDir / "coastlines.txt"), "coastlines", clipped),
            multiSegmentToGeoJson(readWhole(scratchDir / "borders.txt"), "borders", clipped)};
}

}  // namespace fieldcast::map
